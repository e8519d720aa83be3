#!/usr/bin/env bash
# The list producer's tools on large lists, end to end through the calldir
# command (release build): list diff of two 1,000,000-entry list texts that
# differ in 20,000 entries (10,000 renamed, 5,000 removed, 5,000 added), and
# list fix of a shuffled 1,000,000-element plain list. Prints wall seconds
# and peak memory (best of RUNS, default 3), beside the inputs' size.
# Run: bench/lists.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/release.sh
runs=${RUNS:-3}

# OLD: 1M ascending entries. NEW: every 100th renamed, 5,000 removed, 5,000 added.
awk 'BEGIN { printf "["; for (i = 0; i < 1000000; i++) printf "%s{\"number\":\"%.0f\",\"name\":\"Caller %07d\"}", (i ? "," : ""), 821000000000 + 2 * i, i; printf "]" }' > "$work/old.json"
awk 'BEGIN { printf "["; n = 0;
  for (i = 0; i < 1000000; i++) {
    if (i % 200 == 1) continue;                              # 5,000 removed
    name = (i % 100 == 0) ? sprintf("Renamed %07d", i) : sprintf("Caller %07d", i);
    printf "%s{\"number\":\"%.0f\",\"name\":\"%s\"}", (n++ ? "," : ""), 821000000000 + 2 * i, name;
    if (i % 200 == 3) printf ",{\"number\":\"%.0f\",\"name\":\"New %07d\"}", 821000000000 + 2 * i + 1, i;  # 5,000 added
  }
  printf "]" }' > "$work/new.json"
"$calldir" list encode "$work/old.json" -o "$work/old.txt"
"$calldir" list encode "$work/new.json" -o "$work/new.txt"
# A shuffled copy of OLD, one element per line.
tr -d '[]' < "$work/old.json" | sed 's/},{/}\n{/g' | shuf --random-source=<(yes) | paste -sd, | sed 's/^/[/; s/$/]/' > "$work/shuffled.json"

best() {  # NAME INPUT_BYTES COMMAND...
  local name=$1 bytes=$2 best_wall="" best_rss=""
  shift 2
  for _ in $(seq "$runs"); do
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1 || { echo "$name failed" >&2; exit 1; }
    read -r wall rss < "$work/time"
    if [ -z "$best_wall" ] || awk -v a="$wall" -v b="$best_wall" 'BEGIN { exit !(a < b) }'; then best_wall=$wall; fi
    if [ -z "$best_rss" ] || [ "$rss" -lt "$best_rss" ]; then best_rss=$rss; fi
  done
  printf '%-44s %10.1f MB in  %6.2f s  %7.1f MB peak  (%.2fx the input)\n' "$name" "$(echo "$bytes / 1048576" | bc -l)" \
    "$best_wall" "$(echo "$best_rss / 1024" | bc -l)" "$(echo "$best_rss * 1024 / $bytes" | bc -l)"
}

best "list diff, 2 x 1,000,000 (20,000 changes)" $(( $(stat -c %s "$work/old.txt") + $(stat -c %s "$work/new.txt") )) \
  "$calldir" list diff "$work/old.txt" "$work/new.txt" --del "$work/del.txt" --add "$work/add.txt"
best "list fix, 1,000,000 shuffled" "$(stat -c %s "$work/shuffled.json")" \
  "$calldir" list fix "$work/shuffled.json" -o "$work/fixed.json"
"$calldir" list diff "$work/old.txt" "$work/new.txt" --del "$work/del.txt" --add "$work/add.txt"
