#!/usr/bin/env bash
# End to end: a product is installed into a fresh Wine prefix, TKUNTOOL.EXE is
# started exactly as the product's "UninstallString" says, its boxes are answered
# with the keyboard (xdotool), and the whole prefix (files and registry) is
# compared before and after: what the product installed must be gone, everything
# else unchanged.
#
# Usage: uninstall-e2e.sh WINDOWS-BUILD-DIR [SETUP-EXE [TKDS STUB-DIR]]
#
# The install step is install_product (below). Given SETUP-EXE, complete
# installations are made by setup.exe itself, driven with the mouse as a user
# does; given TKDS and the kit's stubs as well, a second product of another
# record is made from the sample folder for 64-bit Windows and installed beside
# the first (in the 32-bit tests: a 64-bit and a 32-bit product side by side). Without it, and always for the partial log (a run stopped while copying,
# which no ordinary setup run leaves behind on demand), it writes what an
# installation writes with reg.exe (the log and its trusted copy), plain files
# and the installation's own shortcut code.
set -euo pipefail
build=$(cd "$1" && pwd)
SETUP_EXE=${2:-}
TKDS=${3:-}
STUBS=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../wine/wine-env.sh"

UNINSTALLER="$build/uninstaller/TKUNTOOL.EXE"
MAKE_SHORTCUT="$build/tests/uninstaller/uninstall_make_shortcut.exe"
BOX_TEXT="$build/tests/uninstaller/uninstall_box_text.exe"
PROBE="$build/tests/e2e/probe.exe"
for program in "$UNINSTALLER" "$MAKE_SHORTCUT" "$BOX_TEXT" "$PROBE"; do
  [ -f "$program" ] || { echo "missing $program" >&2; exit 1; }
done
command -v xdotool >/dev/null || { echo "xdotool is needed" >&2; exit 1; }

RECORD=Pellumar
GROUP="Tolvik Pellumar 1.0"
# Where setup.exe of this architecture installs, and the setup's registry view.
TOLVIK_FOLDER="$PROGRAM_FILES\\Tolvik"
DESTINATION="$TOLVIK_FOLDER\\Pellumar"
LOG_KEY="HKCU\\Software\\Tolvik\\$RECORD\\Uninstall"
TRUSTED_KEY="HKLM\\SOFTWARE\\Tolvik\\$RECORD\\Uninstall"
ENTRY_KEY="HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$RECORD"
BOX_TITLE=TKUNTOOL

failures=0
failed_checks=""
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); failed_checks+="  ${1%%$'\n'*}"$'\n'; }
pass() { echo "ok: $*"; }
w() { "$WINE64" "$@" 2>/dev/null | tr -d '\r'; }
# reg.exe now and then fails while Wine is still starting its services: try again.
# Values go where the setup's registry view puts them (WOW6432Node for 32-bit).
reg_set() {
  local try
  for try in 1 2 3; do
    "$WINE64" reg add "$1" /v "$2" /d "$3" /f "$REG_VIEW" >/dev/null 2>&1 && return 0
    sleep 1
  done
  fail "reg add $1 $2"
}

# A value of the uninstall log, written as setup writes it: the log and its trusted copy.
log_set() {
  reg_set "$LOG_KEY" "$1" "$2"
  reg_set "$TRUSTED_KEY" "$1" "$2"
}

# ---------------------------------------------------------------------------
# The install step.
# install_product [partial]: writes the product as an installation run does: the
# folders it creates, the payload files, the desktop and program-group
# shortcuts, TKUNTOOL.EXE in the Windows folder with its own shortcut, the
# uninstall log and the uninstall entry. "partial" stops like a run whose file
# copying failed: no "TotalFiles", no shortcuts, no uninstaller, no entry.
install_product() {
  local partial=${1:-}
  if [ -n "$SETUP_EXE" ] && [ -z "$partial" ]; then
    install_with_setup
    return
  fi
  mkdir -p "$(wine_unix_path "$DESTINATION")"
  printf 'MZ program' >"$(wine_unix_path "$DESTINATION\\Pellumar.exe")"
  printf 'License text' >"$(wine_unix_path "$DESTINATION\\License.txt")"
  log_set Project "$GROUP"
  log_set IDate "Monday, December 07, 2026"
  log_set up 1
  log_set Folder0 "$DESTINATION\\"
  log_set Folder1 "$TOLVIK_FOLDER\\"
  log_set TotalFolders 2
  log_set File0 "$DESTINATION\\Pellumar.exe"
  log_set File1 "$DESTINATION\\License.txt"
  [ "$partial" = partial ] && return
  log_set TotalFiles 2
  w "$MAKE_SHORTCUT" desktop "$GROUP" "$GROUP" "$DESTINATION\\Pellumar.exe" "$DESTINATION\\" || fail "desktop shortcut"
  log_set DF0 "$GROUP"
  w "$MAKE_SHORTCUT" group "$GROUP" "$GROUP" "$DESTINATION\\Pellumar.exe" "$DESTINATION\\" || fail "group shortcut"
  w "$MAKE_SHORTCUT" group "$GROUP" "License & Reg.Information" "$DESTINATION\\License.txt" "$DESTINATION\\" ||
    fail "license shortcut"
  log_set TotalDF 1
  log_set SGroup "$GROUP"
  cp "$UNINSTALLER" "$(wine_unix_path 'C:\windows\TKUNTOOL.EXE')"
  w "$MAKE_SHORTCUT" group "$GROUP" "Uninstall $RECORD" 'C:\windows\TKUNTOOL.EXE' 'C:\windows\' "$RECORD" ||
    fail "uninstaller shortcut"
  reg_set "$ENTRY_KEY" DisplayName "$GROUP (Remove Only)"
  reg_set "$ENTRY_KEY" UninstallString "C:\\windows\\TKUNTOOL.EXE $RECORD"
  reg_set "$ENTRY_KEY" InstallLocation "$DESTINATION"
}

