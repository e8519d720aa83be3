#!/usr/bin/env bash
# End-to-end speed and memory of the request path: a restore from zero of
# 10,000, 100,000 and 1,000,000 entries through `calldir reload`, and a delta
# update of 10,000 removals and 10,000 additions. Uses the release build.
# Run: bench/restore.sh   (prints one line per measurement)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
calldir="$PWD/build/release/calldir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A plain caller list of N entries with ascending numbers starting at FIRST.
make_list() {  # N FIRST STEP [names]
  awk -v n="$1" -v first="$2" -v step="$3" -v names="${4:-yes}" 'BEGIN {
    printf "[";
    for (i = 0; i < n; i++) {
      if (i) printf ",";
      if (names == "yes") printf "{\"number\":\"%.0f\",\"name\":\"Caller %07d\"}", first + i * step, i;
      else printf "{\"number\":\"%.0f\"}", first + i * step;
    }
    printf "]";
  }'
}

field() { sed -E "s/.*\"$1\": ([^,}]*).*/\1/" <<<"$2"; }

printf '%-34s %12s %10s %14s %16s\n' "measurement" "list bytes" "wall s" "ext. CPU s" "ext. peak MB"
for n in 10000 100000 1000000; do
  root="$work/device-$n"
  "$calldir" --root "$root" init >/dev/null
  "$calldir" --root "$root" enable >/dev/null
  make_list "$n" 821000000000 1 > "$work/plain.json"
  "$calldir" list encode "$work/plain.json" -o "$work/list.txt"
  "$calldir" --root "$root" bundle put-resource --encoded "$work/list.txt" >/dev/null
  "$calldir" --root "$root" app restore >/dev/null
  out=$("$calldir" --root "$root" reload --json) || true
  [ "$(field completed "$out")" = true ] || { echo "restore of $n failed: $out" >&2; exit 1; }
  printf '%-34s %12d %10s %14s %16d\n' "restore from zero, $n entries" "$(stat -c %s "$work/list.txt")" \
    "$(field wall_seconds "$out")" "$(field extension_cpu_seconds "$out")" "$(( $(field extension_peak_bytes "$out") / 1048576 ))"
done

# Delta update on the 1,000,000-entry device: remove every 100th of the first
# million, add 10,000 new numbers above them.
root="$work/device-1000000"
make_list 10000 821000000000 100 no > "$work/del.json"
make_list 10000 822000000000 1 > "$work/add.json"
"$calldir" --root "$root" app put --del "$work/del.json" --add "$work/add.json" >/dev/null
out=$("$calldir" --root "$root" reload --json) || true
[ "$(field completed "$out")" = true ] || { echo "delta update failed: $out" >&2; exit 1; }
printf '%-34s %12d %10s %14s %16d\n' "delta update, 10,000 + 10,000" \
  "$(( $(stat -c %s "$root/AppGroup/group.calldir.example/callersAdd.json" 2>/dev/null || echo 0) ))" \
  "$(field wall_seconds "$out")" "$(field extension_cpu_seconds "$out")" "$(( $(field extension_peak_bytes "$out") / 1048576 ))"
