#!/usr/bin/env bash
# A user whose name the ANSI code page cannot hold (Wine names the profile after
# USER) enters a destination that it cannot hold either: setup installs there, the
# uninstall log holds the paths as they are, the shortcuts point at the files, setup
# again with the destination in other letter case installs over the product, and
# the uninstaller removes everything again.
source "$(dirname "$0")/e2e-lib.sh"
export USER='Jiří李雷'
e2e_start

check "the profile is named after the user" test -d "$WINEPREFIX/drive_c/users/$USER"

# A folder where the desktop shortcut would go: that shortcut cannot be made.
desktop=$("$WINE64" cmd /c 'echo %PUBLIC%\Desktop' | tr -d '\r')
desktop_lnk="$(unix_path "$desktop")/Tolvik Pellumar 1.0.lnk"
mkdir -p "$desktop_lnk"

start_setup
dest='C:\Programme\Überprüfung\日本語'
# Put into the field as the system puts text there (WM_SETTEXT, UTF-16): xdotool
# cannot type characters missing from the X keyboard map into Wine.
probe set-utf8 "$WINDOW" 1005 "$dest" >/dev/null
check "the path field holds the typed destination" equal "$(probe get-utf8 "$WINDOW" 1005)" "$dest"
click_button $SETUP_BUTTON
lost=$(run_box_text 60 || true)
check "the end of the run names the lost shortcut" equal "$lost" \
  "$(printf 'The product was installed, but these shortcuts could not be created:\nDesktop\\Tolvik Pellumar 1.0')"
close_run_box
check "setup ends after installing" setup_ended 60

extract_node Data.prg "$E2E_WORK/prg"
extract_node Data.lic "$E2E_WORK/lic"
check "Pellumar.exe is installed where the user asked" cmp -s "$E2E_WORK/prg" "$(unix_path "$dest\\Pellumar.exe")"
check "License.txt is installed where the user asked" cmp -s "$E2E_WORK/lic" "$(unix_path "$dest\\License.txt")"

# reg export writes UTF-16, which keeps every character (reg query's console output would not).
reg_export() {  # reg_export KEY: the key's values as UTF-8 lines, "name"="data"
  "$WINE64" reg export "$1" "$(unix_path 'C:\export.reg')" /y "$REG_VIEW" >/dev/null 2>&1 || return 0
  iconv -f UTF-16 -t UTF-8 "$(unix_path 'C:\export.reg')" | tr -d '\r'
}
escaped=${dest//\\/\\\\}
for key in 'HKCU\Software\Tolvik\Pellumar\Uninstall' 'HKLM\SOFTWARE\Tolvik\Pellumar\Uninstall'; do
  values=$(reg_export "$key")
  check "$key: File0 names the file" grep -qxF "\"File0\"=\"$escaped\\\\Pellumar.exe\"" <<<"$values"
  check "$key: Folder0 is the typed folder" grep -qxF "\"Folder0\"=\"$escaped\\\\\"" <<<"$values"
  check "$key: Folder1 is its parent" grep -qxF "\"Folder1\"=\"C:\\\\Programme\\\\Überprüfung\\\\\"" <<<"$values"
done
log=$(reg_export 'HKCU\Software\Tolvik\Pellumar\Uninstall')
check "the lost desktop shortcut is not logged as made" grep -qxF '"TotalDF"="0"' <<<"$log"
entry=$(reg_export 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pellumar')
check "entry: InstallLocation" grep -qxF "\"InstallLocation\"=\"$escaped\"" <<<"$entry"

# Elevated, so the shortcuts are in the all-users folders.
programs=$("$WINE64" cmd /c 'echo %ProgramData%\Microsoft\Windows\Start Menu\Programs' | tr -d '\r')
group="$(unix_path "$programs")/Tolvik Pellumar 1.0"
program_lnk="$group/Tolvik Pellumar 1.0.lnk"
for lnk in "$program_lnk" "$group/License & Reg.Information.lnk" "$group/Uninstall Pellumar.lnk"; do
  check "shortcut exists: ${lnk##*/}" test -f "$lnk"
done
# Wine keeps a link's target path in the ANSI code page ("?" for what it lacks);
# the working folder is kept in full.
lossy_dest='C:\Programme\Überprüfung\???'
target_is() {  # target_is LNK PATH-BELOW-DEST
  local path
  path=$(lnk_field "$1" 'Local path')
  [ "$path" == "$dest\\$2" ] || [ "$path" == "$lossy_dest\\$2" ] || { echo "  target: [$path]"; return 1; }
}
check "program shortcut: target" target_is "$program_lnk" Pellumar.exe
check "program shortcut: working folder" equal "$(lnk_field "$program_lnk" 'Working directory')" "$dest\\"
check "license shortcut: target" target_is "$group/License & Reg.Information.lnk" License.txt

# Setup again, quietly, given the destination in other letter case: the file system
# takes "überprüfung" for "Überprüfung", so the files there are the record's own and
# are replaced, not refused as another program's.
lower_dest='c:\programme\überprüfung\日本語'
reinstall_log=$(unix_path 'C:\reinstall.log')
reinstall() {  # the Unicode command line comes from UTF-8 arguments
  local code=0
  LC_CTYPE=C.UTF-8 "$WINE64" "$SETUP_EXE" /S "/LOG=C:\reinstall.log" "/D=$lower_dest" >/dev/null 2>&1 || code=$?
  [ "$code" -eq 0 ] || { echo "  exit code $code"; tr -d '\r' <"$reinstall_log" | sed 's/^/  | /'; return 1; }
}
check "setup given the destination in lower case installs over the product" reinstall
check "... and finds no file of another program" test -z "$(grep -i 'another program' "$reinstall_log" || true)"
check "... the product's file is there, whole" cmp -s "$E2E_WORK/prg" "$(unix_path "$dest\\Pellumar.exe")"
check "... and no new copy is left beside it" test ! -e "$(unix_path "$dest\\Pellumar.exe.tknew")"

report=$(uninstall_record Pellumar)
check "the uninstaller reports no problem" test -z "$(grep -i -e 'not removed' -e 'could not' -e 'kept' <<<"$report" || true)"
check "the typed folders are gone" test ! -e "$(unix_path 'C:\Programme')"
check "the program group is gone" test ! -e "$group"
check "the folder in the desktop shortcut's place is left alone" test -d "$desktop_lnk"
check "the uninstall log is gone" test -z "$(reg_export 'HKCU\Software\Tolvik\Pellumar\Uninstall')"
check "the uninstall entry is gone" \
  test -z "$(reg_export 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pellumar')"
