#!/usr/bin/env bash
# End-to-end speed and memory of the request path through `calldir reload`
# (release build): restores from zero of 10,000, 100,000, 1,000,000 and
# 10,000,000 entries (the last with the cap raised), a delta update of 10,000
# removals and 10,000 additions on the 1,000,000-entry store, a 10,000,000-
# entry list against the default cap (it must fail with error 5, fast), and a
# lookup of 10,000 numbers in one call on the 1,000,000-entry store.
#
# Prints a table (best and median of RUNS runs, default 5; SIZES to choose
# the restores, default "10000 100000 1000000 10000000") and writes it with a
# plot of time and peak memory against size to bench/results/ (PNG, through
# gnuplot). Run: bench/restore.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/release.sh
runs=${RUNS:-5}
sizes=${SIZES:-"10000 100000 1000000 10000000"}
results="$PWD/bench/results"
mkdir -p "$results"

field() { sed -E "s/.*\"$1\": ([^,}]*).*/\1/" <<<"$2"; }
nth() { printf '%s\n' "${@:2}" | sort -g | sed -n "$1p"; }

# Runs PREPARE then `reload --json` RUNS times on ROOT; prints one table row
# and appends "entries wall_best wall_median cpu_best ext_peak_mb service_peak_mb" to DATA.
measure() {  # NAME ENTRIES BYTES ROOT DATA EXTRA_RELOAD_ARGS PREPARE...
  local name=$1 entries=$2 bytes=$3 root=$4 data=$5 extra=$6
  shift 6
  local walls=() cpus=() peaks=() services=()
  for _ in $(seq "$runs"); do
    "$@" >/dev/null 2>&1
    out=$("$calldir" --root "$root" reload --json $extra 2>/dev/null) || true
    [ "$(field completed "$out")" = true ] || { echo "$name failed: $out" >&2; exit 1; }
    walls+=("$(field wall_seconds "$out")"); cpus+=("$(field extension_cpu_seconds "$out")")
    peaks+=("$(field extension_peak_bytes "$out")"); services+=("$(field service_peak_bytes "$out")")
  done
  local m=$(( (runs + 1) / 2 ))
  local row
  row=$(printf '%-34s %12d %7s %7s %7s %7s %8.0f %8.0f %6.2f' "$name" "$bytes" "$(nth 1 "${walls[@]}")" "$(nth $m "${walls[@]}")" \
    "$(nth 1 "${cpus[@]}")" "$(nth $m "${cpus[@]}")" "$(echo "$(nth $m "${peaks[@]}") / 1048576" | bc -l)" \
    "$(echo "$(nth $m "${services[@]}") / 1048576" | bc -l)" "$(echo "$(nth $m "${peaks[@]}") / $bytes" | bc -l)")
  echo "$row" | tee -a "$results/restore.txt"
  if [ -n "$data" ]; then
    echo "$entries $(nth 1 "${walls[@]}") $(nth $m "${walls[@]}") $(nth 1 "${cpus[@]}") \
$(echo "$(nth $m "${peaks[@]}") / 1048576" | bc -l) $(echo "$(nth $m "${services[@]}") / 1048576" | bc -l)" >> "$data"
  fi
}

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

: > "$results/restore.txt"
: > "$work/restore.dat"
{ echo "# bench/restore.sh, $(date -u +%Y-%m-%d), $(cpuCount) cores, RUNS=$runs"
  printf '%-34s %12s %15s %15s %17s %6s\n' "measurement" "list bytes" "wall s" "ext. CPU s" "peak MB: ext. svc." "ext/list"
  printf '%-34s %12s %7s %7s %7s %7s\n' "" "" "best" "median" "best" "median"; } | tee -a "$results/restore.txt"
for n in $sizes; do
  root="$work/device-$n"
  "$calldir" --root "$root" init >/dev/null
  "$calldir" --root "$root" enable >/dev/null
  make_list "$n" 821000000000 1 > "$work/plain.json"
  "$calldir" list encode "$work/plain.json" -o "$work/list-$n.txt"
  rm "$work/plain.json"
  "$calldir" --root "$root" bundle put-resource --encoded "$work/list-$n.txt" >/dev/null 2>&1
  measure "restore from zero, $n" "$n" "$(fileSize "$work/list-$n.txt")" "$root" "$work/restore.dat" \
    "--max-entries $(( n > 2000000 ? n : 2000000 ))" "$calldir" --root "$root" app restore
done

# Delta update on the 1,000,000-entry device: remove 10,000 of its numbers, add 10,000 new ones.
root="$work/device-1000000"
if [ -d "$root" ]; then
  make_list 10000 821000000000 100 no > "$work/del.json"
  make_list 10000 822000000000 1 > "$work/add.json"
  "$calldir" list encode "$work/del.json" -o "$work/del.txt"
  "$calldir" list encode "$work/add.json" -o "$work/add.txt"
  measure "delta update, 10,000 + 10,000" 20000 "$(( $(fileSize "$work/del.txt") + $(fileSize "$work/add.txt") ))" \
    "$root" "" "" "$calldir" --root "$root" app put --replace --del "$work/del.txt" --add "$work/add.txt"
  # A lookup of 10,000 numbers in one call.
  numbers=$(awk 'BEGIN { for (i = 0; i < 10000; i++) printf "%.0f ", 821000000000 + i * 97 }')
  best=""
  for _ in $(seq "$runs"); do
    timed "$work/time" "$calldir" --root "$root" lookup $numbers || true
    read -r t _ <"$work/time"; if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
  done
  printf '%-34s %12s %7s\n' "lookup of 10,000 numbers" "" "$best" | tee -a "$results/restore.txt"
fi

# A 10,000,000-entry list against the default cap of 2,000,000: how fast it fails.
if [ -f "$work/list-10000000.txt" ]; then
  root="$work/device-10000000"
  "$calldir" --root "$root" app restore >/dev/null
  out=$("$calldir" --root "$root" reload --json 2>/dev/null) || true
  printf '%-34s %12s %7s  error %s\n' "10,000,000 against the cap" "" "$(field wall_seconds "$out")" \
    "$(sed -E 's/.*"code": ([0-9]+).*/\1/' <<<"$out")" | tee -a "$results/restore.txt"
  # Time per entry against the next smaller size: linear means 1.00.
  awk 'NR > 1 && prev_n > 0 { printf "per-entry time, %d vs %d entries: %.2fx\n", $1, prev_n, ($2 / $1) / (prev_t / prev_n) }
       { prev_n = $1; prev_t = $2 }' "$work/restore.dat" | tee -a "$results/restore.txt"
fi

cp "$work/restore.dat" "$results/restore.dat"
if command -v gnuplot >/dev/null; then
  gnuplot <<PLOT
set terminal pngcairo size 1000,420 font ",10"
set output "$results/restore.png"
set multiplot layout 1,2 title "calldir restore from zero, end to end (bench/restore.sh, best of $runs)"
set logscale xy
set xlabel "entries"
set grid
set key top left
set ylabel "seconds"
plot "$results/restore.dat" using 1:2 with linespoints title "wall, best", "" using 1:4 with linespoints title "extension CPU, best"
set ylabel "MB"
plot "$results/restore.dat" using 1:5 with linespoints title "extension peak", "" using 1:6 with linespoints title "service peak"
unset multiplot
PLOT
  echo "plot: $results/restore.png"
fi
