#!/usr/bin/env bash
# A folder of a real product in one manifest line: a copy of part of this
# machine's Python standard library packed with "Data.* Tree", every file read
# back byte for byte with tkds extract, the document's lines checked, and the
# refusals (links, a "*" line that names nothing, case twins, commas, devices).
# Usage: tkds_tree_test.sh PATH/TO/tkds
set -uo pipefail
tkds=$(realpath "$1")
work=$(mktemp -d /tmp/tkds-tree.XXXXXX)
trap 'rm -rf "$work"' EXIT
source "$(dirname "$0")/tkds-checks.sh"

cd "$work"
mkdir -p vendor/product
(cd /usr/lib/python3.11 && cp -r --parents email json http xml logging urllib html wsgiref asyncio importlib \
  "$work/vendor/product/")
find vendor/product -type f | wc -l >count.txt
[ "$(cat count.txt)" -ge 250 ] || fail "only $(cat count.txt) files copied"
printf 'vendor file\n' >vendor/own.txt
printf 'pit=pf\r\nname=Python Setup\r\nregrecord=Py\r\ndeffolder=Py\r\ngroupname=Py 3.11\r\n\r\n' >vendor/doc.idoc
printf '*,json\\__init__.py,pit,t,t,Python JSON\r\nf3,own.txt,wn,f,f,own' >>vendor/doc.idoc
# The vendor's own key f1 and id 200, and the document's key f3, are taken.
cat >vendor/container.manifest <<'MANIFEST'
Data            Folder  id=116
Data.idoc       String  id=126 compress=yes file=doc.idoc
Data.*          Tree    dir=product compress=yes
Data.f1         Binary  id=200 compress=yes file=own.txt
MANIFEST

expect_exit 0 "$tkds" build vendor/container.manifest -o tree.tkds
expect_exit 0 "$tkds" list --json tree.tkds
cp "$work/out" list.json
expect_exit 0 "$tkds" extract tree.tkds Data.idoc -o doc.out
expect_exit 0 "$tkds" verify tree.tkds

# Every file has its node and its line; the nodes' bytes are the files'.
python3 - "$tkds" "$work" <<'PY' || fail "the tree does not round-trip"
import json, os, subprocess, sys
tkds, work = sys.argv[1], sys.argv[2]
root = os.path.join(work, "vendor", "product")
files = sorted(os.path.relpath(os.path.join(d, f), root).replace("/", "\\")
               for d, _, names in os.walk(root) for f in names)
records = json.load(open(os.path.join(work, "list.json")))
ids = [r["id"] for r in records]
assert len(ids) == len(set(ids)), "an id is used twice"
by_path = {r["path"]: r for r in records}
assert by_path["Data.f1"]["id"] == 200, "the vendor's own node changed"
text = open(os.path.join(work, "doc.out"), "rb").read().decode()
lines = text.split("\r\n")
assert "\n" not in text.replace("\r\n", ""), "a line end other than CR LF"
star = [l for l in lines if l.endswith(",pit,t,t,Python JSON")]
assert len(star) == 1 and star[0].split(",")[1] == "json\\__init__.py", star
original = open(os.path.join(work, "vendor", "doc.idoc"), "rb").read().decode()
assert text.startswith(original.replace("*,json", star[0].split(",")[0] + ",json") + "\r\n"), "the vendor's lines changed"
tree_lines = [l for l in lines if l.count(",") == 5 and l.split(",")[2] == "pit"]
named = {}
for line in tree_lines:
    key, path, folder, menu, desk, name = line.split(",")
    assert path not in named, "two lines for " + path
    named[path] = key
    if line not in star:
        assert (menu, desk, name) == ("f", "f", path.split("\\")[-1]), line
assert sorted(named) == files, "lines and files differ"
keys = list(named.values())
assert "f1" not in keys and "f3" not in keys, "a vendor key was taken"
appended = [l.split(",")[1] for l in tree_lines if l not in star]
assert appended == [f for f in files if f != "json\\__init__.py"], "not in byte order"
for path, key in named.items():
    node = by_path["Data." + key]
    assert node["type"] == "Binary" and node["compressed"] and node["parentId"] == 116, node
    data = subprocess.run([tkds, "extract", os.path.join(work, "tree.tkds"), "Data." + key],
                          check=True, capture_output=True).stdout
    with open(os.path.join(root, *path.split("\\")), "rb") as f:
        assert f.read() == data, "bytes differ: " + path
