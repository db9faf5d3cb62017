#!/usr/bin/env bash
# The payload stream on real trees: for each tree, tkds make with every file in
# the LZMA payload stream, against NSIS installers of the same files (zlib, and
# solid LZMA), with tkds make's time at --threads 1 and 2 (and every processor,
# when there are more), makensis's time for the solid LZMA installer, tkds
# make's peak memory and tkds verify's peak memory. Figures go to RAW as
# NAME=VALUE lines for report.py. Called by scripts/measure.sh; alone:
#   scripts/measure/payload-stream.sh TKDS KIT_FOLDER OUT_FOLDER RAW [NAME=TREE]...
# Default trees: this machine's Python standard library and Wine's DLLs.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tkds=$1 kit=$2 out=$3 raw=$4
shift 4
trees=("$@")
if [ ${#trees[@]} -eq 0 ]; then
  trees=(python=/usr/lib/python3.11)
  for wine in /usr/lib/x86_64-linux-gnu/wine /usr/lib/wine; do
    if [ -d "$wine" ] && [ "$(du -sm "$wine" | cut -f1)" -gt 100 ]; then trees+=("wine=$wine"); break; fi
  done
fi
record() { echo "$1=$2" >>"$raw"; }
# The wall clock and the peak resident set of a /usr/bin/time -v report, in ms and bytes.
wall_ms() { awk -F': ' '/Elapsed \(wall clock\)/ {
    n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; printf "%d", s * 1000 }' "$1"; }
peak() { awk -F': ' '/Maximum resident set size/ { print $2 * 1024 }' "$1"; }
thread_counts=(1 2)
[ "$(nproc)" -gt 2 ] && thread_counts+=("$(nproc)")
mkdir -p "$out"

for entry in "${trees[@]}"; do
  name=${entry%%=*} tree=${entry#*=}
  echo "== Payload stream: $name ($tree)"
  work="$out/tree-$name"
  rm -rf "$work"
  cp -r "$kit/sample" "$work"
  # The sample's Tree line puts the demo's product into the stream; then one node for every file of the tree.
  python3 - "$tree" "$work/container.manifest" <<'PY'
import os, sys
tree, manifest = sys.argv[1], sys.argv[2]
files = sorted(os.path.join(d, f) for d, _, names in os.walk(tree) for f in names
               if os.path.isfile(os.path.join(d, f)) and not os.path.islink(os.path.join(d, f)))
with open(manifest, "a") as m:
    for i, path in enumerate(files):
        quoted = path.replace("\\", "\\\\").replace('"', '\\"')
        m.write(f'Data.t{i} Binary id={10000 + i} compress=lzma file="{quoted}"\n')
PY
  payload=$(python3 -c '
import os, sys
print(sum(os.path.getsize(os.path.join(d, f)) for d, _, n in os.walk(sys.argv[1]) for f in n
          if os.path.isfile(os.path.join(d, f)) and not os.path.islink(os.path.join(d, f))))' "$tree")
  record "tree_${name}_files" "$(find "$tree" -type f | wc -l)"
  record "tree_${name}_bytes" "$payload"

  # Each thread count makes the same bytes (the file name, which the version
  # information holds, is the same); the peak memory is the last run's, with the most threads.
  for threads in "${thread_counts[@]}"; do
    mkdir -p "$work/threads-$threads"
    /usr/bin/time -v -o "$work/time.txt" "$tkds" make "$work/container.manifest" --threads "$threads" \
      -o "$work/threads-$threads/setup.exe" >/dev/null
    took=$(wall_ms "$work/time.txt")
    record "tree_${name}_make_t${threads}_ms" "$took"
    [ "$threads" != 1 ] || one_thread_ms=$took
    cmp -s "$work/threads-1/setup.exe" "$work/threads-$threads/setup.exe" ||
      { echo "tkds make --threads $threads made another setup than --threads 1" >&2; exit 1; }
  done
  mv "$work/threads-1/setup.exe" "$work/setup.exe"
  record "tree_${name}_setup" "$(stat -c %s "$work/setup.exe")"
  record "tree_${name}_make_ms" "$one_thread_ms"
  record "tree_${name}_make_peak" "$(peak "$work/time.txt")"
  # verify decodes the whole stream from the file: its memory is the decoder's, not the file's.
  /usr/bin/time -v -o "$work/verify-time.txt" "$tkds" verify "$work/setup.exe" >/dev/null
  record "tree_${name}_verify_peak" "$(peak "$work/verify-time.txt")"

  mkdir -p "$work/peer"
  cp "$kit/stubs/x86/TKUNTOOL.EXE" "$work/peer/"
  cp "$kit/sample/product/Pellumar.exe" "$work/peer/"
  cp "$kit/sample/product/License.txt" "$work/peer/"
  makensis -V1 -DPAYLOAD="$work/peer" -DTREE="$tree" -DOUTFILE="$work/nsis-zlib.exe" \
    "$root/scripts/measure/peer-installer.nsi"
  /usr/bin/time -v -o "$work/nsis-time.txt" makensis -V1 -DPAYLOAD="$work/peer" -DTREE="$tree" \
    -DOUTFILE="$work/nsis-lzma.exe" -DSOLID_LZMA "$root/scripts/measure/peer-installer.nsi"
  record "tree_${name}_nsis_lzma_ms" "$(wall_ms "$work/nsis-time.txt")"
  record "tree_${name}_nsis_zlib" "$(stat -c %s "$work/nsis-zlib.exe")"
  record "tree_${name}_nsis_lzma" "$(stat -c %s "$work/nsis-lzma.exe")"
  rm -rf "$work"
done
