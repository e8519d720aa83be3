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

runs=${RUNS:-3}

# Runs `reload --json` on ROOT after PREPARE (a command) RUNS times; prints the
# best and the median wall time, CPU time and peak memory.
measure() {  # NAME BYTES ROOT PREPARE...
  local name=$1 bytes=$2 root=$3
  shift 3
  local walls=() cpus=() peaks=()
  for _ in $(seq "$runs"); do
    "$@" >/dev/null
    out=$("$calldir" --root "$root" reload --json) || true
    [ "$(field completed "$out")" = true ] || { echo "$name failed: $out" >&2; exit 1; }
    walls+=("$(field wall_seconds "$out")")
    cpus+=("$(field extension_cpu_seconds "$out")")
    peaks+=("$(field extension_peak_bytes "$out")")
  done
  local m=$(( (runs + 1) / 2 ))
  pick() { printf '%s\n' "$@" | sort -g | sed -n "${k}p"; }
  local k=1; local wall_best=$(pick "${walls[@]}") cpu_best=$(pick "${cpus[@]}")
  k=$m; local wall_median=$(pick "${walls[@]}") cpu_median=$(pick "${cpus[@]}") peak_median=$(pick "${peaks[@]}")
  printf '%-32s %11d %6s %6s %7s %7s %9d\n' "$name" "$bytes" "$wall_best" "$wall_median" "$cpu_best" "$cpu_median" \
    "$(( peak_median / 1048576 ))"
}

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

printf '%-32s %11s %13s %15s %9s\n' "measurement ($runs runs)" "list bytes" "wall s" "ext. CPU s" "ext. peak"
printf '%-32s %11s %6s %6s %7s %7s %9s\n' "" "" "best" "median" "best" "median" "MB"
for n in 10000 100000 1000000; do
  root="$work/device-$n"
  "$calldir" --root "$root" init >/dev/null
  "$calldir" --root "$root" enable >/dev/null
  make_list "$n" 821000000000 1 > "$work/plain.json"
  "$calldir" list encode "$work/plain.json" -o "$work/list.txt"
  "$calldir" --root "$root" bundle put-resource --encoded "$work/list.txt" >/dev/null
  measure "restore from zero, $n" "$(stat -c %s "$work/list.txt")" "$root" "$calldir" --root "$root" app restore
done

# Delta update on the 1,000,000-entry device: remove 10,000 of its numbers,
# add 10,000 new ones above them.
root="$work/device-1000000"
make_list 10000 821000000000 100 no > "$work/del.json"
make_list 10000 822000000000 1 > "$work/add.json"
"$calldir" list encode "$work/del.json" -o "$work/del.txt"
"$calldir" list encode "$work/add.json" -o "$work/add.txt"
measure "delta update, 10,000 + 10,000" "$(( $(stat -c %s "$work/del.txt") + $(stat -c %s "$work/add.txt") ))" \
  "$root" "$calldir" --root "$root" app put --del "$work/del.txt" --add "$work/add.txt"