# A user installs the product with setup.exe: the window appears at (100, 100),
# a click on SETUP (its 44 x 32 button at 114, 146), and setup.exe ends.
install_with_setup() {  # [SETUP-EXE]
  local errors="$WINE_ENV_DIR/setup.stderr" pid window= attempt i
  for attempt in $(seq 1 10); do
    WINEDEBUG=$WINE_WINDOW_ERRORS "$WINE64" "${1:-$SETUP_EXE}" >/dev/null 2>"$errors" &
    pid=$!
    for i in $(seq 1 "$(wine_polls 300)"); do
      window=$(xdotool search --onlyvisible --name '^Tolvik Setup$' 2>/dev/null | head -1 || true)
      [ -n "$window" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.2
    done
    [ -z "$window" ] && [ "$attempt" -lt 10 ] && wine_desktop_retry "$pid" "$errors" || break
  done
  [ -n "$window" ] || { fail "the setup window did not appear"; wine_what_it_did "$pid" "$errors"; return 0; }
  sleep 1
  xdotool mousemove $((100 + 114 + 22)) $((100 + 146 + 16)) sleep 0.2 click 1
  for i in $(seq 1 "$(wine_polls 600)"); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    fail "setup.exe did not finish installing"
    kill "$pid" 2>/dev/null || true
    return 0
  fi
  wait "$pid" 2>/dev/null || true
  pass "setup.exe installed the product"
}

# ---------------------------------------------------------------------------
# Snapshots: every file and folder under drive C: and the home folder (the
# prefix's desktop), and every registry value, one line each.
snapshot() {
  # The deletions at restart as reg.exe shows them, before the session ends (the
  # next one may carry them out).
  pending_deletions >"$1.pending"
  "${WINE64%/*}/wineserver" -w 2>/dev/null || true  # the registry reaches disk when wineserver ends
  {
    (cd "$WINEPREFIX/drive_c" && find . -path ./windows/temp -prune -o -printf 'C %y %s %p\n')
    (cd "$HOME" && find . -printf 'HOME %y %s %p\n')
    for hive in system.reg user.reg; do
      # "[key] timestamp" starts a key; values follow, long ones continued with "\".
      awk -v hive="$hive" '
        /^#/ { next }
        /^\[/ {
          key = $0; sub(/\] [0-9]+$/, "]", key); print hive " " key
          # The file leaves out keys that hold only subkeys: list every parent, so
          # that a parent does not seem to appear when its last subkey goes.
          path = substr(key, 2, length(key) - 2)
          while ((cut = match(path, /\\\\[^\\]*$/)) > 0) { path = substr(path, 1, cut - 1); print hive " [" path "]" }
          next
        }
        { line = line $0 }
        /\\$/ { sub(/\\$/, "", line); next }
        line != "" { print hive " " key " " line }
        { line = "" }' "$WINEPREFIX/$hive"
    done
  } | grep -v '"DriverDateData"=' | LC_ALL=C sort -u >"$1"  # Wine renews the display driver's date at each start
}

# Lines only in the first snapshot (removed) or only in the second (added).
removed_lines() { LC_ALL=C comm -23 "$1" "$2"; }
added_lines() { LC_ALL=C comm -13 "$1" "$2"; }

# ---------------------------------------------------------------------------
# Running the uninstaller and answering its boxes.
UNINSTALL_PID=
UNINSTALL_COMMAND=
start_uninstall() {
  UNINSTALL_COMMAND=$1
  WINEDEBUG=$WINE_WINDOW_ERRORS "$WINE64" cmd /c "$1" >/dev/null 2>"$WINE_ENV_DIR/uninstall.stderr" &
  UNINSTALL_PID=$!
}

# answer_box KEY: waits for the uninstaller's box, keeps its text in BOX, presses KEY.
# The box is looked for with xdotool; its text is read (by a Wine program) once
# the box is on the screen, when the dialog has set it.
BOX=
answer_box() {
  local window= i
  for i in $(seq 1 "$(wine_polls 150)"); do
    window=$(xdotool search --onlyvisible --name "^$BOX_TITLE\$" 2>/dev/null | head -1 || true)
    [ -n "$window" ] && BOX=$(w "$BOX_TEXT" "$BOX_TITLE") && [ -n "$BOX" ] && break
    window=
    wine_desktop_retry "$UNINSTALL_PID" "$WINE_ENV_DIR/uninstall.stderr" && start_uninstall "$UNINSTALL_COMMAND"
    sleep 0.2
  done
  if [ -z "$window" ]; then
    fail "no box titled $BOX_TITLE appeared"
    wine_what_it_did "$UNINSTALL_PID" "$WINE_ENV_DIR/uninstall.stderr"
    return 1
  fi
  xdotool windowfocus "$window" 2>/dev/null || true
  xdotool key --window "$window" "$1"
  for i in $(seq 1 "$(wine_polls 100)"); do
    xdotool search --name "^$BOX_TITLE\$" 2>/dev/null | grep -qx "$window" || return 0
    sleep 0.1
  done
  fail "the box did not close on $1"
  return 1
}

finish_uninstall() {
  local i
  for i in $(seq 1 "$(wine_polls 150)"); do
    kill -0 "$UNINSTALL_PID" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$UNINSTALL_PID" 2>/dev/null; then
    fail "the uninstaller did not end"
    wine_what_it_did "$UNINSTALL_PID" "$WINE_ENV_DIR/uninstall.stderr"
    kill "$UNINSTALL_PID" 2>/dev/null || true
  fi
  wait "$UNINSTALL_PID" 2>/dev/null || true
}

expect_box() {  # expect_box TEXT-FRAGMENT WHAT
  case "$BOX" in
    *"$1"*) pass "$2" ;;
    *) fail "$2: the box says: $BOX" ;;
  esac
}

