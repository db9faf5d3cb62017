#!/usr/bin/env bash
# Two clean clones of the committed tree, in folders of different names and
# depths, each built with the README's command: their stubs, uninstallers and
# setup.exe files, both architectures, must be byte for byte the same.
# Not part of the test command: it builds the whole project twice.
#
# Usage: scripts/check-reproducible.sh [WORK_DIR]
# WORK_DIR (default: a new folder under /tmp) receives the clones and their logs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$(mktemp -d /tmp/tolvik-reproducible.XXXXXX)}
mkdir -p "$work"
work=$(realpath "$work")
clones=("$work/a" "$work/second/clone-b")

for clone in "${clones[@]}"; do
  rm -rf "$clone"
  mkdir -p "$(dirname "$clone")"
  git clone -q "$root" "$clone"
  echo "building $clone (log: $clone.log)"
  if ! (cd "$clone" && cmake --preset native && cmake --build --preset native) >"$clone.log" 2>&1; then
    echo "build failed: see $clone.log" >&2
    exit 1
  fi
done

files=(
  build/native/share/tolvik-setup/stubs/x86/setup-stub.exe
  build/native/share/tolvik-setup/stubs/x86/TKUNTOOL.EXE
  build/native/share/tolvik-setup/stubs/x64/setup-stub.exe
  build/native/share/tolvik-setup/stubs/x64/TKUNTOOL.EXE
  build/native/release-x86/app/setup.exe
  build/native/release-x64/app/setup.exe
  build/native/release-x86/resources/setup-container.tkds
  build/native/release-x64/resources/setup-container.tkds
)
different=0
for file in "${files[@]}"; do
  # Nothing of the folder a program was built in may end up inside it.
  if grep -q -a -F -e "${clones[0]}" -e "${clones[1]}" "${clones[0]}/$file"; then
    echo "BUILD PATH INSIDE: $file"
    different=$((different + 1))
  fi
  if cmp -s "${clones[0]}/$file" "${clones[1]}/$file"; then
    echo "same: $file ($(sha256sum <"${clones[0]}/$file" | cut -c1-16))"
  else
    echo "DIFFERENT: $file"
    different=$((different + 1))
  fi
done
[ "$different" -eq 0 ] && echo "reproducible: ${#files[@]} files identical" || exit 1
