#!/usr/bin/env bash
# Shortcut files made by ShortcutMaker, read back with lnkinfo (liblnk-utils):
# target, working folder and arguments, in the program group and on the desktop.
# Usage: shortcuts-lnkinfo.sh WIN64_BUILD_DIR
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../wine/wine-env.sh"
command -v lnkinfo >/dev/null || { echo "lnkinfo missing (liblnk-utils)"; exit 1; }
trap wine_env_stop EXIT
wine_env_start

probe="$build/tests/install/install_probe.exe"
status=0
fail() { echo "FAIL: $*"; status=1; }
field() { lnkinfo "$1" | tr -d '\r' | sed -n "s/^\t$2[[:space:]]*: //p"; }
unix_path() { "$WINE64" winepath -u "$1" 2>/dev/null | tr -d '\r'; }

check_link() {  # windows-path target folder arguments
  local file
  file=$(unix_path "$1")
  [ -f "$file" ] || { fail "no shortcut at $1"; return; }
  [ "$(field "$file" 'Local path')" = "$2" ] || fail "$1: target $(field "$file" 'Local path')"
  [ "$(field "$file" 'Working directory')" = "$3" ] || fail "$1: working folder $(field "$file" 'Working directory')"
  [ "$(field "$file" 'Command line arguments')" = "$4" ] || fail "$1: arguments $(field "$file" 'Command line arguments')"
}

# The uninstaller's shortcut: arguments given.
out=$("$WINE64" "$probe" shortcut 'C:\windows\notepad.exe' 'Tolvik Pellumar 1.0' 'Uninstall Pellumar' 'C:\windows\' 'Pellumar' | tr -d '\r')
start=$(echo "$out" | sed -n 's/^startmenu 1 //p')
desk=$(echo "$out" | sed -n 's/^desktop 1 //p')
[ -n "$start" ] && [ -n "$desk" ] || fail "probe: $out"
case "$start" in *'\Programs\Tolvik Pellumar 1.0\Uninstall Pellumar.lnk') ;; *) fail "start menu path $start" ;; esac
case "$desk" in *'\Desktop\Uninstall Pellumar.lnk') ;; *) fail "desktop path $desk" ;; esac
check_link "$start" 'C:\windows\notepad.exe' 'C:\windows\' 'Pellumar'
check_link "$desk" 'C:\windows\notepad.exe' 'C:\windows\' 'Pellumar'

# A payload's shortcut: no arguments; ".0" is not an extension.
out=$("$WINE64" "$probe" shortcut 'C:\windows\regedit.exe' 'Tolvik Pellumar 1.0' 'Tolvik Pellumar 1.0' 'C:\windows\' | tr -d '\r')
start=$(echo "$out" | sed -n 's/^startmenu 1 //p')
case "$start" in *'\Tolvik Pellumar 1.0\Tolvik Pellumar 1.0.lnk') ;; *) fail "start menu path $start" ;; esac
check_link "$start" 'C:\windows\regedit.exe' 'C:\windows\' ''
file=$(unix_path "$start")
lnkinfo "$file" | grep -q 'Contains a command line arguments string' && fail "arguments set although none were given"

[ $status -eq 0 ] && echo "shortcuts as expected"
exit $status
