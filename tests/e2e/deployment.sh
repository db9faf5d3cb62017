#!/usr/bin/env bash
# Unattended deployment, with a setup.exe made as a vendor publishing to winget
# makes it (tkds make --winget-manifests): its manifests validate against the
# published schemas, and their hash is the file's; then setup.exe's command line
# and exit codes (87 with nothing on screen under /S, a box otherwise; /? shows
# the usage; /D= with blanks fills the path field; a second setup of the record
# while one runs ends with 1618; Cancel gives 1602; an installation 0), the
# uninstall entry setup registers is the one the manifests promise, and its
# QuietUninstallString removes everything with no window. Then the unattended
# installs: /S with a bad destination ends with 1603, nothing on screen and the
# reason in its log; /S installs to /D= with blanks with no window and its /LOG=
# names every file, shortcut and registry value; /PASSIVE /DIR="..." shows its
# window, takes no input and ends by itself; a fatal condition under /S ends
# with 1603 and its text in the log instead of the fatal box, and so does a
# setup that cannot create its window.
#
# Arguments: the e2e scripts' four, then the stub folder (with x86/ and x64/).
source "$(dirname "$0")/e2e-lib.sh"
STUBS=$5
e2e_start

dist="$E2E_WORK/dist"
mkdir -p "$dist"
made="$dist/setup.exe"
manifests="$E2E_WORK/manifests"
wine_step "tkds make with --winget-manifests" \
  "$TKDS" make "$STUBS/../sample/container.manifest" -o "$made" --arch "$KIT_ARCH" --stubs "$STUBS" \
  --product-version 2.1.0.7 --company 'Tolvik "Quoted" Works' --copyright "Copyright (C) 2026 Tolvik" \
  --winget-manifests "$manifests" --package-id Tolvik.Pellumar --installer-url https://example.com/setup.exe \
  --license 'Proprietary: see License.txt' --short-description 'The demo product: "Pellumar"'
made_win="Z:${made//\//\\}"

promised="$E2E_WORK/promised.txt"
validate() { python3 "$E2E_DIR/check_winget.py" "$E2E_DIR/winget-1.10.0" "$manifests" Tolvik.Pellumar "$made" >"$promised"; }
check "the manifests validate against the schemas and name the file's hash" validate
promise() { sed -n "s/^$1=//p" "$promised"; }
check "the installer manifest's switches" equal "$(promise Switches)" \
  '{"InstallLocation": "/D=<INSTALLPATH>", "Log": "/LOG=\"<LOGPATH>\"", "Silent": "/S", "SilentWithProgress": "/PASSIVE"}'
check "the installer manifest's return codes" equal "$(promise Codes)" \
  "[(1602, 'cancelledByUser'), (1618, 'installInProgress'), (3010, 'rebootRequiredToFinish')]"
check "the architecture" equal "$(promise Architecture)" "$KIT_ARCH"
check "one installer, for the machine, run elevated" equal "$(promise Installers)" "machine elevationRequired"
# Products for the user, and for either: one installer a scope, each validated.
for scope in user both; do
  wine_step "tkds make --scope $scope with --winget-manifests" "$TKDS" make "$STUBS/../sample/container.manifest" \
    -o "$E2E_WORK/$scope-setup.exe" --arch "$KIT_ARCH" --stubs "$STUBS" --scope $scope --company Tolvik --license Proprietary \
    --winget-manifests "$E2E_WORK/$scope" --package-id Tolvik.Pellumar --installer-url https://example.com/$scope.exe
done
installers() { python3 "$E2E_DIR/check_winget.py" "$E2E_DIR/winget-1.10.0" "$E2E_WORK/$1" Tolvik.Pellumar "$E2E_WORK/$1-setup.exe" | sed -n 's/^Installers=//p'; }
check "a user product: one installer, for the user, never elevated" equal "$(installers user)" "user elevationProhibited"
check "a product for either: two installers, each with its switch" equal "$(installers both)" \
  "user elevatesSelf /CURRENTUSER; machine elevatesSelf /ALLUSERS"

visible_windows() { probe visible | tr -d '\r' | sort; }
# The X windows that are mapped (every shown Wine window is one), as X itself tells.
x_windows() { xdotool search --onlyvisible --name '' 2>/dev/null | sort || true; }

