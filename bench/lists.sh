#!/usr/bin/env bash
# The list producer's tools on lists of 1,000,000 entries, end to end through
# the calldir command (release build), each beside the restore from zero of
# the same list measured in the same run, which is what they predict:
#   - the restore from zero of 1,000,000 entries (`reload` wall seconds);
#   - list check --region KR of the list text;
#   - bundle put-resource of the plain list (checked, encoded, installed);
#   - list fix --region KR of the list shuffled and written as people write
#     numbers ("+82 10-2000-0000");
#   - list diff of two list texts that differ in 20,000 entries.
# Prints wall seconds (best of RUNS, default 3), the ratio to the restore,
# and peak memory against the input's size.
# Targets: check <= 2x, put-resource <= 2x, fix <= 4x the restore; memory
# <= 3x the input.
# Then the same on data like the users': 1,000,000 rows as exports hold them
# (bench/realistic_list.awk), each beside the restore of its fixed list:
#   - list check --region KR and list fix --region KR of the export;
#   - list diff of the fixed export and the fixed export a day later (every
#     50th row gone, every 100th renamed, 10,000 new);
# targets: check <= 1x, fix <= 2x, diff <= 1.5x. And a list of 1,000,000
# neighbouring numbers that libphonenumber holds invalid, beside its own
# restore: check <= 2x, fix <= 4x. Last, at 20,000 rows of the export, list
# fix against Python's phonenumbers doing the same reading: <= 0.15x.
# Run: bench/lists.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/release.sh
runs=${RUNS:-3}

# OLD: 1,000,000 valid Korean mobile numbers, ascending. NEW: every 100th
# renamed, 5,000 removed, 5,000 added.
awk 'BEGIN { printf "["; for (i = 0; i < 1000000; i++) printf "%s{\"number\":\"%.0f\",\"name\":\"Caller %07d\"}", (i ? "," : ""), 821020000000 + 2 * i, i; printf "]" }' > "$work/old.json"
awk 'BEGIN { printf "["; n = 0;
  for (i = 0; i < 1000000; i++) {
    if (i % 200 == 1) continue;
    name = (i % 100 == 0) ? sprintf("Renamed %07d", i) : sprintf("Caller %07d", i);
    printf "%s{\"number\":\"%.0f\",\"name\":\"%s\"}", (n++ ? "," : ""), 821020000000 + 2 * i, name;
    if (i % 200 == 3) printf ",{\"number\":\"%.0f\",\"name\":\"New %07d\"}", 821020000000 + 2 * i + 1, i;
  }
  printf "]" }' > "$work/new.json"
"$calldir" list encode "$work/old.json" -o "$work/old.txt"
"$calldir" list encode "$work/new.json" -o "$work/new.txt"
# OLD as people write the numbers, one element per line, shuffled.
awk 'BEGIN { for (i = 0; i < 1000000; i++) { n = 20000000 + 2 * i;
  printf "{\"number\":\"+82 10-%04d-%04d\",\"name\":\"Caller %07d\"}\n", int(n / 10000), n % 10000, i } }' |
  shuffled | paste -s -d, - | sed 's/^/[/; s/$/]/' > "$work/written.json"

root="$work/device"
"$calldir" --root "$root" init >/dev/null
"$calldir" --root "$root" enable >/dev/null
"$calldir" --root "$root" bundle put-resource --encoded "$work/old.txt" >/dev/null
restore=""
for _ in $(seq "$runs"); do
  "$calldir" --root "$root" app restore >/dev/null
  out=$("$calldir" --root "$root" reload --json)
  t=$(sed -E 's/.*"wall_seconds": ([0-9.]+).*/\1/' <<<"$out")
  if [ -z "$restore" ] || awk -v a="$t" -v b="$restore" 'BEGIN { exit !(a < b) }'; then restore=$t; fi
done
printf '%-46s %9s %7.2f s\n' "restore from zero, 1,000,000 (the measure)" "" "$restore"

measure=""  # the restore the ratios are to, when not $restore
best() {  # NAME INPUT_BYTES COMMAND...
  local name=$1 bytes=$2 best_wall="" best_rss=""
  shift 2
  for _ in $(seq "$runs"); do
    local rc=0  # 1 is a check that found problems
    timed "$work/time" "$@" || rc=$?
    [ "$rc" -le 1 ] || { echo "$name failed (exit $rc)" >&2; exit 1; }
    read -r wall rss <"$work/time"
    if [ -z "$best_wall" ] || awk -v a="$wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then best_wall=$wall; fi
    if [ -z "$best_rss" ] || [ "$rss" -lt "$best_rss" ]; then best_rss=$rss; fi
  done
  printf '%-46s %6.1f MB %7.2f s %5.2fx %s %7.1f MB peak (%.2fx the input)\n' "$name" \
    "$(echo "$bytes / 1048576" | bc -l)" "$best_wall" "$(echo "$best_wall / ${measure:-$restore}" | bc -l)" "${versus:-the restore}" \
    "$(echo "$best_rss / 1024" | bc -l)" "$(echo "$best_rss * 1024 / $bytes" | bc -l)"
}

size() { fileSize "$1"; }
best "list check --region KR, list text" "$(size "$work/old.txt")" \
  "$calldir" list check --region KR "$work/old.txt"
best "bundle put-resource, plain list" "$(size "$work/old.json")" \
  "$calldir" --root "$root" bundle put-resource "$work/old.json"
