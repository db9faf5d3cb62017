#!/usr/bin/env bash
# Takes a fresh Debian 12 machine to one that builds and tests the whole project.
# Quick when everything is installed already: it checks before it asks apt.
# Usage: scripts/install-deps.sh [--no-win32-root]   (the option skips the 32-bit
# test environment, which only the win32 tests need)
set -euo pipefail

packages=(
  cmake ninja-build pkg-config
  g++ clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  libz-mingw-w64-dev zlib1g-dev libpng-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  wine wine64 xvfb xdotool x11-utils imagemagick liblnk-utils
  nsis time
  lzma-dev liblzma-dev
  python3 python3-pefile icoutils
  debootstrap
  osslsigncode openssl dpkg-dev lintian man-db bsdextrautils
  python3-jsonschema python3-yaml
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The 32-bit environment (scripts/win32-env.sh): cached after the first run. Where
# it cannot be made (no binfmt_misc, no network to the mirror), the 32-bit tests
# report themselves skipped with the reason; everything else runs as usual.
if [ "${1:-}" != --no-win32-root ]; then
  bash "$(dirname "$0")/win32-env.sh" prepare || true
fi
