#!/usr/bin/env bash
# Products installed for one user. Started without administrator rights (a child
# of the probe with the limited token), a "user" product installed with /S lands
# only in the user's programs folder, Start menu and HKEY_CURRENT_USER, with its
# uninstaller in its own folder, and its quiet uninstall leaves nothing. Run
# elevated, or with /ALLUSERS, it installs nothing. A "both" product is installed
# once for the user and once for all users: each copy is removed on its own, the
# other one staying whole; started unelevated for all users, it starts itself
# again through the elevation prompt, once. Started interactively, it lets the
# user choose in its window.
#
# Arguments: the e2e scripts' four, then the stub folder (with x86/ and x64/).
source "$(dirname "$0")/e2e-lib.sh"
STUBS=$5
e2e_start

for scope in user both; do
  check "tkds make --scope $scope" "$TKDS" make "$STUBS/../sample/container.manifest" -o "$E2E_WORK/$scope.exe" \
    --arch "$KIT_ARCH" --stubs "$STUBS" --scope $scope --product-version 1.2.0.0 --company Tolvik
done
setup_of() { echo "\"Z:${E2E_WORK//\//\\}\\$1.exe\""; }
limited_code() { timeout "$(wine_polls 120)" "$WINE64" "$PROBE_EXE" run-limited "$1" | tr -d '\r\n'; }

profile=$(c 'C:\users')/${USER:-$(id -un)}
[ -d "$profile" ] || profile=$(find "$(c 'C:\users')" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
programs="$profile/AppData/Local/Programs/Tolvik/Pellumar"
user_entry='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pellumar'
user_record='HKCU\Software\Tolvik\Pellumar\CurrentUser'
machine_entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pellumar'
machine_record='HKLM\SOFTWARE\Tolvik\Pellumar\Uninstall'
# Nothing of the machine's copy: no record, no entry, no shared uninstaller, no folder.
no_machine_copy() {
  local left=0
  reg_value "$machine_record" Project >/dev/null && { echo "  left: the machine record"; left=1; }
  reg_value "$machine_entry" DisplayName >/dev/null && { echo "  left: the machine entry"; left=1; }
  [ -e "$(c 'C:\windows')/TKUNTOOL.EXE" ] && { echo "  left: C:\\windows\\TKUNTOOL.EXE"; left=1; }
  [ -e "$(c "$PROGRAM_FILES")/Tolvik" ] && { echo "  left: C:\\Program Files\\Tolvik"; left=1; }
  return $left
}
no_user_copy() {
  local left=0
  reg_value "$user_record" Project >/dev/null && { echo "  left: the user's record"; left=1; }
  reg_value "$user_entry" DisplayName >/dev/null && { echo "  left: the user's entry"; left=1; }
  [ -e "$programs" ] && { echo "  left: $programs"; ls -la "$programs"; left=1; }
  find "$profile" -iname '*Pellumar*' | grep -q . && { find "$profile" -iname '*Pellumar*' | sed 's/^/  left: /'; left=1; }
  return $left
}
nothing_of_either() { no_machine_copy && no_user_copy; }
ends_with() { [[ "$1" == *"$2" ]] || { echo "  [$1] does not end with [$2]"; return 1; }; }
user_copy_whole() {
  [ -f "$programs/Pellumar.exe" ] && [ -f "$programs/TKUNTOOL.EXE" ] &&
    [ -n "$(find "$profile" -path '*Start Menu/Programs/Tolvik Pellumar 1.0/*.lnk' | head -n 1)" ]
}

# A product for the user, silently, without administrator rights.
check "a user product: /S unelevated ends with 0" equal "$(limited_code "$(setup_of user) /S")" 0
check "... its files, uninstaller and shortcuts are the user's" user_copy_whole
check "... its entry under HKEY_CURRENT_USER says what winget reads" equal \
  "$(for v in DisplayVersion Publisher EstimatedSize; do reg_value "$user_entry" $v >/dev/null && printf '%s ' $v; done)" \
  "DisplayVersion Publisher EstimatedSize "
check "... the entry names its folder" equal "$(reg_value "$user_entry" InstallLocation)" \
  "$(reg_value "$user_record" File0 | sed 's/\\[^\\]*$//')"
check "... the quiet uninstall names the user's uninstaller" \
  ends_with "$(reg_value "$user_entry" QuietUninstallString)" '\Pellumar\TKUNTOOL.EXE Pellumar /CURRENTUSER /S'
check "... nothing for the machine" no_machine_copy
check "... its quiet uninstall, unelevated, ends with 0" \
  equal "$(limited_code "$(reg_value "$user_entry" QuietUninstallString)")" 0
check "... and leaves nothing" no_user_copy

check "a user product run elevated ends with 1603" equal "$(run_code "$(setup_of user) /S")" 1603
check "a user product with /ALLUSERS ends with 87" equal "$(limited_code "$(setup_of user) /S /ALLUSERS")" 87
check "a machine product with /CURRENTUSER ends with 87" equal "$(run_code "\"Z:${SETUP_EXE//\//\\}\" /S /CURRENTUSER")" 87
check "/CURRENTUSER and /ALLUSERS together end with 87" equal "$(limited_code "$(setup_of both) /S /CURRENTUSER /ALLUSERS")" 87
check "... none of them wrote anything" nothing_of_either

