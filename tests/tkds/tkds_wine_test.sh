#!/usr/bin/env bash
# The Windows build of tkds under Wine: it builds, lists and extracts containers
# and says clearly that it cannot convert PNG files.
# Usage: tkds_wine_test.sh WIN64_BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tkds_exe=$(realpath "$1/tools/tkds/tkds.exe")
source "$here/../wine/wine-env.sh"
wine_env_start || exit 1
work=$(mktemp -d /tmp/tkds-wine.XXXXXX)
trap 'wine_env_stop; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cd "$work"
printf 'payload bytes' >payload.bin
cat >plain.manifest <<'MANIFEST'
Sizes Folder id=1
Sizes.1x Integer id=2 value=450
Data Binary id=3 compress=yes file=payload.bin
Secret String id=4 password="pw" value="hello"
MANIFEST
printf 'Font Binary id=1 file=font.png convert=dib24\n' >png.manifest

"$WINE64" "$tkds_exe" build plain.manifest -o plain.tkds >out.txt 2>err.txt || fail "build: $(cat err.txt)"
"$WINE64" "$tkds_exe" extract plain.tkds Data -o data.out 2>err.txt || fail "extract: $(cat err.txt)"
cmp -s data.out payload.bin || fail "extracted bytes differ"
"$WINE64" "$tkds_exe" list --json --password pw plain.tkds >list.json 2>err.txt || fail "list: $(cat err.txt)"
python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); assert [x["decodedSize"] for x in r] == [0, 4, 13, 5], r' \
  list.json || fail "list --json content"
"$WINE64" "$tkds_exe" build png.manifest -o png.tkds >out.txt 2>err.txt && fail "PNG build succeeded"
grep -qF "tkds: PNG conversion is not available in this build" err.txt || fail "PNG message: $(cat err.txt)"

# An output is renamed over what is there, leaving no temporary file; a device
# is no input.
"$WINE64" "$tkds_exe" build plain.manifest -o data.out 2>err.txt || fail "build over a file: $(cat err.txt)"
cmp -s data.out plain.tkds || fail "the container written over a file differs"
[ -z "$(find . -name '.*.tmp')" ] || fail "temporary files left: $(find . -name '.*.tmp')"
printf 'N Binary id=1 file=NUL\n' >device.manifest
"$WINE64" "$tkds_exe" build device.manifest -o device.tkds >out.txt 2>err.txt && fail "NUL read as an input"
grep -qF "device.manifest:1: cannot read NUL: not a regular file" err.txt || fail "NUL: $(cat err.txt)"

[ "$failures" -eq 0 ] || exit 1
echo "tkds.exe under Wine: all checks passed"
