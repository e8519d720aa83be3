#!/usr/bin/env bash
# The Debian package, as a user gets it: built with CPack, unpacked into a
# temporary folder with dpkg-deb -x, and its command run against a device
# root of its own: a restore and a lookup, the man page and the completions.
#   tests/package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
cmake --build "$build" --target package >/dev/null
deb=$(ls "$build"/calldir_*_*.deb)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/unpacked"
dpkg-deb -f "$deb" Depends | grep -q libsqlite3 || { echo "no library dependencies declared" >&2; exit 1; }
for file in usr/bin/calldir usr/libexec/calldir/calldir-extension usr/share/man/man1/calldir.1 \
            usr/share/bash-completion/completions/calldir usr/share/zsh/vendor-completions/_calldir \
            usr/share/zsh/site-functions/_calldir usr/share/fish/vendor_completions.d/calldir.fish; do
  [ -e "$work/unpacked/$file" ] || { echo "the package has no $file" >&2; exit 1; }
done
# The tarball holds the same tree, for systems without dpkg.
tarball=$(ls "$build"/calldir-*.tar.gz)
tar -tzf "$tarball" > "$work/listing"
grep -q '/bin/calldir$' "$work/listing" || { echo "$(basename "$tarball") has no bin/calldir" >&2; exit 1; }
grep -q '/share/zsh/site-functions/_calldir$' "$work/listing" || { echo "the tarball has no zsh completion" >&2; exit 1; }
# The unpacked command finds the extension beside it in the package's own
# libexec, and nowhere else.
calldir() { env -u CALLDIR_EXTENSION -u CALLDIR_ROOT "$work/unpacked/usr/bin/calldir" --root "$work/device" "$@"; }
calldir init >/dev/null
calldir enable >/dev/null
calldir bundle put-resource "$source/examples/callers.json" >/dev/null 2>&1
calldir app restore --reload >/dev/null
[ "$(calldir lookup 821012345678)" = "$(printf '821012345678\tCity Hall')" ] || { echo "the lookup missed" >&2; exit 1; }
echo "package $(basename "$deb"): restore and lookup ran from the unpacked package"