# run_unseen COMMAND-LINE SECONDS: the probe runs the command line (RUN_CODE gets
# its exit code) while every visible top-level window is polled; false when a
# window that was not there before showed, or the program did not end in time.
RUN_CODE=""
run_unseen() {
  local before seen="" i result="$E2E_WORK/run-code"
  local xbefore xseen="$E2E_WORK/x-seen"
  before=$(visible_windows)
  xbefore=$(x_windows)
  rm -f "$result"
  probe run "$1" >"$result" &
  local runner=$!
  # X is asked every 50 ms, so that not even a window shown for a moment is missed.
  while kill -0 "$runner" 2>/dev/null; do comm -13 <(echo "$xbefore") <(x_windows); sleep 0.05; done >"$xseen" &
  local xpoller=$!
  for i in $(seq 1 "$(wine_polls "$2")"); do
    kill -0 "$runner" 2>/dev/null || break
    seen+=$(comm -13 <(echo "$before") <(visible_windows))
    sleep 0.5
  done
  if kill -0 "$runner" 2>/dev/null; then
    echo "  still running after $2 s; windows: $(visible_windows | tr '\n' ';')"
    return 1
  fi
  wait "$runner" || true
  wait "$xpoller" || true
  RUN_CODE=$(tr -d '\r\n' <"$result")
  [ -z "$seen" ] || { echo "  windows shown: $seen"; return 1; }
  [ ! -s "$xseen" ] || { echo "  X windows mapped: $(sort -u "$xseen" | tr '\n' ' ')"; return 1; }
}

# run_shown COMMAND-LINE: the probe runs the command line in the background; RUN_RESULT names the file
# that will hold its exit code.
run_shown() {
  RUN_RESULT="$E2E_WORK/shown-code.$RANDOM"
  probe run "$1" >"$RUN_RESULT" &
  RUN_PID=$!
}
# shown_ended SECONDS: the program of run_shown ended in time; RUN_CODE gets its exit code.
shown_ended() {
  local i
  for i in $(seq 1 "$(wine_polls $(($1 * 10)))"); do
    if ! kill -0 "$RUN_PID" 2>/dev/null; then
      wait "$RUN_PID" || true
      RUN_CODE=$(tr -d '\r\n' <"$RUN_RESULT")
      return 0
    fi
    sleep 0.1
  done
  return 1
}
# log_says TEXT FILE: the log holds the text; else it is shown.
box_text() { probe texts "$1" | tr -d '\r' | sed '1d' | grep -v -x -e 'OK' -e ''; }
close_box() { probe press "$1" 2 >/dev/null 2>&1 || probe press "$1" 1 >/dev/null; }

# A bad command line: with /S nothing on screen, else a box that says why.
check "an unknown switch under /S shows nothing" run_unseen "\"$made_win\" /S /BOGUS" 30
check "... and ends with 87" equal "$RUN_CODE" 87
run_shown "\"$made_win\" /bogus"
check "an unknown switch shows a box" probe wait setup 30
check "the box names the switch" grep -q -F '/BOGUS is not a switch setup knows.' <(box_text setup)
close_box setup
check "... and ends with 87 once closed" shown_ended 30
check "... 87" equal "$RUN_CODE" 87

# /? shows the usage in a box.
run_shown "\"$made_win\" /?"
check "/? shows the usage box" probe wait setup 30
check "the usage names every switch" test "$(box_text setup | grep -c -e '^/S ' -e '^/PASSIVE ' -e '^/DIR=' -e '^/D=' \
  -e '^/LOG=' -e '^/CLOSEAPPLICATIONS ' -e '^/NORESTART ' -e '^/? ')" -eq 8
close_box setup
check "/? ends once the box is closed" shown_ended 30
check "... with 0" equal "$RUN_CODE" 0

