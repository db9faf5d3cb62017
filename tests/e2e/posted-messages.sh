#!/usr/bin/env bash
# Messages any process on the desktop can post to the setup window: junk across
# the private range (random parameters, and the window's own message numbers with
# addresses that hold no code) neither ends setup, nor runs anything, nor starts
# an interactive setup's installation; and a /PASSIVE run flooded with the same
# junk still installs and ends with 0.
source "$(dirname "$0")/e2e-lib.sh"
e2e_start

start_setup
dest="$PROGRAM_FILES\\Tolvik\\Pellumar"
check "the window survives and answers a flood of posted junk" probe junk "$WINDOW" "$(wine_polls 5)"
check "setup is still running" kill -0 "$SETUP_PID"
check "... and answers throughout" probe answers "$WINDOW" 2
check "... showing the default destination" equal "$(get_path)" "$dest"
check "no installation started: nothing at the destination" test ! -e "$(unix_path "$PROGRAM_FILES\\Tolvik")"
no_key() { ! "$WINE64" reg query "$1" >/dev/null 2>&1; }
check "... and no uninstall log" no_key 'HKCU\Software\Tolvik'
click_client 100 79
xdotool key Escape
check "Esc still closes the window" setup_ended 20

# The run's thread hands the window its calls while the junk (kCallMessage with
# 0 and 0 among it) arrives.
passive='C:\Passive'
("$WINE64" "$SETUP_EXE" /PASSIVE "/DIR=$passive"; echo $? >"$E2E_WORK/passive.rc") &
SETUP_PID=$!
check "/PASSIVE shows the window" probe wait "$WINDOW" 60
probe junk "$WINDOW" "$(wine_polls 60)" >"$E2E_WORK/junk.txt" &
junk=$!
check "the flooded /PASSIVE setup ends by itself" setup_ended 90
check "... with 0" equal "$(cat "$E2E_WORK/passive.rc" 2>/dev/null)" 0
rc=0
wait "$junk" || rc=$?
check "... having answered every round of junk ($(tr -d '\r' <"$E2E_WORK/junk.txt" | tail -n 1))" test "$rc" == 0
extract_node Data.prg "$E2E_WORK/prg"
check "... and installed Pellumar.exe byte for byte" cmp -s "$E2E_WORK/prg" "$(unix_path "$passive\\Pellumar.exe")"
