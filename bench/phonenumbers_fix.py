# The reading `list fix --region KR --on-conflict first` does, with Python's
# phonenumbers package, for bench/lists.sh to compare against: each number
# parsed as written in the region, valid ones kept as E.164 digits, the
# first name of each number, sorted by number.
# Usage: python3 phonenumbers_fix.py REGION IN.json OUT.json
import json
import sys

import phonenumbers

region, source, target = sys.argv[1:4]
with open(source, encoding="utf-8") as f:
    rows = json.load(f)
kept = {}
for row in rows:
    try:
        number = phonenumbers.parse(row.get("number", ""), region)
    except phonenumbers.NumberParseException:
        continue
    if phonenumbers.is_valid_number(number):
        e164 = phonenumbers.format_number(number, phonenumbers.PhoneNumberFormat.E164)[1:]
        kept.setdefault(int(e164), row.get("name", ""))
with open(target, "w", encoding="utf-8") as f:
    json.dump([{"number": str(n), "name": kept[n]} for n in sorted(kept)], f, ensure_ascii=False)
