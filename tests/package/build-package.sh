#!/usr/bin/env bash
# Builds the Debian package with cpack in the native build folder and checks its
# name and control fields.
# Usage: build-package.sh NATIVE_BUILD_DIR EXPECTED.deb
set -euo pipefail
build=$1
deb=$2
rm -f "$deb"
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
[ -f "$deb" ] || { echo "FAIL: cpack made no $(basename "$deb")"; ls "$(dirname "$deb")"; exit 1; }
failures=0
field() { dpkg-deb -f "$deb" "$1"; }
expect() {  # expect FIELD PATTERN
  if grep -qE -- "$2" <<<"$(field "$1")"; then echo "ok: $1 ~ $2"; else echo "FAIL: $1 is '$(field "$1")'"; failures=$((failures + 1)); fi
}
expect Package '^tolvik-setup$'
expect Architecture "^$(dpkg --print-architecture)\$"
expect Depends 'libpng16-16'
expect Depends 'zlib1g'
expect Recommends '^osslsigncode$'
expect Section '^devel$'
dpkg-deb -c "$deb" | awk '{ print $6 }' >"$build/package/contents.txt"
for path in ./usr/bin/tkds ./usr/share/man/man1/tkds.1.gz ./usr/share/doc/tolvik-setup/copyright \
            ./usr/share/doc/tolvik-setup/changelog.gz ./usr/share/doc/tolvik-setup/making-your-own-installer.md \
            ./usr/share/tolvik-setup/sample/container.manifest; do
  if grep -qx -- "$path" "$build/package/contents.txt"; then echo "ok: holds $path"; else echo "FAIL: lacks $path"; failures=$((failures + 1)); fi
done
for arch in x86 x64; do
  for file in setup-stub.exe TKUNTOOL.EXE; do
    path=./usr/share/tolvik-setup/stubs/$arch/$file
    if grep -qx -- "$path" "$build/package/contents.txt"; then echo "ok: holds $path"; else echo "FAIL: lacks $path"; failures=$((failures + 1)); fi
  done
done
[ "$failures" -eq 0 ] || { echo "FAILED: $failures check(s)"; exit 1; }