best "list fix --region KR, shuffled, +82 10-..." "$(size "$work/written.json")" \
  "$calldir" list fix --region KR "$work/written.json" -o "$work/fixed.json"
best "list diff, 2 x 1,000,000 (20,000 changes)" $(( $(size "$work/old.txt") + $(size "$work/new.txt") )) \
  "$calldir" list diff "$work/old.txt" "$work/new.txt" --del "$work/del.txt" --add "$work/add.txt"
"$calldir" list diff "$work/old.txt" "$work/new.txt" --del "$work/del.txt" --add "$work/add.txt"

restoreOf() {  # PLAIN_LIST: the best restore of it, in wall seconds
  local dev="$work/device-$RANDOM" fastest=""
  "$calldir" --root "$dev" init >/dev/null
  "$calldir" --root "$dev" enable >/dev/null
  "$calldir" --root "$dev" bundle put-resource "$1" >/dev/null
  for _ in $(seq "$runs"); do
    "$calldir" --root "$dev" app restore >/dev/null
    t=$(sed -E 's/.*"wall_seconds": ([0-9.]+).*/\1/' <<<"$("$calldir" --root "$dev" reload --json)")
    if [ -z "$fastest" ] || awk -v a="$t" -v b="$fastest" 'BEGIN { exit !(a < b) }'; then fastest=$t; fi
  done
  rm -rf "$dev"
  echo "$fastest"
}

echo
awk -v n=1000000 -v seed=1 -f bench/realistic_list.awk > "$work/real.json"
awk 'NR > 1 && NR % 50 == 0 { next } NR % 100 == 1 { sub(/"name":"Caller/, "\"name\":\"Renamed") } { print }
  NR % 100 == 7 { printf "{\"number\":\"+82 10-%04d-%04d\",\"name\":\"New %07d\"},\n", 1000 + NR % 9000, NR % 10000, NR }' \
  "$work/real.json" > "$work/real2.json"
"$calldir" list fix --region KR --on-conflict first "$work/real.json" -o "$work/real.fixed.json" 2>/dev/null
"$calldir" list fix --region KR --on-conflict first "$work/real2.json" -o "$work/real2.fixed.json" 2>/dev/null
measure=$(restoreOf "$work/real.fixed.json")
printf '%-46s %9s %7.2f s (%s entries)\n' "restore of the fixed export (the measure)" "" "$measure" \
  "$(grep -c '"number"' "$work/real.fixed.json")"
best "list check --region KR, export" "$(size "$work/real.json")" \
  "$calldir" list check --region KR "$work/real.json"
best "list fix --region KR, export" "$(size "$work/real.json")" \
  "$calldir" list fix --region KR --on-conflict first "$work/real.json" -o "$work/fixed.json"
best "list diff, two fixed exports" $(( $(size "$work/real.fixed.json") + $(size "$work/real2.fixed.json") )) \
  "$calldir" list diff "$work/real.fixed.json" "$work/real2.fixed.json" --del "$work/del.txt" --add "$work/add.txt"

echo
# 1,000,000 neighbouring numbers that libphonenumber holds invalid (a Korean
# mobile number has no "0" after "010").
awk 'BEGIN { printf "["; for (i = 0; i < 1000000; i++) printf "%s{\"number\":\"%.0f\",\"name\":\"Caller %07d\"}", (i ? "," : ""), 821000000000 + i, i; printf "]" }' > "$work/invalid.json"
measure=$(restoreOf "$work/invalid.json")
printf '%-46s %9s %7.2f s\n' "restore of 1,000,000 invalid (the measure)" "" "$measure"
best "list check --region KR, invalid" "$(size "$work/invalid.json")" \
  "$calldir" list check --region KR "$work/invalid.json"
best "list fix --region KR --keep-doubtful, invalid" "$(size "$work/invalid.json")" \
  "$calldir" list fix --region KR --keep-doubtful "$work/invalid.json" -o "$work/fixed.json"

echo
# 20,000 rows of the export: list fix against Python's phonenumbers package
# doing the same reading (bench/phonenumbers_fix.py), when it is installed
# (Debian: python3-phonenumbers; PYTHON names the interpreter); target: list fix <= 0.15x Python.
awk -v n=20000 -v seed=2 -f bench/realistic_list.awk > "$work/real20k.json"
python=${PYTHON:-python3}
if "$python" -c 'import phonenumbers' 2>/dev/null; then
  measure=""
  for _ in $(seq "$runs"); do
    timed "$work/time" "$python" bench/phonenumbers_fix.py KR "$work/real20k.json" "$work/python.json"
    read -r t _ <"$work/time"
    if [ -z "$measure" ] || awk -v a="$t" -v b="$measure" 'BEGIN { exit !(a < b) }'; then measure=$t; fi
  done
  printf '%-46s %9s %7.2f s (%s entries)\n' "Python phonenumbers, 20,000 (the measure)" "" "$measure" \
    "$(grep -o '"number"' "$work/python.json" | wc -l | tr -d ' ')"
  versus=Python
  best "list fix --region KR, export of 20,000" "$(size "$work/real20k.json")" \
    "$calldir" list fix --region KR --on-conflict first "$work/real20k.json" -o "$work/fixed.json"
else
  echo "Python's phonenumbers package is not installed: no comparison at 20,000 rows"
fi
