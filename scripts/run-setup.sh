#!/usr/bin/env bash
# Builds what it runs, then runs the 64-bit setup.exe under Wine on a headless X
# display in a fresh prefix, as a user would: the window appears (screenshot in
# out/setup-window.png), SETUP is clicked, and what was installed is printed.
# It builds tkds and the 64-bit release build's setup.exe (with the stub, the
# uninstaller and the demo product it carries) and the probe that reads the
# window's texts; no test program and no 32-bit test environment (scripts/test.sh
# builds and makes everything).
# With --scale F (1, 1.25, 1.5, 2, ...) the display runs at F times 96 DPI: the
# window is F times its size, still at (100, 100), its screenshots are
# out/setup-window-<percent>.png and out/setup-installing-<percent>.png, and
# SETUP is clicked where it stands at that scale.
# Usage: scripts/run-setup.sh [--scale F]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

percent=100
case "${1:-}" in
  "") ;;
  --scale) percent=$(awk -v f="${2:?--scale needs a factor}" 'BEGIN { printf "%d", f * 100 + 0.5 }') ;;
  *) echo "usage: $0 [--scale F]" >&2; exit 2 ;;
esac
[ "$percent" -ge 100 ] || { echo "--scale: a factor of 1 or more" >&2; exit 2; }
# A length of the 100 % window at the scale, rounded half up (imaging/ScaledArt.h).
scaled() { echo $((($1 * percent + 50) / 100)); }
size="$(scaled 450)x$(scaled 207)"
suffix=$([ "$percent" = 100 ] || echo "-$percent")
# Above 200 % the window at (100, 100) passes the display's usual 1024 x 768.
[ "$percent" -le 200 ] || export WINE_ENV_SCREEN=2048x1536x24

bash scripts/install-deps.sh --no-win32-root
cmake --preset native
cmake --build build/native --target release-x64
cmake --build build/native/release-x64 --target wine_probe

build="$root/build/native/release-x64"
setup="$build/app/setup.exe"
probe_exe="$build/tests/e2e/probe.exe"
mkdir -p out

source tests/wine/wine-env.sh
trap wine_env_stop EXIT
wine_env_start
[ "$percent" = 100 ] || wine_set_dpi $(((96 * percent + 50) / 100))
probe() { "$WINE64" "$probe_exe" "$@"; }

echo "== Starting $setup"
"$WINE64" "$setup" &
setup_pid=$!
probe wait "Tolvik Setup" 60 >/dev/null
sleep 2
import -window root -crop "$size+100+100" +repage "out/setup-window$suffix.png"
echo "Screenshot of the window: out/setup-window$suffix.png ($size at $percent %)"
echo "Destination: $(probe get-text "Tolvik Setup" 1005 | tr -d '\r')"

echo "== Clicking SETUP"
xdotool mousemove $((100 + $(scaled $((114 + 22))))) $((100 + $(scaled $((146 + 16))))) sleep 0.2 click 1
sleep 1
import -window root -crop "$size+100+100" +repage "out/setup-installing$suffix.png"
for i in $(seq 1 600); do kill -0 "$setup_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$setup_pid" 2>/dev/null; then
  echo "setup.exe is still running; its window says:"
  probe texts "Tolvik Setup." 2>/dev/null || true
  exit 1
fi

echo "== Installed files"
(cd "$WINEPREFIX/drive_c" && find "Program Files/Tolvik" -type f -exec ls -l {} \; ; ls -l windows/TKUNTOOL.EXE)
echo "== Shortcuts (setup runs as administrator: the all-users Start menu and desktop)"
(cd "$WINEPREFIX/drive_c" && find -L ProgramData users -name '*.lnk' -newer "$WINEPREFIX/system.reg" 2>/dev/null | grep -i -e tolvik -e pellumar || true)
echo "== Uninstall log, its trusted copy and the entry"
"$WINE64" reg query 'HKCU\Software\Tolvik\Pellumar\Uninstall' | tr -d '\r'
"$WINE64" reg query 'HKLM\SOFTWARE\Tolvik\Pellumar\Uninstall' | tr -d '\r'
"$WINE64" reg query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pellumar' | tr -d '\r'
