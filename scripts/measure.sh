#!/usr/bin/env bash
# Measures the setup program side by side with a conventional installer of the
# same payload, all figures taken in this one run, and prints them as a table
# of ratios (also saved to out/measure/report.txt):
#   - size: the 32-bit setup.exe against its own container (the stub's overhead)
#     and against NSIS installers of the same files (zlib, and solid LZMA); the
#     x86 setup-stub.exe and its parts, from its link map, against NSIS's stub;
#     the LZMA decoder and the payload stream's reader in both stubs;
#   - start-up under Wine (64-bit builds): process start to the main window shown,
#     painted and idle, median of several runs, against NSIS's first page;
#   - memory: the setup's peak working set after start-up, less that of an empty
#     window program, against the decoded payload plus the container;
#   - tkds make: its time and peak memory for the demo and for a 50 MB product,
#     against tkds build of the same manifest, and its peak memory for a large
#     tree of real binaries (Wine's DLLs, one Tree line) against 64 MB plus the
#     largest file;
#   - the payload stream on real trees (this machine's Python library, Wine's
#     DLLs): tkds make with compress=lzma against NSIS zlib and solid LZMA
#     installers of the same files, with make's time and peak memory;
#   - memory through a whole installation of a large product (600 MB of Wine's
#     DLLs, 64-bit; 1 GB, 32-bit): peak resident set and its anonymous part
#     against the payload and 64 MB, the start-up peak against the demo's, the
#     install time against NSIS's /S install of the same files; the same 600 MB
#     in the payload stream: setup's size, peak working set and install time
#     against the per-node zlib setup's; the 600 MB product upgraded over itself
#     (the same setup.exe with /S a second time): time and peak resident set
#     against the first /S install's, the aim at most 1.2 times its time; the
#     Python library as one per-node zlib Tree line, the same figures and tkds
#     make's time and memory against NSIS's zlib installer of the same tree; the
#     same Python product made for either scope (--scope both) installed with /S
#     for the current user, unelevated (the probe's run-limited, /CURRENTUSER):
#     time and peak resident set against the same setup.exe's /S /ALLUSERS run
#     (the probe's run, elevated), the aim: not slower, at most 1.05 its time;
#   - the window at 200 % display scale (scripts/measure/scale.sh): its first
#     paint against the same setup.exe's at 100 %, and the x86 stub against one
#     built before the scaling code (--stub-before FILE.exe, its setup-stub.map
#     beside it; without it, no such rows);
#   - the benchmarks of the container reader and the skin's pixel work.
# Not part of the test command: figures depend on the machine and its load.
# --only scale measures the display scale alone (minutes, not the hour of the rest).
#
# Usage: scripts/measure.sh [--runs N] [--no-build] [--only scale] [--stub-before FILE.exe]
#                           [--native DIR --win64 DIR --win32 DIR]
# By default it builds with the native preset (build/native, which drives the
# Windows builds); --win32 is the 32-bit release build (build/native/release-x86),
# --win64 the 64-bit test build (build/native/win64, with the start-up meter).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

runs=7
build=yes
only=""
stub_before=""
native="$root/build/native"
win64=""
win32=""
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift 2 ;;
    --no-build) build=no; shift ;;
    --only) only=$2; shift 2 ;;
    --stub-before) stub_before=$(realpath "$2"); shift 2 ;;
    --native) native=$(realpath "$2"); shift 2 ;;
    --win64) win64=$(realpath "$2"); shift 2 ;;
    --win32) win32=$(realpath "$2"); shift 2 ;;
    *) echo "usage: $0 [--runs N] [--no-build] [--only scale] [--stub-before FILE.exe]" \
            "[--native DIR --win64 DIR --win32 DIR]" >&2; exit 2 ;;
  esac
done
win64=${win64:-$native/win64}
win32=${win32:-$native/release-x86}

if [ "$only" = scale ]; then
  if [ "$build" = yes ]; then
    cmake --build "$win64" --target setup startup_meter
    cmake --build "$win32" --target setup
  fi
  out="$root/out/measure-scale"
  rm -rf "$out"
  mkdir -p "$out"
  : >"$out/raw.txt"
  STUB_BEFORE=$stub_before bash scripts/measure/scale.sh "$win64" "$win32" "$out" "$out/raw.txt" "$runs"
  python3 scripts/measure/report.py "$out" --only scale | tee "$out/report.txt"
  exit 0
