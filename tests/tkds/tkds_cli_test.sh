#!/usr/bin/env bash
# The tkds command line end to end: build, list (text and JSON), extract, verify,
# and the messages and exit codes of its refusals.
# Usage: tkds_cli_test.sh PATH/TO/tkds
set -uo pipefail
tkds=$(realpath "$1")
work=$(mktemp -d /tmp/tkds-cli.XXXXXX)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/tkds-checks.sh"

cd "$work"
mkdir skin
printf 'doc\0with zero' >doc.txt
head -c 50000 /dev/zero | tr '\0' 'z' >payload.bin
cat >c.manifest <<'MANIFEST'
# a small container
Backgrounds.Sizes.1x   Integer id=3   value=450
Backgrounds.Sizes      Folder  id=2
Backgrounds            Folder  id=1
Data                   Folder  id=116
Data.idoc              String  id=126 compress=yes file=doc.txt
Data.prg               Binary  id=130 compress=yes file=${PAYLOAD}
Secret                 String  id=140 compress=yes password="p w" value="hello \"you\""
MANIFEST

expect_exit 0 "$tkds" --version
expect_out "tkds 1."
expect_exit 0 "$tkds" --help
for c in build list extract verify; do expect_out "  $c "; done
expect_out "a password protects nothing against anyone who has the file"
expect_exit 0 "$tkds" list --help
expect_out "usage: tkds list"
expect_exit 2 "$tkds" frobnicate
expect_err "unknown command 'frobnicate'"
expect_exit 2 "$tkds" build c.manifest
expect_err "missing -o FILE"
expect_exit 2 "$tkds" list --bogus c.tkds
expect_err "unknown option '--bogus'"

expect_exit 0 "$tkds" build c.manifest -o c.tkds -D PAYLOAD=payload.bin
[ -s c.tkds ] || fail "no container written"
[ "$(head -c 5 c.tkds)" = "$(printf 'TKDS\002')" ] || fail "wrong header"

# JSON listing: one object per record, in chain order.
expect_exit 0 "$tkds" list --json c.tkds
python3 - "$work/out" <<'PY' || fail "list --json content"
import json, sys
records = json.load(open(sys.argv[1]))
want = [
    ("Backgrounds.Sizes.1x", 3, 2, "Integer", False, False, 4, 4),
    ("Backgrounds.Sizes", 2, 1, "Folder", False, False, 0, 0),
    ("Backgrounds", 1, 0, "Folder", False, False, 0, 0),
    ("Data", 116, 0, "Folder", False, False, 0, 0),
    ("Data.idoc", 126, 116, "String", True, False, None, 13),
    ("Data.prg", 130, 116, "Binary", True, False, None, 50000),
    ("Secret", 140, 0, "String", True, True, None, None),
]
assert len(records) == len(want), records
for r, (path, id_, parent, type_, comp, enc, stored, decoded) in zip(records, want):
    got = (r["path"], r["id"], r["parentId"], r["type"], r["compressed"], r["enciphered"], r["decodedSize"])
    assert got == (path, id_, parent, type_, comp, enc, decoded), (got, path)
    if stored is not None:
        assert r["storedSize"] == stored, r
PY
expect_exit 0 "$tkds" list --json --password "p w" c.tkds
python3 -c 'import json,sys; r=json.load(open(sys.argv[1])); assert r[-1]["decodedSize"] == 11, r[-1]' "$work/out" ||
  fail "decodedSize with the password"

expect_exit 0 "$tkds" list c.tkds
expect_out "highest id 140, 7 records"
expect_out "  Sizes"
expect_out "    1x"

# Extraction gives the decoded bytes exactly.
expect_exit 0 "$tkds" extract c.tkds Backgrounds.Sizes.1x
[ "$(xxd -p "$work/out")" = "c2010000" ] || fail "Integer bytes: $(xxd -p "$work/out")"
expect_exit 0 "$tkds" extract c.tkds Data.idoc -o idoc.out
cmp -s idoc.out doc.txt || fail "String bytes differ"
expect_exit 0 "$tkds" extract c.tkds Data..prg --output=prg.out
cmp -s prg.out payload.bin || fail "Binary bytes differ"
expect_exit 0 "$tkds" extract --password "p w" c.tkds Secret
[ "$(cat "$work/out")" = 'hello "you"' ] || fail "enciphered text: $(cat "$work/out")"
expect_exit 1 "$tkds" extract c.tkds Secret --password wrong
expect_err "Secret: Invalid password."
expect_exit 1 "$tkds" extract c.tkds Backgrounds
expect_err "Backgrounds is a Folder"
expect_exit 1 "$tkds" extract c.tkds backgrounds.sizes.1x
expect_err "Path invalid."
expect_exit 1 "$tkds" extract c.tkds Backgrounds.Sizes.
expect_err "Path invalid."

# Verification decodes everything; the enciphered node needs its password.
expect_exit 1 "$tkds" verify c.tkds
expect_err "Secret: password not accepted"
expect_exit 0 "$tkds" verify c.tkds --password "p w"
expect_out "all 7 nodes decode"