uninstall_string() {  # [ENTRY-KEY VIEW]
  w reg query "${1:-$ENTRY_KEY}" /v UninstallString "${2:-$REG_VIEW}" | sed -n 's/^ *UninstallString *REG_SZ *//p'
}

# The file version of a program, "1.2.0.0", as pefile reads it.
file_version() {
  /usr/bin/python3 - "$1" <<'PY'
import sys, pefile
fixed = pefile.PE(sys.argv[1]).VS_FIXEDFILEINFO[0]
print(f"{fixed.FileVersionMS >> 16}.{fixed.FileVersionMS & 0xFFFF}.{fixed.FileVersionLS >> 16}.{fixed.FileVersionLS & 0xFFFF}")
PY
}

# Plants this build's uninstaller with another file version (pefile rewrites the
# version resource's fixed part) as the installed C:\windows\TKUNTOOL.EXE.
plant_uninstaller_version() {  # MAJOR.MINOR
  /usr/bin/python3 - "$UNINSTALLER" "$(wine_unix_path 'C:\windows\TKUNTOOL.EXE')" "$1" <<'PY'
import sys, pefile
pe = pefile.PE(sys.argv[1])
major, minor = (int(part) for part in sys.argv[3].split("."))
pe.VS_FIXEDFILEINFO[0].FileVersionMS = major << 16 | minor
pe.VS_FIXEDFILEINFO[0].FileVersionLS = 0
pe.write(sys.argv[2])
PY
  [ "$(file_version "$(wine_unix_path 'C:\windows\TKUNTOOL.EXE')")" = "$1.0.0" ] || fail "planting TKUNTOOL.EXE $1"
}

# The boot-time deletions Windows keeps, as reg.exe shows them.
pending_deletions() {
  w reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations || true
}

expect_no_changes() {  # expect_no_changes BEFORE AFTER WHAT
  local changes
  changes=$( (removed_lines "$1" "$2"; added_lines "$1" "$2") | head -20)
  [ -z "$changes" ] && pass "$3: nothing changed" || fail "$3: the prefix changed:"$'\n'"$changes"
}

# Nothing of the product may be left, and nothing else may have changed. The
# running uninstaller cannot delete itself: it must be gone from the Windows
# folder, parked under a new name in the Windows folder (never in the user's
# temporary folder) and listed for deletion at restart, or at least be listed for
# deletion itself.
expect_product_gone() {  # BEFORE AFTER [NAMES]
  local before=$1 after=$2 names=${3:-Tolvik|Pellumar} left unexpected parked pending
  left=$(grep -E "$names" "$after" | grep -v 'PendingFileRenameOperations' || true)
  [ -z "$left" ] && pass "nothing of the product is left" || fail "left behind:"$'\n'"$left"
  unexpected=$(removed_lines "$before" "$after" | grep -Ev "$names|TKUNTOOL" || true)
  [ -z "$unexpected" ] && pass "nothing else was removed" || fail "removed as well:"$'\n'"$unexpected"
  parked=$(added_lines "$before" "$after" | sed -n 's|^C f [0-9]* \./windows/\(TKU[0-9A-Fa-f]*\.tmp\)$|\1|p')
  unexpected=$(added_lines "$before" "$after" | grep -v 'PendingFileRenameOperations' |
    grep -Ev '^C f [0-9]+ \./windows/TKU[0-9A-Fa-f]+\.tmp$' || true)
  [ -z "$unexpected" ] && pass "nothing was added" || fail "added:"$'\n'"$unexpected"
  pending=$(cat "$after.pending")
  if grep -q '^C f [0-9]* \./windows/TKUNTOOL\.EXE$' "$after"; then
    grep -qi 'C:\\windows\\TKUNTOOL\.EXE' <<<"$pending" &&
      pass "TKUNTOOL.EXE is scheduled for removal at restart" ||
      fail "TKUNTOOL.EXE stays and is not scheduled for removal"
  elif [ -n "$parked" ]; then
    grep -qi "C:\\\\windows\\\\$parked" <<<"$pending" &&
      pass "TKUNTOOL.EXE is gone; its parked copy C:\\windows\\$parked is deleted at restart" ||
      fail "the parked copy $parked is not scheduled for removal: $pending"
  else
    pass "TKUNTOOL.EXE is gone"
  fi
  grep -qi 'Temp\\TKU' <<<"$pending" && fail "a deletion at restart lies in a temporary folder: $pending" ||
    pass "nothing is parked in a temporary folder"
}

