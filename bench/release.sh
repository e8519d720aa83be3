# Sourced by the end-to-end benchmarks from the top of the tree: installs
# what is missing, builds the release preset, and sets $calldir and $work (a
# fresh folder, removed on exit).
scripts/setup
cmake --preset release >/dev/null
cmake --build --preset release >/dev/null
calldir="$PWD/build/release/calldir"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
