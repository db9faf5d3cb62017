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
# A product for the user: its container says so, and its setup asks for no
# elevation, in the stub's own manifest; a machine product's stays as it was.
check "tkds make --scope user" "$tkds" make acme/container.manifest --scope user -o acme-user.exe
check "tkds list: scope user" grep -qx "scope: user" <("$tkds" list acme-user.exe)
check "tkds list: scope machine without the node" grep -qx "scope: machine" <("$tkds" list acme-setup.exe)
check "the node Scope holds user" test "$("$tkds" extract acme-user.exe Scope)" = user
manifest_of() { wrestool -x --raw --type=24 --name=1 "$1"; }
check "wrestool: the user product's manifest asks for asInvoker" grep -q 'level="asInvoker"' <(manifest_of acme-user.exe)
check "and is the stub's in all else" cmp -s <(manifest_of acme-user.exe | sed 's/"asInvoker"/"requireAdministrator"/') \
  <(manifest_of "$work/root/usr/share/tolvik-setup/stubs/x86/setup-stub.exe")
check "the machine product's asks for requireAdministrator" grep -q 'level="requireAdministrator"' <(manifest_of acme-setup.exe)
printf '\nw1,helper.dll,wn,f,f,Helper\n' >>acme/content/Data.idoc
"$tkds" make acme/container.manifest --scope both -o acme-both.exe 2>both.txt
check "a product for either with a file for the Windows folder: refused, naming it" grep -q "puts helper.dll into the Windows folder" both.txt
check "tkds make --scope Machine: a usage error" test "$("$tkds" make acme/container.manifest --scope Machine -o x.exe 2>/dev/null; echo $?)" = 2
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
