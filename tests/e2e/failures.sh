#!/usr/bin/env bash
# What the user is told when an installation cannot go on, and that the window is
# usable again afterwards: bad paths, a drive too small, a payload file held open
# by another program; then a second SETUP with a good path succeeds.
source "$(dirname "$0")/e2e-lib.sh"
e2e_start

path_message=$'Path invalid.\nYou must enter the full path, e.g.\n "c:\\Program Files\\Tolvik\\FolderName"'
tolvik_folder="$(unix_path "$PROGRAM_FILES\\Tolvik")"

# A drive with 100 KB, too small for the product; mapped before setup.exe starts,
# since Wine reads the drive list when a process starts.
small="$WINE_ENV_DIR/small"
mkdir -p "$small"
have_small=false
if mount -t tmpfs -o size=100k tmpfs "$small" 2>/dev/null; then
  trap 'umount "$small" 2>/dev/null; e2e_stop' EXIT
  ln -s "$small" "$WINEPREFIX/dosdevices/s:"
  have_small=true
fi

start_setup

for bad in 'Q:\Apps' '\\server\share\x' 'C:Program Files'; do
  set_path "$bad"
  click_button $SETUP_BUTTON
  check "\"$bad\" gives the path message" equal "$(run_box_text)" "$path_message"
  close_run_box
  check "\"$bad\": nothing was created" test ! -e "$tolvik_folder"
done

if $have_small; then
  set_path 'S:\Apps\Pellumar'
  click_button $SETUP_BUTTON
  check "a small drive gives the space message" equal "$(run_box_text)" "Not enough space on destination drive..."
  close_run_box
  check "the destination's folders stay" test -d "$small/Apps/Pellumar"
  check "no file was written to the small drive" test -z "$(find "$small" -type f)"
else
  echo "skip: cannot mount a small tmpfs here (not root?)"
fi

# Another program holds the payload file open without sharing.
mkdir -p "$(unix_path 'C:\Held')"
"$WINE64" "$PROBE_EXE" hold 'C:\Held\Pellumar.exe' 120 > "$E2E_WORK/held" &
holder=$!
for i in $(seq 1 100); do grep -q held "$E2E_WORK/held" 2>/dev/null && break; sleep 0.1; done
set_path 'C:\Held'
click_button $SETUP_BUTTON
check "a held file gives the sharing-violation text" equal "$(run_box_text)" \
  $'File could not be opened...\nA sharing violation occurred while accessing C:\\Held\\Pellumar.exe.'
close_run_box
kill "$holder" 2>/dev/null || true
wait "$holder" 2>/dev/null || true
log='HKCU\Software\Tolvik\Pellumar\Uninstall'
check "the stopped run left no TotalFiles" test -z "$(reg_value "$log" TotalFiles || true)"

# The window is idle again: a second SETUP over the existing folder succeeds.
click_button $SETUP_BUTTON
check "setup ends after the second try" setup_ended 60
check "the program was installed" test -s "$(unix_path 'C:\Held\Pellumar.exe')"
check "TotalFolders is 0 over existing folders" equal "$(reg_value "$log" TotalFolders)" "0"
check "TotalFiles is 2" equal "$(reg_value "$log" TotalFiles)" "2"