# /D= with blanks fills the path field; while this setup runs, a second one of
# the same record ends at once with 1618 and shows nothing.
run_shown "\"$made_win\" /D=C:\\Some Path With Blanks"
first=$RUN_PID first_result=$RUN_RESULT
check "setup with /D= shows its window" probe wait "$WINDOW" 60
check "/D= with blanks is in the path field" equal "$(get_path)" 'C:\Some Path With Blanks'
check "a second setup of the record shows nothing" run_unseen "\"$made_win\"" 60
check "... and ends with 1618" equal "$RUN_CODE" 1618
sleep 1
click_button 294 146  # Cancel
RUN_PID=$first RUN_RESULT=$first_result
check "Cancel ends setup" shown_ended 30
check "... with 1602" equal "$RUN_CODE" 1602
check "nothing was installed" test ! -e "$(unix_path 'C:\Some Path With Blanks')"

# An installation: 0, and the uninstall entry the manifests promise.
run_shown "\"$made_win\""
check "setup shows its window" probe wait "$WINDOW" 60
sleep 1
click_button $SETUP_BUTTON
check "setup ends after SETUP" shown_ended 90
check "... with 0" equal "$RUN_CODE" 0
entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pellumar'
for name in DisplayName Publisher DisplayVersion; do
  check "the entry's $name is the manifests' ($(promise $name))" equal "$(reg_value "$entry" $name)" "$(promise $name)"
done
check "the manifests' ProductCode is the entry's key" equal "$(promise ProductCode)" Pellumar
check "the manifests' PackageName is the group name" equal "$(promise PackageName)" "Tolvik Pellumar 1.0"
uninstall=$(reg_value "$entry" UninstallString)
quiet=$(reg_value "$entry" QuietUninstallString)
check "QuietUninstallString is UninstallString and /S" equal "$quiet" "$uninstall /S"
installed="$(unix_path "$PROGRAM_FILES\\Tolvik\\Pellumar\\Pellumar.exe")"
check "the product was installed" test -s "$installed"
product_links() { find -L "$WINEPREFIX/drive_c" -iname '*pellumar*.lnk' 2>/dev/null; }
check "the product's shortcuts were made" test -n "$(product_links)"

# The quiet uninstall: no window, 0, nothing of the product left, the log says so.
check "the quiet uninstall shows nothing" run_unseen "$quiet /LOG=C:\\uninstall.log" 60
check "... and ends with 0" equal "$RUN_CODE" 0
check "no file or folder of the product is left" test ! -e "$(unix_path "$PROGRAM_FILES\\Tolvik")"
check "no shortcut of the product is left" test -z "$(product_links)"
check "the uninstall entry is gone" test -z "$(reg_value "$entry" DisplayName || true)"
check "the trusted log is gone" test -z "$(reg_value 'HKLM\SOFTWARE\Tolvik\Pellumar\Uninstall' Project || true)"
check "the log names the outcome" grep -q -F 'outcome: removed (exit code 0)' "$(unix_path 'C:\uninstall.log')"

# /S with a destination that is no path: 1603, nothing on screen, the reason in the log.
bad_log=$(unix_path 'C:\bad destination.log')
check "a bad destination under /S shows nothing" run_unseen "\"$made_win\" /S /LOG=\"C:\\bad destination.log\" /DIR=Q:\\Nowhere" 60
check "... and ends with 1603" equal "$RUN_CODE" 1603
check "... the log says why" log_says 'outcome: failed (exit code 1603): Path invalid.' "$bad_log"
check "... and names the destination" log_says 'destination: Q:\Nowhere' "$bad_log"
check "... nothing was registered" test -z "$(reg_value "$entry" DisplayName || true)"

# /S: no window, the product installed to /D= (blanks and all), everything in the log.
silent='C:\Silent Path With Blanks'
silent_log=$(unix_path 'C:\silent.log')
check "setup /S shows nothing" run_unseen "\"$made_win\" /S /LOG=C:\\silent.log /D=$silent" 90
check "... and ends with 0" equal "$RUN_CODE" 0
check "... installed into /D=" test -s "$(unix_path "$silent\\Pellumar.exe")"
tr -d '\r' <"$silent_log" >"$E2E_WORK/silent.log"
logged() { grep -q -x -F "$1" "$E2E_WORK/silent.log" || { echo "  not in the log: $1"; return 1; }; }
check "the log starts with the command line" grep -q -F "command line: \"$made_win\" /S" <(head -n 1 "$E2E_WORK/silent.log")
check "the log names each stage" logged 'stage: Checking disk space...'
check "the log names the folder made" logged "folder created: $silent\\"
while read -r file; do
  check "the log names $file" logged "file written: $silent\\$file"
