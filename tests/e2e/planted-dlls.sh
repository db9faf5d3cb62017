#!/usr/bin/env bash
# DLL preloading from the download folder: setup.exe and TKUNTOOL.EXE are started
# from C:\users\<user>\Downloads (also the current folder), which holds a
# stand-in DLL under every name below. Each stand-in would record its loading and
# end the process; Wine is told to prefer such a DLL to its own ("n,b"), as
# Windows prefers the program's folder for any DLL that is not a known DLL. The
# window appears, the folder chooser opens, the uninstaller shows its box, and no
# stand-in is ever loaded.
#
# version.dll cannot be tried this way: Wine's own user32 imports it, so every
# window program loads it before its first line runs (Windows' user32 does not).
#
# Arguments: the e2e arguments, then the stand-in DLL and TKUNTOOL.EXE.
source "$(dirname "$0")/e2e-lib.sh"
PLANTED_DLL=$5
UNINSTALLER=$6
e2e_start

# The ones the issue names, then those Wine's start-up of a window program, the
# folder chooser, COM and the registry load by name (none of them a known DLL).
NAMES="comctl32 uxtheme winmm dwmapi cryptbase userenv propsys
       apphelp oleacc ntmarta profapi cryptsp sspicli bcrypt msimg32 wintrust dbghelp
       explorerframe windowscodecs mpr netapi32 iphlpapi dnsapi"

user=$("$WINE64" cmd /c 'echo %USERNAME%' 2>/dev/null | tr -d '\r')
downloads="C:\\users\\$user\\Downloads"
folder=$(unix_path "$downloads")
mkdir -p "$folder"
cp "$SETUP_EXE" "$folder/setup.exe"
cp "$UNINSTALLER" "$folder/TKUNTOOL.EXE"
overrides=""
for name in $NAMES; do
  cp "$PLANTED_DLL" "$folder/$name.dll"
  overrides+="${overrides:+,}$name"
done

loaded() { (cd "$folder" && ls -- *.loaded 2>/dev/null | sed 's/\.loaded$//' | tr '\n' ' '); }

# Runs a program of the folder from the folder, the stand-ins preferred.
run_from_downloads() {
  (cd "$folder" && WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$overrides=n,b" exec "$WINE64" "$@")
}

run_from_downloads setup.exe &
SETUP_PID=$!
check "setup.exe started from Downloads shows its window" probe wait "$WINDOW" 60
check "no stand-in was loaded by the start-up" equal "$(loaded)" ""

click_button $BROWSE_BUTTON
chooser=""
for i in $(seq 1 "$(wine_polls 100)"); do
  chooser=$(probe list | tr -d '\r' | grep -v -x -e "$WINDOW" -e "" | head -n 1 || true)
  [ -n "$chooser" ] && break
  kill -0 "$SETUP_PID" 2>/dev/null || break
  sleep 0.2
done
check "Browse opens the folder chooser" test -n "$chooser"
[ -n "$chooser" ] && probe press "$chooser" 2 >/dev/null
check "no stand-in was loaded by the folder chooser" equal "$(loaded)" ""
check "setup.exe still runs" kill -0 "$SETUP_PID"
kill "$SETUP_PID" 2>/dev/null || true
wait "$SETUP_PID" 2>/dev/null || true
SETUP_PID=""

# The uninstaller, for a record that does not exist: it says so in a box.
rm -f "$folder"/*.loaded
run_from_downloads TKUNTOOL.EXE Nothing &
uninstaller_pid=$!
check "TKUNTOOL.EXE started from Downloads shows its box" probe wait TKUNTOOL 60
check "no stand-in was loaded by the uninstaller" equal "$(loaded)" ""
probe press TKUNTOOL 1 >/dev/null 2>&1 || probe press TKUNTOOL 2 >/dev/null 2>&1 || true
kill "$uninstaller_pid" 2>/dev/null || true
wait "$uninstaller_pid" 2>/dev/null || true