run_in_fresh_prefix() {  # run_in_fresh_prefix NAME FUNCTION
  echo "== $1"
  wine_env_start
  "$2" || fail "$1 stopped early"
  wine_env_stop
  wine_env_wait_programs_gone || true
}

# ---------------------------------------------------------------------------
# The cases.

# A complete installation; before removing it, the uninstaller is started without
# a record name, with an unknown one, and answered No: none of these may change anything.
case_complete() {
  # An older uninstaller in the Windows folder is replaced by the one setup carries.
  [ -n "$SETUP_EXE" ] && plant_uninstaller_version 0.9
  install_product
  local installed
  installed=$(file_version "$(wine_unix_path 'C:\windows\TKUNTOOL.EXE')")
  [ "$installed" = 1.2.0.0 ] && pass "TKUNTOOL.EXE is this kit's (1.2.0.0)" ||
    fail "the installed TKUNTOOL.EXE has version $installed"
  # The entry lies where the setup's registry view put it: for a 32-bit setup
  # under WOW6432Node, where 64-bit programs (Programs and Features) look.
  local entry_64="$HKLM_SOFTWARE_64\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$RECORD"
  w reg query "$entry_64" /v UninstallString /reg:64 | grep -q 'TKUNTOOL.EXE' &&
    pass "the entry is at $entry_64" || fail "no entry at $entry_64"
  local snap="$WINE_ENV_DIR/snap"
  snapshot "$snap.0"

  start_uninstall 'C:\windows\TKUNTOOL.EXE'
  answer_box Return && expect_box "No product was named" "no record name is reported"
  finish_uninstall
  start_uninstall 'C:\windows\TKUNTOOL.EXE Nothing'
  answer_box Return && expect_box 'No uninstall information was found for "Nothing"' "an unknown record is reported"
  finish_uninstall
  start_uninstall "$(uninstall_string)"
  answer_box n && expect_box "Do you want to remove \"$GROUP\"" "the question names the product"
  finish_uninstall
  snapshot "$snap.1"
  expect_no_changes "$snap.0" "$snap.1" "no record, unknown record, answer No"

  local command
  command=$(uninstall_string)
  [ "$command" = "C:\\windows\\TKUNTOOL.EXE $RECORD" ] || fail "UninstallString is '$command'"
  start_uninstall "$command"
  answer_box Return
  answer_box Return && expect_box "\"$GROUP\" was removed from this computer." "the removal is reported"
  finish_uninstall
  snapshot "$snap.2"
  expect_product_gone "$snap.1" "$snap.2"
}

# A file the user made in the install folder stays, and so do its folder and the folder above.
case_user_file() {
  # A newer uninstaller in the Windows folder stays as it is.
  local planted="$WINE_ENV_DIR/newer.exe"
  if [ -n "$SETUP_EXE" ]; then
    plant_uninstaller_version 9.0
    cp "$(wine_unix_path 'C:\windows\TKUNTOOL.EXE')" "$planted"
  fi
  install_product
  if [ -n "$SETUP_EXE" ]; then
    cmp -s "$planted" "$(wine_unix_path 'C:\windows\TKUNTOOL.EXE')" &&
      pass "setup kept the newer TKUNTOOL.EXE (9.0.0.0)" || fail "setup replaced a newer TKUNTOOL.EXE"
  fi
  local folder user_file snap="$WINE_ENV_DIR/snap"
  folder=$(wine_unix_path "$DESTINATION")
  user_file="$folder/my notes.txt"
  printf 'mine' >"$user_file"
  snapshot "$snap.0"
  start_uninstall "$(uninstall_string)"
  answer_box Return
  answer_box Return && expect_box "$DESTINATION was kept: it holds files that were not installed." \
    "the kept folder is reported"
  finish_uninstall
  snapshot "$snap.1"
  [ -f "$user_file" ] && pass "the user's file stays" || fail "the user's file was removed"
  [ ! -e "$folder/Pellumar.exe" ] && [ ! -e "$folder/License.txt" ] && pass "the product's files are gone" ||
    fail "product files left"
  local unexpected
  unexpected=$(removed_lines "$snap.0" "$snap.1" | grep -Ev "Tolvik|Pellumar|TKUNTOOL" || true)
  [ -z "$unexpected" ] && pass "nothing else was removed" || fail "removed as well:"$'\n'"$unexpected"
}

# An installation that stopped while copying: no "TotalFiles", no shortcuts, no
# uninstaller, no uninstall entry. The uninstaller is started by hand.
case_partial() {
  install_product partial
  cp "$UNINSTALLER" "$WINE_ENV_DIR/TKUNTOOL.EXE"
  local snap="$WINE_ENV_DIR/snap"
  snapshot "$snap.0"
  start_uninstall "Z:${WINE_ENV_DIR//\//\\}\\TKUNTOOL.EXE $RECORD"
  answer_box Return
  answer_box Return
  expect_box "\"$GROUP\" was removed" "the partial removal is reported"
  expect_box 'The number of files is not recorded ("TotalFiles"); the 2 listed up to the first gap were taken.' \
    "the missing file count is reported"
  finish_uninstall
  snapshot "$snap.1"
  local left
  left=$(grep -E "Tolvik|Pellumar" "$snap.1" || true)
  [ -z "$left" ] && pass "nothing of the partial installation is left" || fail "left behind:"$'\n'"$left"
  local added
  added=$(added_lines "$snap.0" "$snap.1")
  [ -z "$added" ] && pass "nothing was added" || fail "added:"$'\n'"$added"
}

