#!/usr/bin/env bash
# A user installs the demo product: the window shows the default destination and
# the kilobytes needed; a click on SETUP (or, with "enter", Enter in the path
# field) installs it. Afterwards the files hold exactly the container's bytes,
# the folders, shortcuts, uninstall log and uninstall entry exist, and the
# uninstaller is in the Windows folder.
source "$(dirname "$0")/e2e-lib.sh"
how=${5:-mouse}
e2e_start

start_setup
dest="$PROGRAM_FILES\\Tolvik\\Pellumar"
check "the path field shows the default destination" equal "$(get_path)" "$dest"

if [ "$how" == enter ]; then
  click_client 100 79  # focus the path field, as a user would before typing
  xdotool key Return
else
  click_button $SETUP_BUTTON
fi
check "setup ends after installing" setup_ended 60

extract_node Data.prg "$E2E_WORK/prg"
extract_node Data.lic "$E2E_WORK/lic"
extract_node Uninstall "$E2E_WORK/uninstall"
check "Pellumar.exe holds the container's bytes" cmp -s "$E2E_WORK/prg" "$(unix_path "$dest\\Pellumar.exe")"
check "License.txt holds the container's bytes" cmp -s "$E2E_WORK/lic" "$(unix_path "$dest\\License.txt")"
windows=$("$WINE64" cmd /c 'echo %windir%' | tr -d '\r')
check "TKUNTOOL.EXE is in the Windows folder" cmp -s "$E2E_WORK/uninstall" "$(unix_path "$windows\\TKUNTOOL.EXE")"

log='HKCU\Software\Tolvik\Pellumar\Uninstall'
check "log: Project" equal "$(reg_value "$log" Project)" "Tolvik Pellumar 1.0"
check "log: IDate" equal "$(reg_value "$log" IDate)" "$(LC_ALL=C date +'%A, %B %d, %Y')"
check "log: up" equal "$(reg_value "$log" up)" "1"
check "log: Folder0 is the deepest created folder" equal "$(reg_value "$log" Folder0)" "$dest\\"
check "log: Folder1" equal "$(reg_value "$log" Folder1)" "$PROGRAM_FILES\\Tolvik\\"
check "log: TotalFolders" equal "$(reg_value "$log" TotalFolders)" "2"
check "log: File0" equal "$(reg_value "$log" File0)" "$dest\\Pellumar.exe"
check "log: File1" equal "$(reg_value "$log" File1)" "$dest\\License.txt"
check "log: TotalFiles" equal "$(reg_value "$log" TotalFiles)" "2"
check "log: DF0" equal "$(reg_value "$log" DF0)" "Tolvik Pellumar 1.0"
check "log: TotalDF" equal "$(reg_value "$log" TotalDF)" "1"
check "log: SGroup" equal "$(reg_value "$log" SGroup)" "Tolvik Pellumar 1.0"
entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pellumar'
check "entry: DisplayName" equal "$(reg_value "$entry" DisplayName)" "Tolvik Pellumar 1.0 (Remove Only)"
check "entry: UninstallString" equal "$(reg_value "$entry" UninstallString)" "$windows\\TKUNTOOL.EXE Pellumar"
check "entry: DisplayVersion, from setup.exe's version information" equal "$(reg_value "$entry" DisplayVersion)" "1.0.0.0"
check "entry: Publisher, from setup.exe's version information" equal "$(reg_value "$entry" Publisher)" "Tolvik"
# Where 64-bit programs (Programs and Features) find it: under WOW6432Node for a
# 32-bit setup, and not in the 64-bit key of the same name.
entry_64="$HKLM_SOFTWARE_64\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pellumar"
check "entry: seen by 64-bit programs at $entry_64" equal "$(reg_value "$entry_64" DisplayName /reg:64)" \
  "Tolvik Pellumar 1.0 (Remove Only)"
if [ "$entry_64" != "$entry" ]; then
  check "entry: not in the 64-bit view of $entry" test -z "$(reg_value "$entry" DisplayName /reg:64 || true)"
fi
"$WINE64" reg export 'HKEY_CURRENT_USER\Software\Tolvik' "$(unix_path 'C:\log.reg')" /y >/dev/null 2>&1 || true
check "reg export lists the log" grep -q 'TotalFiles' <(iconv -f UTF-16 -t UTF-8 "$(unix_path 'C:\log.reg')" 2>/dev/null || cat "$(unix_path 'C:\log.reg')")

# setup.exe asks to run as administrator, so its shortcuts go to the all-users
# folders, which only administrators can write; none goes to the user's own.
programs=$("$WINE64" cmd /c 'echo %ProgramData%\Microsoft\Windows\Start Menu\Programs' | tr -d '\r')
desktop=$("$WINE64" cmd /c 'echo %PUBLIC%\Desktop' | tr -d '\r')
user_programs=$("$WINE64" cmd /c 'echo %APPDATA%\Microsoft\Windows\Start Menu\Programs' | tr -d '\r')
user_desktop=$("$WINE64" cmd /c 'echo %USERPROFILE%\Desktop' | tr -d '\r')
check "no group in the user's Start menu" test ! -e "$(unix_path "$user_programs")/Tolvik Pellumar 1.0"
check "no shortcut on the user's desktop" test ! -e "$(unix_path "$user_desktop")/Tolvik Pellumar 1.0.lnk"
group="$(unix_path "$programs")/Tolvik Pellumar 1.0"
program_lnk="$group/Tolvik Pellumar 1.0.lnk"
license_lnk="$group/License & Reg.Information.lnk"
uninstall_lnk="$group/Uninstall Pellumar.lnk"
desktop_lnk="$(unix_path "$desktop")/Tolvik Pellumar 1.0.lnk"
for lnk in "$program_lnk" "$license_lnk" "$uninstall_lnk" "$desktop_lnk"; do
  check "shortcut exists: ${lnk##*/}" test -f "$lnk"
done
check "program shortcut: target" equal "$(lnk_field "$program_lnk" 'Local path')" "$dest\\Pellumar.exe"
check "program shortcut: working folder" equal "$(lnk_field "$program_lnk" 'Working directory')" "$dest\\"
check "desktop shortcut: target" equal "$(lnk_field "$desktop_lnk" 'Local path')" "$dest\\Pellumar.exe"
check "license shortcut: target" equal "$(lnk_field "$license_lnk" 'Local path')" "$dest\\License.txt"
check "uninstaller shortcut: target" equal "$(lnk_field "$uninstall_lnk" 'Local path')" "$windows\\TKUNTOOL.EXE"
check "uninstaller shortcut: arguments" equal "$(lnk_field "$uninstall_lnk" 'Command line arguments')" "Pellumar"
check "uninstaller shortcut: working folder" equal "$(lnk_field "$uninstall_lnk" 'Working directory')" "$windows\\"
check "no desktop shortcut for the license" test ! -e "$(unix_path "$desktop")/License & Reg.Information.lnk"
