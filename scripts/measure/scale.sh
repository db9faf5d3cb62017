#!/usr/bin/env bash
# What drawing the window at a display scale costs; called by scripts/measure.sh,
# and by scripts/measure.sh --only scale alone:
#   - the first paint: startup_meter's ready_ms (the process's start to its window
#     shown, painted and idle) of the same 64-bit setup.exe at 200 % (LogPixels
#     192) against 100 % (96). Wine reads the DPI once, as its session starts, so
#     each scale runs in a session of its own, kept up for all its starts (the
#     first start of a session fills caches and is not counted); two rounds of the
#     two sessions, the second in the other order (100, 200, 200, 100), so that
#     a load that grows or fades over the run weighs on both alike;
#   - the x86 stub: the one of the build against one built before the scaling
#     code (STUB_BEFORE, with its link map beside it as setup-stub.map), whole and
#     by the link map's parts.
# Lines "scaleNNN window_ms=... ready_ms=..." go to OUT/scale-startup.txt, the
# sizes as NAME=VALUE lines to RAW (report.py shows them).
#
# Usage: scale.sh WIN64_DIR X86_DIR OUT RAW RUNS
set -euo pipefail
win64=$1
win32=$2
out=$3
raw=$4
runs=$5
cd "$(dirname "$0")/../.."

stub="$win32/app/setup-stub.exe"
echo "scale_stub32=$(stat -c %s "$stub")" >>"$raw"
python3 scripts/measure/link_map.py "$stub" "${stub%.exe}.map" scale_stub32 >>"$raw"
if [ -n "${STUB_BEFORE:-}" ]; then
  echo "scale_stub32_before=$(stat -c %s "$STUB_BEFORE")" >>"$raw"
  python3 scripts/measure/link_map.py "$STUB_BEFORE" "$(dirname "$STUB_BEFORE")/setup-stub.map" scale_stub32_before >>"$raw"
fi

source tests/wine/wine-env.sh
trap wine_env_stop EXIT
meter="$win64/tests/bench/startup_meter.exe"
: >"$out/scale-startup.txt"
for round in 1 2; do
  for percent in $([ "$round" = 1 ] && echo 100 200 || echo 200 100); do
    wine_env_start
    wine_set_dpi $((96 * percent / 100))
    cp "$win64/app/setup.exe" "$WINE_ENV_DIR/"
    "$WINE64" "$meter" "Tolvik Setup" "$WINE_ENV_DIR/setup.exe" >/dev/null
    for run in $(seq 1 "$runs"); do
      line=$("$WINE64" "$meter" "Tolvik Setup" "$WINE_ENV_DIR/setup.exe" | tr -d '\r')
      echo "  $percent % (round $round): $line"
      [ -n "$line" ] && echo "scale$percent $line" >>"$out/scale-startup.txt"
    done
    wine_env_stop
  done
done