# Other vendors' files and folders planted in the log under HKEY_CURRENT_USER, which
# any program of the user can write, and a record that setup never wrote: nothing
# outside the product is deleted, and the product itself is still removed
# completely. Values that would leave the product even in the trusted copy (as a
# damaged one might hold) are refused.
case_hostile() {
  install_product
  local other='C:\Program Files\Other Vendor' data='C:\ProgramData\Other Vendor' key
  mkdir -p "$(wine_unix_path "$other")" "$(wine_unix_path "$data")" "$(wine_unix_path 'C:\Config.Msi')"
  printf 'other' >"$(wine_unix_path "$other\\other.exe")"
  printf 'settings' >"$(wine_unix_path "$data\\settings.ini")"
  for key in "$LOG_KEY" "HKCU\\Software\\Tolvik\\Planted\\Uninstall"; do
    reg_set "$key" Project "Planted"
    reg_set "$key" File0 "$other\\other.exe"
    reg_set "$key" File1 "$data\\settings.ini"
    reg_set "$key" File2 "$DESTINATION\\Pellumar.exe"
    reg_set "$key" TotalFiles 3
    reg_set "$key" Folder0 'C:\Config.Msi\'
    reg_set "$key" Folder1 "$other\\"
    reg_set "$key" Folder2 "$data\\"
    reg_set "$key" TotalFolders 3
  done
  reg_set "$LOG_KEY" Project "$GROUP"
  reg_set "$TRUSTED_KEY" File2 'C:\windows\system32\kernel32.dll'
  reg_set "$TRUSTED_KEY" File3 "$DESTINATION\\..\\..\\Common Files\\shared.dll"
  reg_set "$TRUSTED_KEY" File4 'C:\'
  reg_set "$TRUSTED_KEY" TotalFiles 5
  reg_set "$TRUSTED_KEY" Folder2 'C:\windows\'
  reg_set "$TRUSTED_KEY" Folder3 'C:\'
  reg_set "$TRUSTED_KEY" TotalFolders 4
  reg_set "$TRUSTED_KEY" DF1 '..\Documents'
  reg_set "$TRUSTED_KEY" TotalDF 2
  mkdir -p "$(wine_unix_path "$PROGRAM_FILES\\Common Files")"
  printf 'shared' >"$(wine_unix_path "$PROGRAM_FILES\\Common Files\\shared.dll")"
  local snap="$WINE_ENV_DIR/snap" unexpected
  snapshot "$snap.0"

  start_uninstall 'C:\windows\TKUNTOOL.EXE Planted'
  answer_box Return && expect_box "Nothing will be removed from disk." "the planted record is not trusted"
  answer_box Return && expect_box "Nothing was removed from disk" "the planted record removed nothing from disk"
  expect_box "the folder $other\\" "the planted record's folders are named for removal by hand"
  finish_uninstall
  snapshot "$snap.1"
  unexpected=$(removed_lines "$snap.0" "$snap.1" | grep -v 'Planted' || true)
  [ -z "$unexpected" ] && pass "the planted record removed only its own log" ||
    fail "the planted record removed:"$'\n'"$unexpected"

  start_uninstall "$(uninstall_string)"
  answer_box Return
  answer_box Return
  expect_box 'Refused File2 = "C:\windows\system32\kernel32.dll"' "kernel32.dll is refused"
  expect_box "Refused File3 = \"$DESTINATION\\..\\..\\Common Files\\shared.dll\"" "a .. path is refused"
  expect_box 'Refused File4 = "C:\"' "a drive root is refused"
  expect_box 'Refused Folder2 = "C:\windows\"' "the Windows folder is refused"
  expect_box 'Refused DF1 = "..\Documents"' "a shortcut name with .. is refused"
  finish_uninstall
  snapshot "$snap.2"
  local kept
  for kept in 'C:\windows\system32\kernel32.dll' "$PROGRAM_FILES\\Common Files\\shared.dll" "$other\\other.exe" \
    "$data\\settings.ini" 'C:\Config.Msi'; do
    [ -e "$(wine_unix_path "$kept")" ] && pass "$kept stays" || fail "$kept is gone"
  done
  unexpected=$(removed_lines "$snap.1" "$snap.2" | grep -Ev "Tolvik|Pellumar|TKUNTOOL" || true)
  [ -z "$unexpected" ] && pass "nothing else was removed" || fail "removed as well:"$'\n'"$unexpected"
  [ -z "$(grep -E "Tolvik|Pellumar" "$snap.2" | grep -v PendingFileRename || true)" ] &&
    pass "the product itself is gone" || fail "left of the product:"$'\n'"$(grep -E "Tolvik|Pellumar" "$snap.2")"
}

