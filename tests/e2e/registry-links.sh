#!/usr/bin/env bash
# HKCU\Software\Tolvik made a registry link, as any program of the user can, to a
# key under HKLM: setup.exe /S writes nothing through it (its log says so), still
# installs with its trusted copy and entry, and the quiet uninstall deletes
# nothing through it. The link is written into the stopped prefix's user.reg the
# way Wine keeps its own links.
#
# Arguments: the e2e scripts' four.
source "$(dirname "$0")/e2e-lib.sh"
e2e_start

setup="\"Z:${SETUP_EXE//\//\\}\""
victim='HKLM\SOFTWARE\TolvikVictim'
"$WINE64" reg add "$victim\\Pellumar\\Uninstall" /v Project /d Victim /f /reg:64 >/dev/null
"${WINE64%/*}/wineserver" -w
target=$(printf '%s' '\Registry\Machine\Software\TolvikVictim' | iconv -f UTF-8 -t UTF-16LE | od -An -v -tx1 |
  tr -s ' \n' ' ' | sed 's/^ //; s/ $//; s/ /,/g')
printf '\n[Software\\\\Tolvik] 1700000000\n#link\n"SymbolicLinkValue"=hex(6):%s\n' "$target" >>"$WINEPREFIX/user.reg"

victim_intact() {
  equal "$(reg_value "$victim\\Pellumar\\Uninstall" Project /reg:64)" Victim &&
    ! reg_value "$victim\\Pellumar\\Uninstall" IDate /reg:64
}
trusted_gone() { ! reg_value 'HKLM\SOFTWARE\Tolvik\Pellumar\Uninstall' IDate; }
check "the link leads to the victim" equal "$(reg_value 'HKCU\Software\Tolvik\Pellumar\Uninstall' Project)" Victim
check "setup /S installs with 0" equal "$(run_code "$setup /S /LOG=C:\\links.log")" 0
check "... nothing was written through the link" victim_intact
check "... its log says the key is a link" \
  grep -q -F 'HKCU\Software\Tolvik is a registry link; HKCU\Software\Tolvik\Pellumar\Uninstall was not written' \
  "$(unix_path 'C:\links.log')"
check "... the trusted copy was written" test -n "$(reg_value 'HKLM\SOFTWARE\Tolvik\Pellumar\Uninstall' IDate)"
entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pellumar'
quiet=$(reg_value "$entry" QuietUninstallString)
check "... and the uninstall entry" test -n "$quiet"

run_code "$quiet" >/dev/null || true
check "the quiet uninstall deleted nothing through the link" victim_intact
check "... and removed the trusted copy" trusted_gone
check "... and the product" test ! -e "$(unix_path "$PROGRAM_FILES\\Tolvik\\Pellumar\\Pellumar.exe")"