print(len(named), "files round-trip")
PY

# Without compress= this tkds (built with the LZMA encoder) puts the tree into
# the payload stream: every Data.fN node is streamed, the vendor's own is not,
# and the stream holds the files by type, then name.
sed -i 's/dir=product compress=yes/dir=product/' vendor/container.manifest
expect_exit 0 "$tkds" build vendor/container.manifest -o tree-lzma.tkds
cp "$work/err" progress.txt
expect_exit 0 "$tkds" list --json tree-lzma.tkds
python3 - "$work/out" <<'PY' || fail "a Tree without compress= is not in the payload stream"
import json, sys
records = json.load(open(sys.argv[1]))
nodes = {r["path"]: r for r in records if (r["path"] or "").startswith("Data.f")}
assert not nodes["Data.f1"]["streamed"], nodes["Data.f1"]
assert len(nodes) > 100 and all(r["streamed"] for p, r in nodes.items() if p != "Data.f1"), "not streamed"
PY
python3 - "$work/out" "$tkds" <<'PY' || fail "the stream does not hold the tree's files by type, then name"
import json, subprocess, sys
records, tkds = json.load(open(sys.argv[1])), sys.argv[2]
document = subprocess.run([tkds, "extract", "tree-lzma.tkds", "Data.idoc"], capture_output=True, check=True).stdout
relative = {line.split(b",")[0].decode(): line.split(b",")[1].decode() for line in document.splitlines()
            if line.count(b",") >= 5}
def order(path):
    name = relative[path[len("Data."):]].split("\\")[-1]
    return (name.rsplit(".", 1)[1].lower() if "." in name[1:] else "", name)
streamed = sorted((r for r in records if r["streamed"] and r["path"]), key=lambda r: r["offset"])
keys = [order(r["path"]) for r in streamed]
assert keys == sorted(keys) and len({k[0] for k in keys}) > 1, keys[:20]
PY
# Its progress, on standard error for a log: what the encoder holds, then a line at
# each tenth of the bytes read, then the totals; --quiet shows none and makes the
# same container.
python3 - progress.txt <<'PY' || fail "the progress lines are not a log's"
import re, sys
lines = open(sys.argv[1]).read().splitlines()
assert re.fullmatch(r"payload: \d+ files, [\d.]+ MB; LZMA dictionary [\d.]+ MB, 1 thread, encoder memory \d+ MB",
                    lines[0]), lines
assert 5 <= len(lines) - 2 <= 9, lines
assert all(re.fullmatch(r"payload: \d+/\d+ files, [\d.]+/[\d.]+ MB read, [\d.]+ MB written \([\d.]+ %\), "
                        r"[\d.]+ MB/s(, .* left)?", line) for line in lines[1:-1]), lines
assert re.fullmatch(r"payload: \d+ files, [\d.]+ MB read, [\d.]+ MB written \([\d.]+ %\), in [\d.]+ s", lines[-1]), lines
PY
expect_exit 0 "$tkds" build vendor/container.manifest -o tree-quiet.tkds --quiet
[ ! -s "$work/err" ] || fail "--quiet still shows: $(head -c 300 "$work/err")"
cmp -s tree-lzma.tkds tree-quiet.tkds || fail "--quiet made another container"
sed -i 's/^Data.\*          Tree    dir=product$/Data.*          Tree    dir=product compress=yes/' vendor/container.manifest

# A product above 64 MB goes into the stream in chunks, encoded side by side;
# the setup made (its file name aside) does not depend on the number of threads. Each file is a part
# of this tree's files and zeros (quick to encode), so that chunk ends fall
# inside files; a changed byte in the second chunk is refused, and nothing is left.
mkdir -p big/stubs/x86 big/one big/two
cp /usr/share/nsis/Stubs/zlib-x86-unicode big/stubs/x86/setup-stub.exe
(cd vendor/product && tar cf - json email) >big/head.tar
printf 'pit=pf\nname=Big\nregrecord=Big\ndeffolder=Big\ngroupname=Big\n' >big/doc.txt
printf 'Data Folder id=1\nData.idoc String id=2 file=doc.txt\n' >big/big.manifest
for i in 1 2 3; do
  { cat big/head.tar; head -c 25M /dev/zero; echo "part $i"; } >big/part$i.bin
  echo "Data.p$i Binary id=$((10 + i)) compress=lzma file=part$i.bin" >>big/big.manifest
