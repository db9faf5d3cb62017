# Shared by the end-to-end tests: starts the real setup.exe in a fresh Wine prefix
# on a private X display, drives it as a user would (mouse clicks and keys with
# xdotool; the probe reads texts X cannot see, such as a message box's), and reads
# the outcome back with tools of the system: reg, lnkinfo, cmp, ImageMagick.
#
# Arguments of every e2e script: WIN64_BUILD_DIR SETUP_EXE PROBE_EXE TKDS
set -euo pipefail
E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$E2E_DIR/../wine/wine-env.sh"

BUILD_DIR=$1
SETUP_EXE=$2
PROBE_EXE=$3
TKDS=$4
CONTAINER="$BUILD_DIR/resources/setup-container.tkds"
WINDOW="Tolvik Setup"
RUN_BOX="Tolvik Setup."
SETUP_PID=""
FAILURES=0

e2e_start() {
  trap e2e_stop EXIT
  wine_env_start || exit 1
  E2E_WORK="$WINE_ENV_DIR/work"
  mkdir -p "$E2E_WORK"
}

e2e_stop() {
  local rc=$?
  [ -n "$SETUP_PID" ] && kill "$SETUP_PID" 2>/dev/null || true
  wine_env_stop
  if [ "$FAILURES" -gt 0 ]; then
    echo "FAILED: $FAILURES check(s)"
    exit 1
  fi
  exit $rc
}

# The probe's "wait" and "gone" take the seconds a 64-bit run needs; they are
# upper bounds, scaled by the architecture's factor (see wine_polls). They answer
# 0 or 1; any other end is the probe's own failure (under the 32-bit emulator
# the C library may abort a program as it exits), and the question is asked again.
probe() {
  case $1 in
    wait | gone)
      local code tries
      for tries in 1 2 3; do
        code=0
        "$WINE64" "$PROBE_EXE" "$1" "$2" "$(wine_polls "${3:-30}")" || code=$?
        [ "$code" -le 1 ] && return "$code"
        echo "  the probe's $1 ended with $code; asked again" >&2
      done
      return "$code"
      ;;
    *) "$WINE64" "$PROBE_EXE" "$@" ;;
  esac
}

check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    echo "ok: $what"
  else
    echo "FAIL: $what"
    FAILURES=$((FAILURES + 1))
  fi
}

equal() { [ "$1" == "$2" ] || { echo "  expected: [$2]"; echo "  actual:   [$1]"; return 1; }; }

# Starts setup.exe and waits until its window is shown and painted.
start_setup() {
  local errors="$WINE_ENV_DIR/setup.stderr" attempt
  for attempt in $(seq 1 10); do
    WINEDEBUG=$WINE_WINDOW_ERRORS "$WINE64" "$SETUP_EXE" 2>"$errors" &
    SETUP_PID=$!
    probe wait "$WINDOW" 60 && { sleep 1; return 0; }
    [ "$attempt" -lt 10 ] && wine_desktop_retry "$SETUP_PID" "$errors" || break
  done
  echo "setup window did not appear"
  wine_what_it_did "$SETUP_PID" "$errors"
  return 1
}

# Waits until setup.exe has ended; false after SECONDS (scaled as the probe's waits).
setup_ended() {
  local seconds=${1:-60} i
  for i in $(seq 1 "$(wine_polls $((seconds * 10)))"); do
    kill -0 "$SETUP_PID" 2>/dev/null || { wait "$SETUP_PID" 2>/dev/null || true; SETUP_PID=""; return 0; }
    sleep 0.1
  done
  return 1
}

# Where the main window's client area stands on the screen (it opens at 100, 100);
# a test that moves the window updates these.
WINDOW_X=100
WINDOW_Y=100

# Clicks at a point of the main window's client area; COUNT clicks make a double click.
click_client() {
  xdotool mousemove $((WINDOW_X + $1)) $((WINDOW_Y + $2)) sleep 0.2 click --repeat "${3:-1}" --delay 80 1
}