elif [ -n "$only" ]; then
  echo "--only: scale is the one part measured alone" >&2
  exit 2
fi

if [ "$build" = yes ]; then
  bash scripts/install-deps.sh
  if [ "$native" = "$root/build/native" ] && [ "$win64" = "$native/win64" ] && [ "$win32" = "$native/release-x86" ]; then
    cmake --preset native
    cmake --build --preset native
  else
    cmake --build "$native" --target tkds bench_storage bench_imaging
    cmake --build "$win64" --target setup startup_meter wine_probe
    cmake --build "$win32" --target setup
  fi
fi

# A build tree keeps the compiler it was first configured with: the release
# programs are built with the win32-thread compilers (cmake/mingw-w64-i686.cmake).
wanted=i686-w64-mingw32-g++-win32
if ! grep -qs "$wanted" "$win32"/CMakeFiles/*/CMakeCXXCompiler.cmake; then
  echo "note: $win32 was configured with another compiler than $wanted;" \
       "delete that folder and build again to measure the current release build" >&2
fi

tkds="$native/bin/tkds"
out="$root/out/measure"
rm -rf "$out"
mkdir -p "$out"
raw="$out/raw.txt"
: >"$raw"
record() { echo "$1=$2" >>"$raw"; }
size_of() { stat -c %s "$1"; }

# The payload that both installers carry, and the decoded sizes of the container's nodes.
payload_dir() {  # payload_dir BUILD_DIR DEST
  mkdir -p "$2"
  cp "$1/demo/Pellumar.exe" "$1/uninstaller/TKUNTOOL.EXE" "$2/"
  cp "$root/resources/content/License.txt" "$2/"
}
decoded_payload() {  # the payload setup.exe holds from start-up on: every "Data." binary
  "$tkds" list --json "$1" | python3 -c '
import json, sys
print(sum(n["decodedSize"] for n in json.load(sys.stdin) if n["path"].startswith("Data.") and n["type"] == "Binary"))'
}
decoded_at_start() {  # everything setup.exe decodes while its window starts (each of 4 buttons reads its strip;
                      # payloads are only sized then, and streamed by the run)
  "$tkds" list --json "$1" | python3 -c '
import json, sys
times = {"Backgrounds.1": 1, "Digits": 1, "Font": 1, "Data.idoc": 1, "Controls.MaskedButtons.PushButton.RGBA": 4}
print(sum(n["decodedSize"] * times.get(n["path"], 0) for n in json.load(sys.stdin)))'
}

echo "== Sizes (32-bit release)"
payload_dir "$win32" "$out/payload32"
makensis -V1 -DPAYLOAD="$out/payload32" -DOUTFILE="$out/nsis32-zlib.exe" scripts/measure/peer-installer.nsi
makensis -V1 -DPAYLOAD="$out/payload32" -DOUTFILE="$out/nsis32-lzma.exe" -DSOLID_LZMA scripts/measure/peer-installer.nsi
record setup32 "$(size_of "$win32/app/setup.exe")"
record container32 "$(size_of "$win32/resources/setup-container.tkds")"
record nsis32_zlib "$(size_of "$out/nsis32-zlib.exe")"
record nsis32_lzma "$(size_of "$out/nsis32-lzma.exe")"
record nsis32_stub "$(size_of /usr/share/nsis/Stubs/zlib-x86-ansi)"
record payload32_files "$(cat "$out"/payload32/* | wc -c)"
record stub32 "$(size_of "$win32/app/setup-stub.exe")"
python3 scripts/measure/link_map.py "$win32/app/setup-stub.exe" "$win32/app/setup-stub.map" stub32 >>"$raw"
python3 scripts/measure/link_map.py "$win32/app/setup-stub.exe" "$win32/app/setup-stub.map" stub32 --largest 25 \
  >"$out/stub32-largest.txt"
release64="$native/release-x64"
record stub64 "$(size_of "$release64/app/setup-stub.exe")"
python3 scripts/measure/link_map.py "$release64/app/setup-stub.exe" "$release64/app/setup-stub.map" stub64 >>"$raw"

echo "== tkds make (the x86 stub)"
kit="$native/share/tolvik-setup"
big="$out/sample-50mb"
cp -r "$kit/sample" "$big"
head -c $((50 * 1024 * 1024)) /dev/urandom >"$big/product/Pellumar.exe"
timed() {  # timed NAME COMMAND...: the fastest of three runs' wall time and peak resident set
  local name=$1 run
  shift
  for run in 1 2 3; do
    /usr/bin/time -f "%e %M" -o "$out/time.txt" "$@" >/dev/null
    read -r seconds kilobytes <"$out/time.txt"
    echo "$name $seconds $kilobytes" >>"$out/tkds-times.txt"
  done
  sort -k2 -n "$out/tkds-times.txt" | awk -v n="$name" '$1 == n { print; exit }' |
    while read -r _ seconds kilobytes; do
      record "${name}_ms" "$(awk -v s="$seconds" 'BEGIN { printf "%d", s * 1000 }')"
      record "${name}_peak" $((kilobytes * 1024))
    done
}
: >"$out/tkds-times.txt"
uninstall_x86="$kit/stubs/x86/TKUNTOOL.EXE"
timed make_demo "$tkds" make "$kit/sample/container.manifest" -o "$out/make-demo.exe" --icon "$kit/sample/setup.ico"
timed build_demo "$tkds" build "$kit/sample/container.manifest" -o "$out/build-demo.tkds" -D UNINSTALL="$uninstall_x86"
timed make_50mb "$tkds" make "$big/container.manifest" -o "$out/make-50mb.exe" --icon "$big/setup.ico"
timed build_50mb "$tkds" build "$big/container.manifest" -o "$out/build-50mb.tkds" -D UNINSTALL="$uninstall_x86"
record payload_50mb "$(size_of "$big/product/Pellumar.exe")"
rm -rf "$big" "$out"/make-50mb.exe "$out"/build-50mb.tkds
bash scripts/measure/payload-stream.sh "$tkds" "$kit" "$out" "$raw"

# A large real product in one per-node zlib Tree line: Wine's own DLLs and
# programs (links followed when copied, since a Tree refuses them), peak memory
# of tkds make against 64 MB plus the largest file. (The same tree in the payload
# stream is measured above: the LZMA encoder's memory follows its dictionary.)
wine_dlls=/usr/lib/x86_64-linux-gnu/wine
tree="$out/sample-wine"
cp -r "$kit/sample" "$tree"
rm "$tree/product/Pellumar.exe"
sed -i '/^\*,Pellumar.exe,/d' "$tree/content/Data.idoc"
sed -i 's/^\(Data\.\* *Tree .*\)$/\1 compress=yes/' "$tree/container.manifest"
cp -rL "$wine_dlls" "$tree/product/wine"
/usr/bin/time -v -o "$out/time-tree.txt" "$tkds" make "$tree/container.manifest" -o "$out/make-tree.exe" >/dev/null
record make_tree_peak $(($(awk -F': ' '/Maximum resident set size/ { print $2 }' "$out/time-tree.txt") * 1024))
record tree_bytes "$(find "$tree/product" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')"
record tree_files "$(find "$tree/product" -type f | wc -l)"
record tree_largest "$(find "$tree/product" -type f -printf '%s\n' | sort -n | tail -1)"
record make_tree_output "$(size_of "$out/make-tree.exe")"
rm -rf "$tree" "$out/make-tree.exe"

echo "== Start-up and memory under Wine (64-bit)"
payload_dir "$win64" "$out/payload64"
makensis -V1 -DPAYLOAD="$out/payload64" -DOUTFILE="$out/nsis64-zlib.exe" -DTARGET=amd64-unicode \
  scripts/measure/peer-installer.nsi
record setup64 "$(size_of "$win64/app/setup.exe")"
record container64 "$(size_of "$win64/resources/setup-container.tkds")"
record payload64_decoded "$(decoded_payload "$win64/resources/setup-container.tkds")"
record decoded64_at_start "$(decoded_at_start "$win64/resources/setup-container.tkds")"

source tests/wine/wine-env.sh
trap wine_env_stop EXIT
wine_env_start
meter="$win64/tests/bench/startup_meter.exe"
# NSIS titles its window after the page it shows.
nsis_title="Tolvik Pellumar 1.0 Setup: Installation Folder"
cp "$win64/app/setup.exe" "$out/nsis64-zlib.exe" "$WINE_ENV_DIR/"
measure() {  # measure NAME TITLE PROGRAM [ARGS]: one run, its figures recorded under NAME
  local name=$1 line
  shift
  line=$("$WINE64" "$meter" "$@" | tr -d '\r')
  echo "  $name: $line"
  [ -n "$line" ] && echo "$name $line" >>"$out/startup.txt"
}
: >"$out/startup.txt"
# The first start of each program in a fresh prefix fills caches; it is not counted.
measure warmup "Tolvik Setup" "$WINE_ENV_DIR/setup.exe" >/dev/null
measure warmup "$nsis_title" "$WINE_ENV_DIR/nsis64-zlib.exe" >/dev/null
measure warmup "Empty window" "$meter" --idle-window "Empty window" >/dev/null
for run in $(seq 1 "$runs"); do
  measure setup "Tolvik Setup" "$WINE_ENV_DIR/setup.exe"
  measure nsis "$nsis_title" "$WINE_ENV_DIR/nsis64-zlib.exe"
  measure baseline "Empty window" "$meter" --idle-window "Empty window"
done
# Memory as Linux sees the process (Wine reports no private memory for another
# process): peak and resident set, and the anonymous part of it, which holds
# every heap block and would hold a copy of the container. The process that
# "wine64 PROGRAM" starts is the Windows program itself.
probe_exe="$win64/tests/e2e/probe.exe"
: >"$out/memory.txt"
memory() {  # memory NAME TITLE PROGRAM [ARGS]
  local name=$1 title=$2 pid
  shift 2
  "$WINE64" "$@" &
  pid=$!
  "$WINE64" "$probe_exe" wait "$title" 60 >/dev/null
  sleep 2
  echo "$name $(awk '$1 ~ /^(VmHWM|VmRSS|RssAnon):$/ { sub(":", "", $1); printf "%s=%d ", $1, $2 * 1024 }' "/proc/$pid/status")" |
    tee -a "$out/memory.txt"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}
for run in 1 2 3; do
  memory setup "Tolvik Setup" "$WINE_ENV_DIR/setup.exe"
  memory nsis "$nsis_title" "$WINE_ENV_DIR/nsis64-zlib.exe"
  memory baseline "Empty window" "$meter" --idle-window "Empty window"
done
wine_env_stop
trap - EXIT

echo "== The window at 200 % display scale"
STUB_BEFORE=$stub_before bash scripts/measure/scale.sh "$win64" "$win32" "$out" "$raw" "$runs"

echo "== A large product through a whole installation (Wine's own DLLs, 600 MB; 1 GB for 32-bit; the Python library)"
# The 32-bit setup.exe is not large-address-aware: 1 GB shows that it installs a
# product far past what decoding into memory allowed, within its 2 GB.
bash scripts/measure/large-product.sh small64 1 "$tkds" "$kit/stubs" | tee "$out/large.txt"
NSIS_COMPARE=1 UPGRADE=1 bash scripts/measure/large-product.sh large64 600 "$tkds" "$kit/stubs" | tee -a "$out/large.txt"
NSIS_COMPARE=1 bash scripts/measure/large-product.sh stream64 600 "$tkds" "$kit/stubs" lzma | tee -a "$out/large.txt"
NSIS_COMPARE=1 PER_USER=1 PROBE="$probe_exe" TREE=/usr/lib/python3.11 \
  bash scripts/measure/large-product.sh python64 0 "$tkds" "$kit/stubs" | tee -a "$out/large.txt"
TOLVIK_WINDOWS_ARCH=win32 bash scripts/win32-env.sh run "$root:$native" \
  bash scripts/measure/large-product.sh large32 1024 "$tkds" "$kit/stubs" | tee -a "$out/large.txt" ||
  echo "  (no 32-bit figures: the 32-bit environment cannot run here)"

echo "== Benchmarks"
"$native/tests/bench/bench_storage" --benchmark_min_time=0.2 --benchmark_out="$out/bench_storage.json" \
  --benchmark_out_format=json >"$out/bench_storage.txt"
"$native/tests/imaging/bench_imaging" --benchmark_min_time=0.2 --benchmark_out="$out/bench_imaging.json" \
  --benchmark_out_format=json >"$out/bench_imaging.txt"

echo
python3 scripts/measure/report.py "$out" >"$out/report.txt"
# Rows that follow a product's section of the table, in its columns (which the
# header's right-aligned titles end): the upgrade of the 600 MB product over
# itself (large-product.sh with UPGRADE=1), and the Python product installed for
# the current user against the same setup.exe for all users (PER_USER=1).
python3 - "$out/large.txt" "$out/report.txt" <<'EOF_ROWS'
import sys
from pathlib import Path
runs = {}
for line in Path(sys.argv[1]).read_text().splitlines():
    name, *fields = line.split() or [""]
    runs[name] = {k: float(v) for k, _, v in (f.partition("=") for f in fields if "=" in f)}
report = Path(sys.argv[2])
lines = report.read_text().splitlines(keepends=True)
head = lines[0]
ends = [head.index(title) + len(title) for title in ("measured", "reference", "ratio")]
def row(what, measured, reference, ratio, note):
    line = what
    for cell, end in zip((measured, reference, ratio), ends):
        line += " " * max(2, end - len(line) - len(cell)) + cell
    return line + "  " + note + "\n"
ms = lambda x: f"{x:,.0f} ms"
mb = lambda x: f"{x / 1048576:,.1f} MB"
def after_section(title_part, text):  # text after the first section whose title holds title_part
    global lines
    first = next((i for i, line in enumerate(lines)
                  if line.startswith("A product installed under Wine (64-bit") and title_part in line), len(lines))
    end = next((i for i in range(first + 1, len(lines)) if not lines[i].strip()), len(lines))
    lines = lines[:end] + [text] + lines[end:]
f = runs.get("large64", {})
if "upgrade_ms" in f:
    text = f"\nThe same product upgraded over itself (64-bit, per-node zlib, {mb(f['payload'])})\n"
    text += row("upgrade with /S / the first install's with /S", ms(f["upgrade_ms"]), ms(f["silent_ms"]),
                f"{f['upgrade_ms'] / f['silent_ms']:.2f}",
                "the aim: at most 1.20; the same setup.exe again at once, both from the process's start")
    text += row("peak resident set, upgrade / the first install's with /S", mb(f["upgrade_hwm"]), mb(f["silent_hwm"]),
                f"{f['upgrade_hwm'] / f['silent_hwm']:.2f}", "/proc VmHWM every 0.1 s; both ended with 0, no *.tknew left")
    after_section("of Wine's DLLs", text)
f = runs.get("python64", {})
if "user_ms" in f:
    text = f"\nThe same product for the current user, unelevated (64-bit, --scope both, {mb(f['payload'])})\n"
    text += row("per-user /S / machine /S", ms(f["user_ms"]), ms(f["machine_ms"]),
                f"{f['user_ms'] / f['machine_ms']:.2f}",
                "not slower: at most 1.05; /S /CURRENTUSER through the probe's run-limited, "
                "/S /ALLUSERS through its run (elevated), both from the probe's start")
    text += row("peak resident set, per-user /S / machine /S", mb(f["user_hwm"]), mb(f["machine_hwm"]),
                f"{f['user_hwm'] / f['machine_hwm']:.2f}",
                "setup.exe's /proc VmHWM every 0.1 s; both ended with 0, the product whole in its folder")
    after_section("Python", text)
report.write_text("".join(lines))
EOF_ROWS
cat "$out/report.txt"
echo
echo "The x86 stub's 25 largest input sections (also in $out/stub32-largest.txt):"
cat "$out/stub32-largest.txt"
