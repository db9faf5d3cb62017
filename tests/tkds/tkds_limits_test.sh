#!/usr/bin/env bash
# tkds against inputs made to eat the machine: small files that name gigabytes of
# memory or work (made at test time by hostile_inputs.py). Each command runs
# under a memory cap and a time limit, and must end with its clear message.
# Usage: tkds_limits_test.sh PATH/TO/tkds
set -uo pipefail
tkds=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/tkds-limits.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Memory cap: the address space natively; AddressSanitizer reserves terabytes of
# address space for itself, so an instrumented tkds is capped by its resident size.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}hard_rss_limit_mb=512"
sanitized=false
grep -q __asan_init "$tkds" && sanitized=true
capped() {
  if $sanitized; then
    timeout 120 "$@"
  else
    (ulimit -v $((512 * 1024)) && exec timeout 120 "$@")
  fi
}
RUN_PREFIX=capped
source "$here/tkds-checks.sh"

cd "$work"
python3 "$here/hostile_inputs.py" "$work" || { echo "cannot make the inputs" >&2; exit 1; }

# A chain of 40,000 parents: full paths for every node would take gigabytes.
expect_exit 0 "$tkds" list deep.tkds
expect_out "40000 records"
expect_out "lie more than 64 levels deep"
widest=$(awk '{ match($0, /^ */); if (RLENGTH > w) w = RLENGTH } END { print w + 0 }' "$work/out")
[ "$widest" -le 130 ] || fail "the tree indents $widest columns"
[ "$(stat -c %s "$work/out")" -lt 8000000 ] || fail "list prints $(stat -c %s "$work/out") bytes"
expect_exit 0 "$tkds" list --json deep.tkds
python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); assert len(r) == 40000 and r[63]["path"].count(".") == 63 and r[64]["path"] is None and r[64]["beyondPathCap"], r[64]' "$work/out" ||
  fail "list --json of the deep chain"
expect_exit 0 "$tkds" verify deep.tkds
expect_out "all 40000 nodes decode"
expect_err "39936 node(s) lie more than 64 levels deep"

# 50 records sharing one 32 MB stream decode it once; two streams of 32 MB do
# not fit in 48 MB, and the default of 1024 MB is said in --help.
expect_exit 0 "$tkds" list --json --max-decoded 48 overlap.tkds
python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); assert [x["decodedSize"] for x in r] == [32 << 20] * 50, r[:2]' "$work/out" ||
  fail "the shared stream's size in every record"
expect_exit 0 "$tkds" verify --max-decoded=48 overlap.tkds
expect_exit 1 "$tkds" verify --max-decoded 48 two-streams.tkds
expect_err "two-streams.tkds: decoding stopped at the limit of 48 MB of decoded data (--max-decoded MB raises it)"
expect_exit 1 "$tkds" list --max-decoded 48 two-streams.tkds
expect_err "decoding stopped at the limit of 48 MB"
expect_exit 1 "$tkds" extract --max-decoded 16 two-streams.tkds a -o a.bin
expect_err "a: decoding stopped at the limit of 16 MB"
expect_exit 0 "$tkds" extract two-streams.tkds b -o b.bin
[ "$(stat -c %s b.bin)" -eq $((32 << 20)) ] || fail "extract within the default limit"
expect_exit 2 "$tkds" list --max-decoded 0 overlap.tkds
expect_err "--max-decoded needs a whole number of megabytes"
expect_exit 0 "$tkds" --help
expect_out "--max-decoded MB"
expect_out "(default 1024)"

# preview draws the payloads' total, not their bytes: 30 lines naming one 32 MB
# payload decode nothing of it (not 960 MB), so 1 MB of decoding is plenty.
for limit in 1024 1; do
  rm -f preview.png
  expect_exit 0 "$tkds" preview --max-decoded "$limit" preview.tkds -o preview.png
  grep -q "could not be read" "$work/err" && fail "preview: $(head -c 300 "$work/err")"
  [ -s preview.png ] || fail "no preview picture"
done

# file= takes regular files of at most 4 GB; each refusal names its line.
mkfifo pipe
truncate -s 5G big.bin
printf 'A Binary id=1 file=/dev/zero\nB Binary id=2 file=pipe\nC Binary id=3 file=big.bin\nD Binary id=4 file=pipe convert=rgb\n' >files.manifest
expect_exit 1 "$tkds" build files.manifest -o files.tkds
expect_err "files.manifest:1: cannot read /dev/zero: not a regular file"
expect_err "files.manifest:2: cannot read pipe: not a regular file"
expect_err "files.manifest:3: cannot read big.bin: larger than 4 GB (5368709120 bytes)"
expect_err "files.manifest:4: pipe: not a regular file"
[ ! -e files.tkds ] || fail "container written despite errors"

# A 1-bit PNG's size is judged by the 8-bit RGBA the conversion makes of it.
printf 'P Binary id=1 file=tall-1bit.png convert=rgb\n' >png.manifest
expect_exit 1 "$tkds" build png.manifest -o png.tkds
expect_err "png.manifest:1: tall-1bit.png: picture too large (65535 x 4096"

# tkds make's own inputs. An icon whose 65535 entries all name one 1 MB image
# would be copied once per entry (64 GB): images may not overlap.
printf 'pit=pf\nname=Big\nregrecord=Big\ndeffolder=Big\ngroupname=Big\n' >doc.txt
printf 'Data Folder id=1\nData.idoc String id=2 file=doc.txt\n' >make.manifest
mkdir -p nsis-stubs/x86
cp /usr/share/nsis/Stubs/zlib-x86-unicode nsis-stubs/x86/setup-stub.exe
expect_exit 1 "$tkds" make make.manifest --stubs nsis-stubs --icon one-image.ico -o icon.exe
expect_err "icon one-image.ico: images 1 and 2 overlap in the icon file"
[ ! -e icon.exe ] || fail "a setup made with the overlapping icon"
# A setup for the user asks for asInvoker in the stub's manifest, which this stub
# lacks; and the node that says whom a product is for is make's alone.
expect_exit 1 "$tkds" make make.manifest --stubs nsis-stubs --scope user -o user.exe
expect_err "stub nsis-stubs/x86/setup-stub.exe cannot start without elevation: it has no application manifest"
printf 'Scope String id=3 value=user\n' | cat make.manifest - >own-scope.manifest
expect_exit 1 "$tkds" make own-scope.manifest --stubs nsis-stubs -o own-scope.exe
expect_err "own-scope.manifest:3: 'Scope' is the node tkds make writes for --scope"
# A stub whose 20,000 resources sit under one 128 KB name, which each resource
# held a copy of (5 GB): the name is shared, and the setup is made.
expect_exit 0 "$tkds" make make.manifest --stubs names-stubs -o names.exe
/usr/bin/python3 - names.exe <<'PY' || fail "the resources of the stub with one long name"
import pefile, sys
pe = pefile.PE(sys.argv[1], fast_load=True)
pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
named = [e for e in pe.DIRECTORY_ENTRY_RESOURCE.entries if e.name is not None and len(str(e.name)) == 65535]
assert len(named) == 1, [str(e.name)[:20] for e in pe.DIRECTORY_ENTRY_RESOURCE.entries]
PY
# Names that overlap, each starting 2 bytes after the one before: 32,768 names of
# some 120 KB each in a 1.2 MB file. What is read is capped by the section.
expect_exit 1 "$tkds" make make.manifest --stubs shifted-stubs -o shifted.exe
expect_err "stub shifted-stubs/x86/setup-stub.exe: the resource names add up to more than the resource section"

finish_checks "tkds limits"