# Clicks the middle of a 44 x 32 button whose top-left corner is at (x, y).
click_button() { click_client $(($1 + 22)) $(($2 + 16)) "${3:-1}"; }
SETUP_BUTTON="114 146"
LICENSE_BUTTON="174 146"
BROWSE_BUTTON="241 61"

set_path() { probe set-text "$WINDOW" 1005 "$1" >/dev/null; }
get_path() { probe get-text "$WINDOW" 1005 | tr -d '\r'; }

# The text of the run's message box (waits for it), without its title line.
run_box_text() {
  probe wait "$RUN_BOX" "${1:-30}" >/dev/null || return 1
  probe texts "$RUN_BOX" | tr -d '\r' | sed '1d' | grep -v -x -e 'OK' -e ''
}

close_run_box() {
  # Pressed again while the box stays: on a loaded machine a press has failed
  # with nothing said, the box still up. What counts is that the box goes.
  local tries
  for tries in 1 2 3; do
    probe press "$RUN_BOX" 2 >/dev/null 2>&1 || probe press "$RUN_BOX" 1 >/dev/null || true
    probe gone "$RUN_BOX" 10 >/dev/null && break
  done
  probe gone "$RUN_BOX" 1 >/dev/null
  # The run's thread ends just after its box; input until then is dropped.
  sleep "$(wine_polls 1)"
}

# reg query VALUE of KEY (HKCU\... or HKLM\...) as the setup sees the registry
# (its own WoW64 view; VIEW overrides it): the data, or nothing.
reg_value() {  # reg_value KEY VALUE [VIEW]
  # A value not found is asked for once more before it counts as missing: under the
  # emulated 32-bit Wine on a loaded machine a query has come back without a value
  # that the same run, repeated, found.
  local attempt
  for attempt in $(seq 1 10); do
    "$WINE64" reg query "$1" /v "$2" "${3:-$REG_VIEW}" 2>/dev/null | tr -d '\r' |
      awk -v name="$2" 'BEGIN { FS = "    " } $2 == name { print $4; found = 1 } END { exit !found }' && return 0
  done
  return 1
}

# The Unix path of a Windows path on drive C:.
unix_path() { wine_unix_path "$1"; }
c() { unix_path "$1"; }

# run_code COMMAND-LINE [SECONDS]: runs it to its end (at most SECONDS, 120 by
# default, scaled as the probe's waits) and prints its whole exit code, which a
# Linux shell would see only modulo 256.
run_code() { timeout "$(wine_polls "${2:-120}")" "$WINE64" "$PROBE_EXE" run "$1" | tr -d '\r\n'; }

# log_says TEXT FILE: the log holds the text; else the log is shown.
log_says() { grep -q -F "$1" "$2" || { echo "  not in the log: $1"; sed 's/^/  | /' "$2"; return 1; }; }

# The node's decoded bytes from the setup's own container.
extract_node() { "$TKDS" extract "$CONTAINER" "$1" -o "$2"; }

# A field of lnkinfo's report ("Local path", "Working directory", "Command line arguments").
lnk_field() { lnkinfo "$1" 2>/dev/null | sed -n "s/^[[:space:]]*$2[[:space:]]*: //p" | head -n 1; }

# Runs the record's registered uninstall command as a user does: Yes, then the
# report, whose text is printed.
uninstall_record() {
  local command uninstaller
  command=$(reg_value "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" UninstallString)
  "$WINE64" cmd /c "$command" >/dev/null 2>&1 &
  uninstaller=$!
  probe wait TKUNTOOL 30 >/dev/null && probe press TKUNTOOL 6 >/dev/null
  sleep 2
  probe wait TKUNTOOL 30 >/dev/null
  probe texts TKUNTOOL
  probe press TKUNTOOL 2 >/dev/null 2>&1 || probe press TKUNTOOL 1 >/dev/null
  wait "$uninstaller" 2>/dev/null || true
}
