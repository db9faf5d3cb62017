# The 64-bit setup.exe, its resources rewritten by the resource editor (the same
# container written in again, and a 2 MB resource beside it so that the resource
# section grows and the relocations behind it move), still starts under Wine and
# shows its window.
#
# Arguments: WIN64_BUILD_DIR RESEDIT_DRIVER
set -euo pipefail
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$HERE/../wine/wine-env.sh"
BUILD=$1
DRIVER=$2
PROBE="$BUILD/tests/e2e/probe.exe"

wine_env_start
SETUP_PID=""
trap '[ -n "$SETUP_PID" ] && kill "$SETUP_PID" 2>/dev/null; wine_env_stop' EXIT
WORK="$WINE_ENV_DIR/work"
mkdir -p "$WORK"
head -c 2097152 /dev/zero | tr '\0' 'T' >"$WORK/filler.bin"
"$DRIVER" "$BUILD/app/setup.exe" "$WORK/setup.exe" \
  STORAGE 129 1033 "$BUILD/resources/setup-container.tkds" \
  10 FILLER 0 "$WORK/filler.bin"
cmp -s "$BUILD/app/setup.exe" "$WORK/setup.exe" && { echo "FAIL: the file was not rewritten"; exit 1; }

"$WINE64" "$WORK/setup.exe" &
SETUP_PID=$!
if "$WINE64" "$PROBE" wait "Tolvik Setup" 60 >/dev/null; then
  echo "ok: the rewritten setup.exe shows its window"
else
  echo "FAIL: the rewritten setup.exe shows no window"
  exit 1
fi
