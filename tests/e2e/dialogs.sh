#!/usr/bin/env bash
# License shows the container's license text, byte for byte, in a captioned
# dialog that opens once for a double click and stays on the screen when the
# window stands at the top edge; Browse opens the folder chooser and OK on a
# folder puts that folder + "\Tolvik\Pellumar" into the field; Esc closes the
# window without installing anything.
source "$(dirname "$0")/e2e-lib.sh"
e2e_start
start_setup

click_button $LICENSE_BUTTON
check "License opens a dialog captioned \"License\"" probe wait License 20
extract_node License "$E2E_WORK/license.txt"
probe get-text License 1008 >"$E2E_WORK/shown.txt"
check "the dialog shows the license text byte for byte" cmp "$E2E_WORK/shown.txt" "$E2E_WORK/license.txt"
probe press License 1 >/dev/null
check "OK closes the License dialog" probe gone License 10
check "the main window stays" probe wait "$WINDOW" 5

# The second click of a double click is a BN_DBLCLK, not a second License command.
probe double-click "$WINDOW" 1001 >/dev/null
check "a double click on License opens it" probe wait License 20
sleep 1
probe press License 1 >/dev/null 2>&1 || true
check "a double click on License opens one dialog" probe gone License 5
for extra in 1 2; do probe press License 1 >/dev/null 2>&1 || true; probe gone License 5 >/dev/null || true; done

mkdir -p "$(unix_path 'C:\Apps')"
set_path 'C:\Apps'
click_button $BROWSE_BUTTON
chooser=""
for i in $(seq 1 "$(wine_polls 100)"); do
  chooser=$(probe list | tr -d '\r' | grep -v -x -e "$WINDOW" -e "Backdrop" -e "" | head -n 1 || true)
  [ -n "$chooser" ] && break
  sleep 0.2
done
check "Browse opens the folder chooser" test -n "$chooser"
probe press "$chooser" 1 >/dev/null
probe gone "$chooser" 10 >/dev/null || true
check "OK on the preselected folder sets the field" equal "$(get_path)" 'C:\Apps\Tolvik\Pellumar'

# Dragged to the top edge, the window's License dialog still opens on the screen.
click_client 100 79
xdotool mousemove 120 200 sleep 0.2 mousedown 1 sleep 0.2 mousemove 120 150 sleep 0.2 mousemove 120 100 sleep 0.2 mouseup 1
sleep 0.5
WINDOW_X=100
WINDOW_Y=0
check "the window is dragged to the top edge" equal "$(probe rect "$WINDOW" | tr -d '\r')" "100 0 450 207"
click_button $LICENSE_BUTTON
check "License opens at the top edge too" probe wait License 20
inside_work_area() {
  local left top right bottom work_left work_top work_right work_bottom
  read -r left top right bottom work_left work_top work_right work_bottom < <(probe frame License | tr -d '\r')
  echo "  License at $left $top $right $bottom, work area $work_left $work_top $work_right $work_bottom"
  [ "$top" -ge "$work_top" ] && [ "$left" -ge "$work_left" ] && [ "$bottom" -le "$work_bottom" ] &&
    [ "$right" -le "$work_right" ]
}
check "the License dialog lies inside the work area" inside_work_area
probe press License 1 >/dev/null
probe gone License 10 >/dev/null || true

click_client 100 79  # the path field has the focus, as after typing
xdotool key Escape
check "Esc closes the window" setup_ended 20
check "nothing was installed" test ! -e "$(unix_path 'C:\Apps\Tolvik')"
no_key() { ! "$WINE64" reg query "$1" >/dev/null 2>&1; }
check "no uninstall log was written" no_key 'HKCU\Software\Tolvik\Pellumar'