done < <(cd "$(unix_path "$silent")" && find . -type f -printf '%P\n')
check "the log names the uninstaller" grep -q -i -F 'file written: C:\windows\TKUNTOOL.EXE' "$E2E_WORK/silent.log"
while read -r link; do
  check "the log names the shortcut ${link##*/}" grep -q -F "\\${link##*/}" <(grep '^shortcut made: ' "$E2E_WORK/silent.log")
done < <(product_links || true)
while read -r made; do
  check "the shortcut the log names is there: $made" test -f "$(unix_path "$made")"
done < <(sed -n 's/^shortcut made: //p' "$E2E_WORK/silent.log")
uninstall_log='HKCU\Software\Tolvik\Pellumar\Uninstall'
while IFS=$'\t' read -r name data; do
  check "the log names the registry value $name" logged "registry value: $uninstall_log\\$name = $data"
done < <("$WINE64" reg query "$uninstall_log" | tr -d '\r' | awk 'BEGIN { FS = "    " } $3 == "REG_SZ" { print $2 "\t" $4 }')
check "the log names QuietUninstallString" logged "registry value: $entry\\QuietUninstallString = $(reg_value "$entry" QuietUninstallString)"
check "the log ends with the outcome" equal "$(tail -n 1 "$E2E_WORK/silent.log")" 'outcome: installed (exit code 0)'

# The product installed, setup offers its folder as the destination.
run_shown "\"$made_win\""
check "setup again shows its window" probe wait "$WINDOW" 60
check "... offering the folder the product is in" equal "$(get_path)" "$silent"
click_button 294 146  # Cancel
check "... and ends with 1602 once cancelled" shown_ended 30
check "... 1602" equal "$RUN_CODE" 1602

# /PASSIVE /DIR="...": the window shows the run, takes no input (Cancel is
# ignored) and ends by itself.
run_shown "\"$made_win\" /PASSIVE /DIR=\"C:\\Passive Folder\""
check "/PASSIVE shows the window" probe wait "$WINDOW" 60
check "... which X sees (as the checks of /S would)" test -n "$(x_windows)"
check "/DIR=\"...\" is in the path field" equal "$(get_path)" 'C:\Passive Folder'
click_button 294 146  # Cancel
check "the passive setup ends by itself" shown_ended 90
check "... with 0" equal "$RUN_CODE" 0
check "... installed into /DIR=" test -s "$(unix_path 'C:\Passive Folder\Pellumar.exe')"

# A fatal condition under /S (the stub, which carries no container): no box,
# 1603, and in the log the container's error and the fatal text, where the
# interactive setup shows their two boxes.
stub_win="Z:${STUBS//\//\\}\\$KIT_ARCH\\setup-stub.exe"
check "a setup without its container under /S shows nothing" run_unseen "\"$stub_win\" /S /LOG=C:\\fatal.log" 60
check "... and ends with 1603" equal "$RUN_CODE" 1603
fatal_log=$(unix_path 'C:\fatal.log')
check "... its log has the fatal text" log_says 'message: Error opening Main Storage...Aborting...' "$fatal_log"
check "... and ends failed, naming the first message" log_says 'outcome: failed (exit code 1603): Illegal file format.' \
  "$fatal_log"

# /S where no window can be made at all (no display, as on a machine without a
# desktop): 1603, and the log says why rather than nothing.
run_without_display() { env -u DISPLAY "$WINE64" "$PROBE_EXE" run "$1" | tr -d '\r\n'; }
check "setup /S without a display ends with 1603" \
  equal "$(run_without_display "\"$made_win\" /S /LOG=C:\\nodesktop.log")" 1603
check "... and its log says why" log_says 'outcome: failed (exit code 1603): Setup could not create its window' \
  "$(unix_path 'C:\nodesktop.log')"
# Started by hand there, it can show no box either: standard error says why.
env -u DISPLAY "$WINE64" "$made_win" >/dev/null 2>"$E2E_WORK/nodesktop.stderr" || true
check "... and started without /S, it says why on standard error" \
  grep -q 'Setup could not create its window' "$E2E_WORK/nodesktop.stderr"
