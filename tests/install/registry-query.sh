#!/usr/bin/env bash
# The uninstall record as Wine's own "reg query" sees it, for a record name with
# a "\" (nested keys under both parents).
# Usage: registry-query.sh WIN64_BUILD_DIR
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../wine/wine-env.sh"
trap wine_env_stop EXIT
wine_env_start

probe="$build/tests/install/install_probe.exe"
"$WINE64" "$probe" record 'Tolvik\Pellumar'

# "reg query" lists a key's values as "    NAME    TYPE    DATA", sorted by name, in the
# probe's own registry view (WOW6432Node for a 32-bit probe).
query() { "$WINE64" reg query "$1" "$REG_VIEW" | tr -d '\r' | sed -n 's/^    //p'; }

expected_log=$(cat <<'END'
DF0    REG_SZ    Tolvik Pellumar 1.0
File0    REG_SZ    C:\Program Files\Tolvik\Pellumar\Pellumar.exe
File1    REG_SZ    C:\Program Files\Tolvik\Pellumar\License.txt
Folder0    REG_SZ    C:\Program Files\Tolvik\Pellumar\
Folder1    REG_SZ    C:\Program Files\Tolvik\
IDate    REG_SZ    Monday, December 07, 2026
Project    REG_SZ    Tolvik Pellumar 1.0
SGroup    REG_SZ    Tolvik Pellumar 1.0
TotalDF    REG_SZ    1
TotalFiles    REG_SZ    2
TotalFolders    REG_SZ    2
up    REG_SZ    1
END
)
expected_entry=$(cat <<'END'
DisplayIcon    REG_SZ    C:\WINDOWS\TKUNTOOL.EXE
DisplayName    REG_SZ    Tolvik Pellumar 1.0 (Remove Only)
EstimatedSize    REG_DWORD    0x2bd
InstallLocation    REG_SZ    C:\Program Files\Tolvik\Pellumar
NoModify    REG_DWORD    0x1
NoRepair    REG_DWORD    0x1
QuietUninstallString    REG_SZ    C:\WINDOWS\TKUNTOOL.EXE Tolvik\Pellumar /S
UninstallString    REG_SZ    C:\WINDOWS\TKUNTOOL.EXE Tolvik\Pellumar
END
)

status=0
log=$(query 'HKCU\Software\Tolvik\Tolvik\Pellumar\Uninstall')
if [ "$log" != "$expected_log" ]; then
  echo "uninstall log differs:"; diff <(echo "$expected_log") <(echo "$log") || true; status=1
fi
entry=$(query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Tolvik\Pellumar')
if [ "$entry" != "$expected_entry" ]; then
  echo "uninstall entry differs:"; diff <(echo "$expected_entry") <(echo "$entry") || true; status=1
fi
# Nothing lands in the parents themselves.
if [ -n "$(query 'HKCU\Software\Tolvik\Tolvik')" ] || [ -n "$(query 'HKCU\Software\Tolvik')" ]; then
  echo "values written above the log key"; status=1
fi
[ $status -eq 0 ] && echo "registry values as expected"
exit $status