# The installed folder is swapped for a link (a Unix symlink, which Wine shows as a
# reparse point) to a folder holding files of the same names: they stay, and the
# report names what was refused.
case_link() {
  install_product
  local folder decoy
  folder=$(wine_unix_path "$DESTINATION")
  decoy=$(wine_unix_path 'C:\Decoy')
  mkdir -p "$decoy"
  printf 'not the product' >"$decoy/Pellumar.exe"
  printf 'not the license' >"$decoy/License.txt"
  mv "$folder" "$(wine_unix_path 'C:\Moved')"
  ln -s "$decoy" "$folder"
  start_uninstall "$(uninstall_string)"
  answer_box Return
  answer_box Return
  expect_box "$DESTINATION\\Pellumar.exe was not removed: $DESTINATION is a link" "the link is named in the report"
  finish_uninstall
  [ -f "$decoy/Pellumar.exe" ] && [ -f "$decoy/License.txt" ] && pass "the files behind the link stay" ||
    fail "files behind the link were deleted"
  [ -f "$(wine_unix_path 'C:\Moved\Pellumar.exe')" ] && pass "the moved folder is untouched" || fail "the moved folder lost files"
}

# The product's shortcuts are looked for on the all-users desktop and Start menu,
# where an elevated setup puts them, and in the user's own, where older
# installations did; a shortcut is removed only when it starts the product. On
# the user's desktop the product's name is a link to another file, and a second
# logged name starts another program: both stay, and the report names them.
case_shortcuts() {
  install_product
  local desktop programs group public_desktop public_programs victim foreign snap="$WINE_ENV_DIR/snap"
  # The elevated setup put them into the all-users folders; copies in the user's
  # own stand for an older installation's.
  public_desktop=$(wine_unix_path 'C:\users\Public\Desktop')
  public_programs=$(wine_unix_path 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs')
  [ -f "$public_desktop/$GROUP.lnk" ] && [ -d "$public_programs/$GROUP" ] ||
    { fail "setup's shortcuts were not found in the all-users folders"; return 0; }
  desktop=$(find -L "$WINEPREFIX/drive_c/users" -mindepth 2 -maxdepth 2 -type d -name Desktop ! -path '*/Public/*' | head -1)
  programs=$(find "$WINEPREFIX/drive_c/users" -type d -path '*/Start Menu/Programs' ! -path '*/Public/*' | head -1)
  [ -d "$desktop" ] && [ -d "$programs" ] || { fail "the user's desktop and Programs folders were not found"; return 0; }
  cp "$public_desktop/$GROUP.lnk" "$desktop/"
  cp -r "$public_programs/$GROUP" "$programs/"
  group="$programs/$GROUP"
  victim=$(wine_unix_path 'C:\Victim')
  mkdir -p "$victim"
  cp "$desktop/$GROUP.lnk" "$victim/keep.lnk"
  cp "$victim/keep.lnk" "$WINE_ENV_DIR/keep.lnk"
  ln -sf "$victim/keep.lnk" "$desktop/$GROUP.lnk"
  w "$MAKE_SHORTCUT" desktop "$GROUP" "Other Program" 'C:\windows\notepad.exe' 'C:\windows\' || fail "foreign shortcut"
  foreign=$(find -L "$desktop" "$public_desktop" -maxdepth 1 -name 'Other Program.lnk' | head -1)
  log_set DF1 "Other Program"
  log_set TotalDF 2
  snapshot "$snap.0"
  start_uninstall "$(uninstall_string)"
  answer_box Return
  answer_box Return
  expect_box "$GROUP.lnk was not removed" "the desktop link is named in the report"
  expect_box "Other Program.lnk was kept: it does not start this product." "the foreign shortcut is named in the report"
  finish_uninstall
  snapshot "$snap.1"
  cmp -s "$victim/keep.lnk" "$WINE_ENV_DIR/keep.lnk" && pass "the file behind the desktop link is unchanged" ||
    fail "the file behind the desktop link changed"
  [ -L "$desktop/$GROUP.lnk" ] && pass "the desktop link stays" || fail "the desktop link was removed"
  [ -f "$foreign" ] && pass "the shortcut to another program stays" || fail "the shortcut to another program was removed"
  [ ! -e "$public_desktop/$GROUP.lnk" ] && pass "the all-users desktop shortcut is gone" ||
    fail "the all-users desktop shortcut stays"
  [ ! -e "$public_programs/$GROUP" ] && [ ! -e "$group" ] &&
    pass "the program groups of all users and of the user are gone" || fail "a program group stays"
  local unexpected
  unexpected=$(removed_lines "$snap.0" "$snap.1" | grep -Ev "Tolvik|Pellumar|TKUNTOOL" || true)
  [ -z "$unexpected" ] && pass "nothing else was removed" || fail "removed as well:"$'\n'"$unexpected"
}

# A record that a setup of the other architecture wrote, in the other registry
# view (written by hand), removed by this build's uninstaller through its entry.
case_other_view() {
  local SETUP_EXE= REG_VIEW=/reg:32
  [ "${TOLVIK_WINDOWS_ARCH:-win64}" = win32 ] && REG_VIEW=/reg:64
  install_product
  local snap="$WINE_ENV_DIR/snap"
  snapshot "$snap.0"
  uninstall_product "$ENTRY_KEY" "$REG_VIEW" "$GROUP"
  snapshot "$snap.1"
  expect_product_gone "$snap.0" "$snap.1"
}

# A second product of another record, made from the kit's sample folder with tkds
# for 64-bit Windows, and installed beside the first by its own setup.exe.
SECOND_RECORD=OrrinQuill
SECOND_GROUP="Quill 2.5"
SECOND_ENTRY="HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$SECOND_RECORD"
make_second_product() {
  local work="$WINE_ENV_DIR/vendor"
  mkdir -p "$work"
  (cd "$work" && "$TKDS" new vendor >/dev/null) || { fail "tkds new"; return 1; }
  mv "$work/vendor/product/Pellumar.exe" "$work/vendor/product/Quill.exe"
  cat >"$work/vendor/content/Data.idoc" <<IDOC
pit=pf
name=$SECOND_GROUP Setup
regrecord=$SECOND_RECORD
deffolder=Orrin Vale\Quill
groupname=$SECOND_GROUP
*,Quill.exe,pit,t,t,$SECOND_GROUP
*,License.txt,pit,t,f,License
IDOC
  "$TKDS" make "$work/vendor/container.manifest" --arch x64 --stubs "$STUBS" -o "$WINE_ENV_DIR/quill-setup.exe" \
    >/dev/null || { fail "tkds make of the second product"; return 1; }
}

# uninstall_product ENTRY-KEY VIEW GROUP: runs the entry's own UninstallString.
uninstall_product() {
  local command
  command=$(uninstall_string "$1" "$2")
  [ -n "$command" ] || { fail "no UninstallString at $1 ($2)"; return 0; }
  start_uninstall "$command"
  answer_box Return && expect_box "Do you want to remove \"$3\"" "the question names $3"
  answer_box Return && expect_box "\"$3\" was removed from this computer." "$3 is removed"
  finish_uninstall
}

# Both products installed, one after the other in the order given, then each
# removed with its own entry, the first installed first: each uninstall finds its
# record in the registry view its setup wrote, whichever setup wrote the shared
# TKUNTOOL.EXE last. Nothing of either is left.
case_side_by_side() {  # first|second: which product is installed first
  make_second_product || return 0
  local snap="$WINE_ENV_DIR/snap"
  if [ "$1" = first ]; then
    install_with_setup
    install_with_setup "$WINE_ENV_DIR/quill-setup.exe"
  else
    install_with_setup "$WINE_ENV_DIR/quill-setup.exe"
    install_with_setup
  fi
  w reg query "$TRUSTED_KEY" "$REG_VIEW" | grep -q Project && pass "the first product's trusted copy ($REG_VIEW)" ||
    fail "no trusted copy of $RECORD"
  w reg query "HKLM\\SOFTWARE\\Tolvik\\$SECOND_RECORD\\Uninstall" /reg:64 | grep -q Project &&
    pass "the second product's trusted copy (/reg:64)" || fail "no trusted copy of $SECOND_RECORD"
  snapshot "$snap.0"
  if [ "$1" = first ]; then
    uninstall_product "$ENTRY_KEY" "$REG_VIEW" "$GROUP"
    [ -f "$(wine_unix_path 'C:\windows\TKUNTOOL.EXE')" ] && pass "TKUNTOOL.EXE stays for the other product" ||
      fail "TKUNTOOL.EXE went while another product uses it"
    uninstall_product "$SECOND_ENTRY" /reg:64 "$SECOND_GROUP"
  else
    uninstall_product "$SECOND_ENTRY" /reg:64 "$SECOND_GROUP"
    [ -f "$(wine_unix_path 'C:\windows\TKUNTOOL.EXE')" ] && pass "TKUNTOOL.EXE stays for the other product" ||
      fail "TKUNTOOL.EXE went while another product uses it"
    uninstall_product "$ENTRY_KEY" "$REG_VIEW" "$GROUP"
  fi
  snapshot "$snap.1"
  expect_product_gone "$snap.0" "$snap.1" "Tolvik|Pellumar|Quill|Orrin"
}

# A product installed for the current user alone, written as its setup writes it:
# the record and the entry under HKEY_CURRENT_USER, the shortcuts in the user's
# own folders, TKUNTOOL.EXE in the product's folder. Its quiet uninstall started
# elevated refuses and changes nothing; started as the user (the probe's limited
# token) it removes the product, the folder with the running TKUNTOOL.EXE in it
# too, which it moves to the user's temporary folder (where it stays). Then a machine's product removed from a limited process: the uninstaller
# starts itself again through the elevation prompt, which Wine answers with a
# process as limited as the first, and that one removes nothing and says so.
case_current_user() {
  local local_data destination record entry quiet code made snap="$WINE_ENV_DIR/snap"
  local_data=$(w cmd /c 'echo %LOCALAPPDATA%')
  destination="$local_data\\Programs\\Tolvik\\Pellumar"
  record="HKCU\\Software\\Tolvik\\$RECORD\\CurrentUser"
  entry="HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$RECORD"
  mkdir -p "$(wine_unix_path "$destination")"
  printf 'MZ program' >"$(wine_unix_path "$destination\\Pellumar.exe")"
  cp "$UNINSTALLER" "$(wine_unix_path "$destination\\TKUNTOOL.EXE")"
  local name value
  while IFS='|' read -r name value; do reg_set "$record" "$name" "$value"; done <<VALUES
Project|$GROUP
IDate|Monday, December 07, 2026
up|1
Folder0|$destination\\
Folder1|$local_data\\Programs\\Tolvik\\
TotalFolders|2
File0|$destination\\Pellumar.exe
File1|$destination\\TKUNTOOL.EXE
TotalFiles|2
DF0|$GROUP
TotalDF|1
SGroup|$GROUP
VALUES
  # Made by the installation's shortcut code in an unelevated process: into the user's folders.
  for made in desktop group; do
    code=$(w "$PROBE" run-limited "\"Z:${MAKE_SHORTCUT//\//\\}\" $made \"$GROUP\" \"$GROUP\" \"$destination\\Pellumar.exe\" \"$destination\"")
    [ "$code" = 0 ] || fail "the user's $made shortcut: $code"
  done
  reg_set "$entry" DisplayName "$GROUP (Remove Only)"
  reg_set "$entry" UninstallString "$destination\\TKUNTOOL.EXE $RECORD /CURRENTUSER"
  reg_set "$entry" QuietUninstallString "$destination\\TKUNTOOL.EXE $RECORD /CURRENTUSER /S"
  reg_set "$entry" InstallLocation "$destination"
  quiet=$(w reg query "$entry" /v QuietUninstallString | sed -n 's/^ *QuietUninstallString *REG_SZ *//p')
  snapshot "$snap.0"
  [ "$(grep -c "/$GROUP.lnk\$" "$snap.0")" = 2 ] && ! grep -e Public -e ProgramData "$snap.0" | grep -q "$GROUP" &&
    pass "the user's shortcuts are in the user's folders" || fail "the user's shortcuts are not where the user's go"

  code=$(w "$PROBE" run "$quiet")
  [ "$code" = 1603 ] && pass "started elevated, the user's uninstall refuses (1603)" ||
    fail "started elevated, the user's uninstall ended with $code"
  snapshot "$snap.1"
  expect_no_changes "$snap.0" "$snap.1" "the elevated uninstall of the user's product"

  code=$(w "$PROBE" run-limited "$quiet")
  [ "$code" = 0 ] && pass "the user's uninstall, unelevated, ends with 0" || fail "the user's uninstall ended with $code"
  snapshot "$snap.2"
  [ ! -e "$(wine_unix_path "$destination")" ] && pass "the product's folder is gone, its TKUNTOOL.EXE too" ||
    fail "left in the product's folder: $(ls -A "$(wine_unix_path "$destination")")"
  # The running program cannot be deleted: it stays in the user's temporary folder.
  local parked
  parked=$(added_lines "$snap.1" "$snap.2" | grep -E '^C f [0-9]+ \./users/[^/]+/Temp/TKU[0-9]+-0\.tmp$' || true)
  [ "${parked#C f }" != "$parked" ] && [ "$(cut -d' ' -f3 <<<"$parked")" = "$(stat -c %s "$UNINSTALLER")" ] &&
    pass "TKUNTOOL.EXE is parked in the user's temporary folder: ${parked##* }" ||
    fail "TKUNTOOL.EXE is not parked in the user's temporary folder: $parked"
  grep -vxF "$parked" "$snap.2" >"$snap.2.rest"
  cp "$snap.2.pending" "$snap.2.rest.pending"
  expect_product_gone "$snap.1" "$snap.2.rest"

  local SETUP_EXE=
  install_product
  snapshot "$snap.3"
  "$WINE64" "$PROBE" run-limited "$(uninstall_string)" >"$WINE_ENV_DIR/code" 2>/dev/null &
  UNINSTALL_PID=$!
  answer_box Return && expect_box "The uninstaller started itself again with administrator rights to remove \"$RECORD\"" \
    "the uninstaller started again for the machine's record says it was given no rights"
  finish_uninstall
  code=$(tr -d '\r\n' <"$WINE_ENV_DIR/code")
  [ "$code" = 1603 ] && pass "... and the first ends with its exit code (1603)" || fail "the first ended with $code"
  snapshot "$snap.4"
  expect_no_changes "$snap.3" "$snap.4" "the machine's uninstall without administrator rights"
}

trap wine_env_stop EXIT
run_in_fresh_prefix "complete installation" case_complete
run_in_fresh_prefix "user file in the install folder" case_user_file
run_in_fresh_prefix "partial log" case_partial
run_in_fresh_prefix "hostile log values and a planted record" case_hostile
run_in_fresh_prefix "install folder swapped for a link" case_link
run_in_fresh_prefix "a record in the other registry view" case_other_view
run_in_fresh_prefix "shortcuts of all users and of the user, checked before removal" case_shortcuts
run_in_fresh_prefix "a product for the current user, and a machine's removed from an unelevated process" \
  case_current_user
if [ -n "$SETUP_EXE" ] && [ -n "$TKDS" ] && [ -n "$STUBS" ]; then
  side_by_side_first() { case_side_by_side first; }
  side_by_side_second() { case_side_by_side second; }
  run_in_fresh_prefix "two products side by side, the first installed removed first" side_by_side_first
  run_in_fresh_prefix "two products side by side, the last installed removed first" side_by_side_second
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed:"$'\n'"$failed_checks" >&2
  exit 1
fi
echo "all uninstall checks passed"
