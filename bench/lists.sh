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
# <= 3x the input. Run: bench/lists.sh
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
  shuf --random-source=<(yes) | paste -sd, | sed 's/^/[/; s/$/]/' > "$work/written.json"

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

best() {  # NAME INPUT_BYTES COMMAND...
  local name=$1 bytes=$2 best_wall="" best_rss=""
  shift 2
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1 || { echo "$name failed" >&2; exit 1; }
    read -r wall rss < "$work/time"
    if [ -z "$best_wall" ] || awk -v a="$wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then best_wall=$wall; fi
    if [ -z "$best_rss" ] || [ "$rss" -lt "$best_rss" ]; then best_rss=$rss; fi
  done
  printf '%-46s %6.1f MB %7.2f s %5.2fx the restore %7.1f MB peak (%.2fx the input)\n' "$name" \
    "$(echo "$bytes / 1048576" | bc -l)" "$best_wall" "$(echo "$best_wall / $restore" | bc -l)" \
    "$(echo "$best_rss / 1024" | bc -l)" "$(echo "$best_rss * 1024 / $bytes" | bc -l)"
}

size() { stat -c %s "$1"; }
best "list check --region KR, list text" "$(size "$work/old.txt")" \
  "$calldir" list check --region KR "$work/old.txt"
best "bundle put-resource, plain list" "$(size "$work/old.json")" \
  "$calldir" --root "$root" bundle put-resource "$work/old.json"
best "list fix --region KR, shuffled, +82 10-..." "$(size "$work/written.json")" \
  "$calldir" list fix --region KR "$work/written.json" -o "$work/fixed.json"
best "list diff, 2 x 1,000,000 (20,000 changes)" $(( $(size "$work/old.txt") + $(size "$work/new.txt") )) \
  "$calldir" list diff "$work/old.txt" "$work/new.txt" --del "$work/del.txt" --add "$work/add.txt"
"$calldir" list diff "$work/old.txt" "$work/new.txt" --del "$work/del.txt" --add "$work/add.txt"