done
expect_exit 0 "$tkds" make big/big.manifest --stubs big/stubs -o big/one/setup.exe --threads 1
expect_err "LZMA dictionary 16.0 MB, 1 thread,"
expect_exit 0 "$tkds" make big/big.manifest --stubs big/stubs -o big/two/setup.exe --threads 2 --quiet
cmp -s big/one/setup.exe big/two/setup.exe || fail "--threads 2 made another setup than --threads 1"
expect_exit 0 "$tkds" list big/two/setup.exe
expect_out "  chunk 2: "
second=$(sed -n 's/^  chunk 2: [0-9]* bytes at offset \([0-9]*\),.*/\1/p' "$work/out")
expect_exit 0 "$tkds" extract big/two/setup.exe Data.p2 -o big/p2.out
cmp -s big/p2.out big/part2.bin || fail "a file across a chunk's end does not come back whole"
cp big/two/setup.exe big/spoilt.exe
printf '\x55' | dd of=big/spoilt.exe bs=1 seek=$((second + 1000)) conv=notrunc 2>/dev/null
expect_exit 1 "$tkds" verify big/spoilt.exe
expect_err "payload stream"
expect_exit 1 "$tkds" extract big/spoilt.exe Data.p2 -o big/spoilt.out
[ ! -e big/spoilt.out ] || fail "extract left big/spoilt.out behind"
expect_exit 2 "$tkds" make big/big.manifest --stubs big/stubs -o big/none.exe --threads 0
expect_err "--threads is a number from 1 to 1024, not '0'"
rm -rf big

# Refusals, each naming what it refuses; nothing is written.
refuse() {  # refuse WHAT EXPECTED-TEXT: builds the manifest, expects exit 1 and the text on stderr
  expect_exit 1 "$tkds" build vendor/container.manifest -o refused.tkds
  expect_err "$2"
  [ ! -e refused.tkds ] || fail "$1: a container was written"
}
ln -s ../own.txt vendor/product/json/link.py
refuse "a linked file" "vendor/product/json/link.py is a symbolic link"
rm vendor/product/json/link.py
ln -s ../email vendor/product/html/mail
refuse "a linked folder" "vendor/product/html/mail is a symbolic link"
rm vendor/product/html/mail
mkfifo vendor/product/pipe
refuse "a pipe" "vendor/product/pipe is not a regular file"
rm vendor/product/pipe
cp vendor/own.txt vendor/product/JSON
mkdir -p vendor/product/Json && cp vendor/own.txt vendor/product/Json/Decoder.py
refuse "case twins" 'are one file on Windows'
rm -r vendor/product/JSON vendor/product/Json
cp vendor/own.txt "vendor/product/a,b.txt"
refuse "a comma" 'a comma ends a field'
rm "vendor/product/a,b.txt"
cp vendor/own.txt vendor/product/NUL.txt
refuse "a device name" 'names the device'
rm vendor/product/NUL.txt
cp vendor/doc.idoc doc.keep
printf '\r\n*,json\\nothere.py,pit,t,f,Gone' >>vendor/doc.idoc
refuse "a dangling * line" 'Data.idoc line 9: "*,json\nothere.py,pit,t,f,Gone" names no file of a Tree'
cp doc.keep vendor/doc.idoc
printf '\r\nlic,json\\decoder.py,pit,t,f,Twice' >>vendor/doc.idoc
refuse "a tree file installed twice" '"json\decoder.py" is a file of a Tree too'
cp doc.keep vendor/doc.idoc
sed -i 's/^Data.idoc .*//' vendor/container.manifest
refuse "no document" 'a Tree line needs the install document'

finish_checks tkds_tree
