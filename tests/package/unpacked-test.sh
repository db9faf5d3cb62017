#!/usr/bin/env bash
# The package's own tkds, unpacked into a temporary root with dpkg-deb -x and run
# from there: it finds its stubs and sample beside itself and makes an
# installer. Its --help and its man page cover every command.
# Usage: unpacked-test.sh PACKAGE.deb
set -uo pipefail
deb=$(realpath "$1")
work=$(mktemp -d /tmp/tolvik-deb.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else echo "FAIL: $what"; failures=$((failures + 1)); fi; }

dpkg-deb -x "$deb" "$work/root"
tkds="$work/root/usr/bin/tkds"
cd "$work"
check "tkds new acme" "$tkds" new acme
check "tkds make acme/container.manifest -o acme-setup.exe" "$tkds" make acme/container.manifest -o acme-setup.exe
check "the installer carries its container" grep -q -- "--type='STORAGE' --name=129" <(wrestool -l acme-setup.exe)
pe_machine() { od -An -tx2 -j $(($(od -An -tu4 -j60 -N4 "$1") + 4)) -N2 "$1" | tr -d ' '; }
check "x86 by default" test "$(pe_machine acme-setup.exe)" = 014c
check "and x64 on request" "$tkds" make acme/container.manifest --arch x64 -o acme-setup64.exe
check "an x64 program" test "$(pe_machine acme-setup64.exe)" = 8664
# Without the package's kit beside it, the same tkds has no stubs: the ones it
# used were those.
mv root/usr/share/tolvik-setup root/kit-elsewhere
"$tkds" make acme/container.manifest -o no-kit.exe 2>no-kit.txt
check "the kit it finds is the one beside the binary" grep -qF "$work/root/usr/share/tolvik-setup/stubs" no-kit.txt
mv root/kit-elsewhere root/usr/share/tolvik-setup

"$tkds" --help >help.txt
commands=$(sed -n 's/^  \([a-z]\+\) .*/\1/p; s/^  \([a-z]\+\)$/\1/p' help.txt)
check "--help lists the commands" test "$(wc -w <<<"$commands")" -ge 7
MANWIDTH=80 man --warnings -l "$work/root/usr/share/man/man1/tkds.1.gz" 2>man-warnings.txt | col -b >man.txt
check "the man page renders without warnings" test ! -s man-warnings.txt
for command in $commands; do
  check "the man page shows 'tkds $command'" grep -q "^ *tkds $command" man.txt
  check "and --help of $command works" bash -c "\"$tkds\" $command --help >/dev/null"
done
for option in $(grep -o -- '--[a-z0-9-]\+' <("$tkds" make --help) | sort -u); do
  check "the man page explains make's $option" grep -q -- "$option" man.txt
done

[ "$failures" -eq 0 ] || { echo "FAILED: $failures check(s)"; exit 1; }