# A product for either: once for the user, once for all users (elevating itself).
check "a both product: /S unelevated installs for the user" equal "$(limited_code "$(setup_of both) /S")" 0
check "... whole for the user" user_copy_whole
check "... nothing for the machine yet" no_machine_copy
# Wine's elevation prompt starts the program with no more rights than its caller:
# the setup started again must then end, not start yet another one.
check "a both product: /S /ALLUSERS unelevated starts itself again; given no rights, it ends with 1603" \
  equal "$(limited_code "$(setup_of both) /S /ALLUSERS")" 1603
check "... nothing for the machine" no_machine_copy
check "a both product: /S /ALLUSERS elevated installs for all users" equal "$(run_code "$(setup_of both) /S /ALLUSERS")" 0
check "... the machine's copy is in Program Files" test -f "$(c "$PROGRAM_FILES")/Tolvik/Pellumar/Pellumar.exe"
check "... the user's copy is still whole" user_copy_whole
check "the machine's quiet uninstall ends with 0" equal "$(run_code "$(reg_value "$machine_entry" QuietUninstallString)")" 0
check "... the machine's copy is gone" no_machine_copy
check "... the user's copy is still whole" user_copy_whole
check "the user's quiet uninstall ends with 0" \
  equal "$(limited_code "$(reg_value "$user_entry" QuietUninstallString)")" 0
check "... nothing is left of either" nothing_of_either

# A product for either, started interactively without administrator rights,
# lets the user choose in its window: a toggle right of Browse and a readout
# under it, where a machine product's window shows the bare plate. The toggle
# switches the field between the user's programs folder and Program Files (a
# folder of the user's own stays), by a click or by Tab and Space. SETUP for
# everyone starts setup again for all users with the field as /DIR=, and this
# setup ends with that one's exit code.
limited_code "$(setup_of both)" >"$E2E_WORK/choice-code" &
chooser=$!
probe wait "$WINDOW" 60 >/dev/null
sleep 1
user_folder="C:\\users\\$(basename "$profile")\\AppData\\Local\\Programs\\Tolvik\\Pellumar"
machine_folder="$PROGRAM_FILES\\Tolvik\\Pellumar"
TOGGLE="316 61"
choice_area() { import -window root -crop 104x50+$((WINDOW_X + 288))+$((WINDOW_Y + 58)) +repage "$1"; }
differ() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" != 0 ]; }
"$TKDS" preview "$CONTAINER" -o "$E2E_WORK/preview.png"
convert "$E2E_WORK/preview.png" -crop 104x50+288+58 +repage "$E2E_WORK/plate.png"
choice_area "$E2E_WORK/just-me.png"
check "the window offers the user's programs folder" equal "$(get_path)" "$user_folder"
check "the choice shows right of Browse, where a machine product's plate is bare" \
  differ "$E2E_WORK/just-me.png" "$E2E_WORK/plate.png"

click_button $TOGGLE
check "the toggle offers Program Files" equal "$(get_path)" "$machine_folder"
click_client 100 79  # the cursor and the focus off the toggle, which lights for either
sleep 0.3
choice_area "$E2E_WORK/everyone.png"
check "... and the readout changes" differ "$E2E_WORK/everyone.png" "$E2E_WORK/just-me.png"
click_button $TOGGLE
check "again, the user's programs folder" equal "$(get_path)" "$user_folder"
click_button $TOGGLE 3
check "three quick clicks turn it three times, as a check box" equal "$(get_path)" "$machine_folder"
click_button $TOGGLE
set_path 'C:\Mine'
click_button $TOGGLE
check "a folder of the user's own stays" equal "$(get_path)" 'C:\Mine'
click_button $TOGGLE
set_path "$user_folder"
click_client 100 79
xdotool key Tab sleep 0.3 key space sleep 0.3
check "Tab and Space work the toggle" equal "$(get_path)" "$machine_folder"

set_path 'Pellumar'
click_button $SETUP_BUTTON
check "a path the run would refuse is refused before the elevation prompt" \
  equal "$(run_box_text | head -n 1)" "Path invalid."
close_run_box
set_path "$PROGRAM_FILES\\Tolvik\\Chosen Place"
click_button $SETUP_BUTTON
# Wine's prompt gives the setup it starts no more rights than this one has: that
# setup says so, and ends.
check "SETUP for everyone starts setup again for all users" probe wait both 30
check "... with the field as /DIR=" \
  grep -q -F "/ALLUSERS /DIR=$PROGRAM_FILES\\Tolvik\\Chosen Place" <(ps -eo args)
check "... which, given no rights, says so" grep -q "gave it no administrator rights" <(probe texts both)
probe press both 2 >/dev/null 2>&1 || probe press both 1 >/dev/null
wait "$chooser"
check "this setup ends with that one's exit code" equal "$(cat "$E2E_WORK/choice-code")" 1603
check "... and nothing was installed" nothing_of_either
