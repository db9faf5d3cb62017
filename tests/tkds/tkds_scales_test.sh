#!/usr/bin/env bash
# The skin at display scales through the real tkds and the kit beside it: tkds new
# writes the scaled art, whose setup makes and previews at 200 %; make and build
# refuse scaled art of the wrong size, of a scale or a node they do not check,
# naming each, and write nothing.
# Usage: tkds_scales_test.sh PATH/TO/tkds (the kit built at ../share/tolvik-setup)
set -uo pipefail
tkds=$(realpath "$1")
work=$(mktemp -d /tmp/tkds-scales.XXXXXX)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/tkds-checks.sh"
cd "$work"

expect_exit 0 "$tkds" new vendor
for picture in {150,200}/{background,button,digits,font,units}.png; do
  [ -s "vendor/skin/$picture" ] || fail "tkds new wrote no skin/$picture"
done
expect_exit 0 "$tkds" make vendor/container.manifest -o setup.exe
expect_exit 0 "$tkds" preview setup.exe -o window-200.png --scale 2
[ "$(identify -format %wx%h window-200.png)" = 900x414 ] || fail "preview --scale 2 is not 900 x 414"

# A 150 % font where the 200 % one belongs, a node that is no picture, a scale
# of 100 %: each refused with its line, and no output.
cp vendor/skin/150/font.png vendor/skin/200/font.png
printf '%s\n' "Scales.200.License String id=2132 compress=yes file=product/License.txt" \
  "Scales.100 Folder id=1100" >>vendor/container.manifest
for command in make build; do
  expect_exit 1 "$tkds" $command vendor/container.manifest -o refused.out -D UNINSTALL=setup.exe
  expect_err "Scales.200.Font: skin/200/font.png is 756 x 20; at 200 % it must be 1008 x 26"
  expect_err "Scales.200.License: 'License' is not a picture of the skin"
  expect_err "Scales.100: '100' is not a scale: give a whole percent from 101 to 400"
done
[ "$(ls -A)" = "$(printf 'err\nout\nsetup.exe\nvendor\nwindow-200.png')" ] || fail "left behind: $(ls -A)"

finish_checks "tkds scales"
