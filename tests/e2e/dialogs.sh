#!/usr/bin/env bash
# License shows the container's license text in a captioned dialog; Browse opens
# the folder chooser and OK on a folder puts that folder + "\Tolvik\Pellumar"
# into the field; Esc closes the window without installing anything.
source "$(dirname "$0")/e2e-lib.sh"
e2e_start
start_setup

click_button $LICENSE_BUTTON
check "License opens a dialog captioned \"License\"" probe wait License 20
extract_node License "$E2E_WORK/license.txt"
# Compared apart from carriage returns, which the console adds to line ends.
check "the dialog shows the license text" equal "$(probe get-text License 1008 | tr -d '\r')" \
  "$(tr -d '\r' < "$E2E_WORK/license.txt")"
probe press License 1 >/dev/null
check "OK closes the License dialog" probe gone License 10
check "the main window stays" probe wait "$WINDOW" 5

mkdir -p "$(unix_path 'C:\Apps')"
set_path 'C:\Apps'
click_button $BROWSE_BUTTON
chooser=""
for i in $(seq 1 100); do
  chooser=$(probe list | tr -d '\r' | grep -v -x -e "$WINDOW" -e "Backdrop" -e "" | head -n 1 || true)
  [ -n "$chooser" ] && break
  sleep 0.2
done
check "Browse opens the folder chooser" test -n "$chooser"
probe press "$chooser" 1 >/dev/null
probe gone "$chooser" 10 >/dev/null || true
check "OK on the preselected folder sets the field" equal "$(get_path)" 'C:\Apps\Tolvik\Pellumar'

click_client 100 79  # the path field has the focus, as after typing
xdotool key Escape
check "Esc closes the window" setup_ended 20
check "nothing was installed" test ! -e "$(unix_path 'C:\Apps\Tolvik')"
no_key() { ! "$WINE64" reg query "$1" >/dev/null 2>&1; }
check "no uninstall log was written" no_key 'HKCU\Software\Tolvik\Pellumar'
