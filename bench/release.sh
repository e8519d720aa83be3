# Sourced by the end-to-end benchmarks from the top of the tree: installs
# what is missing, builds the release preset, and sets $calldir and $work (a
# fresh folder, removed on exit).
scripts/setup
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
calldir="$PWD/build/release/calldir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# What the benchmarks need of the system, the same on Linux, macOS and the BSDs.
fileSize() { wc -c <"$1" | tr -d ' '; }
cpuCount() { getconf _NPROCESSORS_ONLN 2>/dev/null || echo 1; }
# The lines of standard input in an order that is the same on every run.
shuffled() { awk 'BEGIN { srand(1) } { printf "%.12f\t%s\n", rand(), $0 }' | sort -k1,1 | cut -f2-; }
# Which time(1) this system has: GNU's, BSD's (-l), or none (the shell's own clock).
if /usr/bin/time -f "%e %M" -o /dev/null true 2>/dev/null; then
  time_kind=gnu
elif /usr/bin/time -l true >/dev/null 2>&1; then
  time_kind=bsd
else
  time_kind=shell
fi
# timed OUT COMMAND...: runs COMMAND (its output dropped) and writes "WALL_SECONDS PEAK_KB" to OUT
# (PEAK_KB "0" where the system's time(1) cannot tell); returns COMMAND's exit status.
timed() {
  local out=$1 rc=0
  shift
  if [ "$time_kind" = gnu ]; then
    /usr/bin/time -f "%e %M" -o "$out" "$@" >/dev/null 2>&1 || rc=$?
    tail -n 1 "$out" >"$out.last" && mv "$out.last" "$out"  # after "Command exited with non-zero status"
  elif [ "$time_kind" = bsd ]; then  # seconds, and the peak in bytes (macOS) or KB
    /usr/bin/time -l "$@" >/dev/null 2>"$out.raw" || rc=$?
    awk -v unit="$([ "$(uname -s)" = Darwin ] && echo 1024 || echo 1)" \
      '/ real / { wall = $1 } /maximum resident set size/ { peak = int($1 / unit) } END { print wall, peak + 0 }' \
      "$out.raw" >"$out"
  else  # the shell's own clock, and no peak
    local TIMEFORMAT=%R
    { time "$@" >/dev/null 2>&1 || rc=$?; } 2>"$out.raw"
    echo "$(tail -n 1 "$out.raw") 0" >"$out"
  fi
  return "$rc"
}
