#!/usr/bin/env bash
# Fails unless every DLL the given programs import is one of the system's known
# DLLs (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs on
# Windows 10 and 11). The loader resolves a program's imports before its first
# line runs and looks for any other name in the program's own folder first: a
# DLL of that name planted beside a downloaded setup.exe would run elevated.
# Delay-loaded DLLs are refused as well (they are loaded by name later).
# Every program must also be marked Terminal Server aware
# (IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE): unmarked, a Remote Desktop
# host gives it a private per-user Windows folder, not the one it installs into.
# Usage: check-known-dll-imports.sh PROGRAM...
set -uo pipefail
known=" advapi32 clbcatq combase comdlg32 coml2 difxapi gdi32 gdiplus imagehlp imm32 kernel32 msctf msvcrt
 normaliz nsi ole32 oleaut32 psapi rpcrt4 sechost setupapi shcore shell32 shlwapi user32 wldap32 ws2_32 "
known=" $(echo $known) "
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}  # reads 32-bit and 64-bit programs alike
[ $# -gt 0 ] || { echo "usage: $0 PROGRAM..." >&2; exit 2; }
failed=0
for program in "$@"; do
  if ! headers=$("$objdump" -p "$program" 2>&1); then
    echo "FAIL: $program: $headers"; failed=1; continue
  fi
  dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr -d '\r')
  outside=""
  for dll in $dlls; do
    base=$(tr 'A-Z' 'a-z' <<<"${dll%.*}")
    [[ "$known" == *" $base "* ]] || outside+=" $dll"
  done
  if awk '$NF == "Directory" && $(NF-1) == "Import" && $(NF-2) == "Delay" && ($3 != "0000000000000000" && $3 != "00000000") { found = 1 } END { exit !found }' <<<"$headers"; then
    outside+=" (delay-loaded DLLs)"
  fi
  characteristics=$(awk '$1 == "DllCharacteristics" { print $2; exit }' <<<"$headers")
  if (( (16#${characteristics:-0} & 0x8000) == 0 )); then
    echo "FAIL: $program is not marked Terminal Server aware (DllCharacteristics ${characteristics:-missing})"; failed=1
  fi
  if [ -n "$outside" ]; then
    echo "FAIL: $program imports$outside, not known DLLs (all: $(echo $dlls))"; failed=1
  else
    echo "ok: $program: $(echo $dlls)"
  fi
done
exit $failed