# Broken containers give the reader's messages.
head -c 13 c.tkds >short.tkds
expect_exit 1 "$tkds" list short.tkds
expect_err "Illegal file format."
head -c $(( $(stat -c %s c.tkds) - 2 )) c.tkds >cut.tkds
expect_exit 1 "$tkds" verify cut.tkds
expect_err "Error in file body."
expect_exit 1 "$tkds" list no-such-file.tkds
expect_err "cannot read no-such-file.tkds"

# Manifest refusals: FILE:LINE: reason, exit 1, no container written.
expect_exit 1 "$tkds" build c.manifest -o nothing.tkds
expect_err "c.manifest:7: undefined variable 'PAYLOAD'"
[ ! -e nothing.tkds ] || fail "container written despite errors"
printf 'A Folder id=1\nA.B Integer id=1 value=2\nC Binary id=3 file=missing.bin\n' >bad.manifest
expect_exit 1 "$tkds" build bad.manifest -o nothing.tkds
expect_err "bad.manifest:2: id 1 already used on line 1"
printf 'C Binary id=3 file=missing.bin\n' >missing.manifest
expect_exit 1 "$tkds" build missing.manifest -o nothing.tkds
expect_err "missing.manifest:1: cannot read"

# Payload stream: compress=lzma nodes go into one LZMA stream after the container.
head -c 200000 "$tkds" >exe.bin
cat >s.manifest <<'MANIFEST'
Data        Folder id=1
Data.exe    Binary id=2 compress=lzma file=exe.bin
Data.none   Binary id=3 compress=lzma value=
Data.text   Binary id=4 compress=lzma file=doc.txt
Data.idoc   String id=5 compress=yes value=doc
MANIFEST
expect_exit 0 "$tkds" build s.manifest -o s.tkds
[ "$(tail -c 8 s.tkds)" = "TKDSTAIL" ] || fail "no tail after the stream"
expect_exit 0 "$tkds" list s.tkds
expect_out "payload stream: "
expect_out "3 node(s) (flag L) decoding to 200013 bytes"
stream_sha256=$(python3 -c 'import hashlib,struct,sys; b=open(sys.argv[1],"rb").read(); n=struct.unpack("<Q",b[-16:-8])[0]; print(hashlib.sha256(b[n:-16]).hexdigest().upper())' s.tkds)
expect_out "SHA-256 $stream_sha256"
expect_exit 0 "$tkds" verify s.tkds
expect_out "all 5 nodes decode"
expect_exit 0 "$tkds" extract s.tkds Data.exe -o exe.out
cmp -s exe.out exe.bin || fail "streamed node's bytes differ"
expect_exit 0 "$tkds" extract s.tkds Data.text -o text.out
cmp -s text.out doc.txt || fail "second streamed node's bytes differ"
expect_exit 0 "$tkds" extract s.tkds Data.none -o none.out
[ -f none.out ] && [ ! -s none.out ] || fail "empty streamed node"
expect_exit 0 "$tkds" extract s.tkds Data.idoc
expect_out "doc"
expect_exit 1 "$tkds" build s.manifest -o -
expect_err "written to a file, not to standard output"
printf 'A Folder id=1\nA.B String id=2 compress=lzma value=x\n' >lzma-string.manifest
expect_exit 1 "$tkds" build lzma-string.manifest -o nothing.tkds
expect_err "lzma-string.manifest:2: compress=lzma applies to a Binary node"

# A changed stream byte, a wrong CRC and a cut stream are refused, and no output is left.
# The stream record is the chain's last: its CRC-32, then its SHA-256, end before the end marker.
container_length=$(python3 -c 'import struct,sys; print(struct.unpack("<Q", open(sys.argv[1],"rb").read()[-16:-8])[0])' s.tkds)
cp s.tkds changed.tkds
printf '\x55' | dd of=changed.tkds bs=1 seek=$((container_length + 5000)) conv=notrunc 2>/dev/null
cp s.tkds wrong-crc.tkds
printf '\x00\x00\x00\x00' | dd of=wrong-crc.tkds bs=1 seek=$((container_length - 2 - 32 - 4)) conv=notrunc 2>/dev/null
{ head -c $((container_length + 3000)) s.tkds; tail -c 16 s.tkds; } >cut-stream.tkds
for spoilt in changed wrong-crc cut-stream; do
  expect_exit 1 "$tkds" verify $spoilt.tkds
  expect_err "payload stream"
  expect_exit 1 "$tkds" extract $spoilt.tkds Data.text -o $spoilt.out
  expect_err "payload stream"
  [ ! -e $spoilt.out ] || fail "$spoilt: extract left $spoilt.out behind"
done
expect_exit 1 "$tkds" verify changed.tkds
expect_err "SHA-256 does not match"
expect_exit 1 "$tkds" list changed.tkds
expect_err "changed.tkds: the payload stream's SHA-256 does not match"
expect_exit 1 "$tkds" verify wrong-crc.tkds
expect_err "CRC-32 does not match"
expect_exit 1 "$tkds" verify cut-stream.tkds
expect_err "cannot be read (truncated file?)"

finish_checks "tkds command line"
