# Shared by the Wine test scripts: a fresh prefix and a private X display.
# After wine_env_start: WINEPREFIX, DISPLAY and WINE64 are set and the prefix is booted.
WINE64=${TOLVIK_WINE64:-/usr/lib/wine/wine64}

# What the programs under test see of the system, by their architecture
# (TOLVIK_WINDOWS_ARCH, set by the test registration). A 32-bit program on 64-bit
# Windows (WoW64) reads "C:\Program Files (x86)" as its Program Files folder, and
# its writes under HKLM\SOFTWARE land in WOW6432Node, where 64-bit programs see
# them; reg.exe is 64-bit and shows the program's own view with REG_VIEW.
case ${TOLVIK_WINDOWS_ARCH:-win64} in
  win32)
    PROGRAM_FILES='C:\Program Files (x86)'
    REG_VIEW=/reg:32
    HKLM_SOFTWARE_64='HKLM\SOFTWARE\WOW6432Node'
    WINE_TIME_FACTOR=4  # 32-bit Wine runs through an emulator
    KIT_ARCH=x86        # the stub folder's name for the architecture
    ;;
  *)
    PROGRAM_FILES='C:\Program Files'
    REG_VIEW=/reg:64
    HKLM_SOFTWARE_64='HKLM\SOFTWARE'
    WINE_TIME_FACTOR=1
    KIT_ARCH=x64
    ;;
esac

# How many polls of a wait loop: the count a 64-bit run needs, times the
# architecture's factor, so that a loaded machine does not fail the slower runs.
wine_polls() { echo $(($1 * WINE_TIME_FACTOR)); }
export WINEDEBUG=-all
# winemenubuilder would mirror shortcuts into the Linux desktop's menus.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# wine_step WHAT COMMAND...: runs one step of a test or of the harness's start.
# On failure it names the step, the command and its exit code, with the end of
# the command's output (kept quiet on success), and returns that exit code.
wine_step() {
  local what=$1 rc=0 out
  shift
  out=$(mktemp /tmp/tolvik-step.XXXXXX)
  "$@" >"$out" 2>&1 || rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "FAILED step: $what (exit $rc): $*" >&2
    tail -n 20 "$out" | sed 's/^/  | /' >&2
  fi
  rm -f "$out"
  return "$rc"
}

# wine_what_it_did PID [ERRORS]: when a wait for a program's window gives up,
# what the program did instead: its exit code or that it still runs, the end of
# what it wrote to standard error (kept in the file ERRORS), and the windows shown.
wine_what_it_did() {
  local code=0 id
  if kill -0 "$1" 2>/dev/null; then
    echo "  it is still running"
  else
    wait "$1" 2>/dev/null || code=$?
    echo "  it had ended, with exit code $code"
  fi
  if [ -s "${2:-}" ]; then
    echo "  the end of its standard error:"
    tail -n 20 "$2" | sed 's/^/    | /'
  fi
  xdotool getdisplaygeometry >/dev/null 2>&1 || echo "  the X display $DISPLAY does not answer"
  echo "  the windows on the screen:"
  for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null | head -n 20); do
    echo "    $(xdotool getwindowname "$id" 2>/dev/null)"
  done
}

# The Wine debug setting for a program whose standard error a test keeps: Wine's
# own diagnoses (no desktop, no display driver) are printed too, so a window
# that never appears says why.
WINE_WINDOW_ERRORS=-all,err+winediag

# wine_desktop_retry PID ERRORS: true when the program PID (started with
# WINE_WINDOW_ERRORS, its standard error in ERRORS) has ended because Wine made
# no desktop for its first window, after a pause. Wine gives the desktop's
# process ten seconds to start, which a loaded machine now and then exceeds;
# a program started again before that process is up fails at once, so the
# pause. Such a program has shown nothing and may be started again.
wine_desktop_retry() {
  kill -0 "$1" 2>/dev/null && return 1
  grep -q 'The explorer process failed to start' "$2" 2>/dev/null || return 1
  echo "Wine made no desktop in time for the program's first window; it is started again"
  sleep $((2 * WINE_TIME_FACTOR))
}

# A script that stops on an error (set -e) says where and what failed before it
# ends, so that no test fails without a word.
wine_report_error() {
  case $- in *e*) echo "FAILED: ${3:-?}:${4:-?}: $2 (exit $1)" >&2 ;; esac
}
set -E
trap 'wine_report_error $? "$BASH_COMMAND" "${BASH_SOURCE[0]}" "$LINENO"' ERR

# A private X display. Xvfb picks a free display number itself (-displayfd, under
# the X server's own lock files), so tests that start at the same moment never
# race for one; it writes the number once it accepts connections. Its screen is
# 1024 x 768 unless WINE_ENV_SCREEN says otherwise (WIDTHxHEIGHTxDEPTH).
wine_env_display() {
  local numberFile="$WINE_ENV_DIR/display" i
  Xvfb -displayfd 3 -screen 0 "${WINE_ENV_SCREEN:-1024x768x24}" -nolisten tcp 3>"$numberFile" >"$WINE_ENV_DIR/xvfb.log" 2>&1 &
  WINE_ENV_XVFB=$!
  for i in $(seq 1 200); do
    if grep -q '^[0-9][0-9]*$' "$numberFile" 2>/dev/null; then
      export DISPLAY=":$(head -n 1 "$numberFile")"
      return 0
    fi
    kill -0 "$WINE_ENV_XVFB" 2>/dev/null || break
    sleep 0.1
  done
  echo "FAILED step: start the X display (Xvfb -displayfd) gave no display number; its output:" >&2
  tail -n 20 "$WINE_ENV_DIR/xvfb.log" | sed 's/^/  | /' >&2
  return 1
}

wine_env_start() {
  unset DISPLAY
  # Wine shows a folder that Unix lets others write as one every user may write,
  # which the elevated programs refuse to install or log into: the prefix's
  # folders are made as on a usual system, writable by their owner alone.
  umask 022
  WINE_ENV_DIR=$(mktemp -d /tmp/tolvik-wine.XXXXXX)
  export WINEPREFIX="$WINE_ENV_DIR/prefix"
  # The prefix links the user's Desktop and Documents to $HOME: keep them inside
  # the throwaway folder so that tests never write into the real home.
  export HOME="$WINE_ENV_DIR/home"
  mkdir -p "$HOME"
  wine_env_display || return 1
  wine_env_boot_prefix || return 1
  wine_step "wait for the prefix's wineserver (wineserver -w)" "${WINE64%/*}/wineserver" -w || return 1
}

# A new prefix is a copy of one booted once for this Wine and these settings
# (the user's name and language among them: the boot names the profile and its
# folders after them), by the first test that needs it: the same files a boot
# makes, in one to three seconds instead of fifteen to twenty (the 32-bit Wine
# runs under an emulator).
# The prefix links the user's folders to $HOME, so the copy's links are turned
# to this test's $HOME.
wine_env_boot_prefix() {
  local key template lock rc=0 oldHome link target
  key=$({ "$WINE64" --version; echo "$WINE64 ${TOLVIK_WINDOWS_ARCH:-win64} $WINEDLLOVERRIDES $(id -u)"
          echo "${USER:-} ${LANG:-} ${LC_ALL:-}"; } |
    md5sum | cut -c1-16)
  template=${TMPDIR:-/tmp}/tolvik-wine-template.$key
  exec {lock}>"$template.lock"
  flock "$lock"
  wine_env_boot_template "$template" || rc=$?
  exec {lock}>&-
  [ "$rc" -eq 0 ] || return "$rc"
  wine_step "copy the template prefix $template" cp -a "$template/prefix" "$WINEPREFIX" || return 1
  oldHome=$(cat "$template/home")
  while IFS= read -r -d '' link; do
    target=$(readlink "$link")
    ln -sfn "$HOME${target#"$oldHome"}" "$link"
  done < <(find "$WINEPREFIX/drive_c/users" -type l -lname "$oldHome*" -print0)
}

# Boots the template prefix unless it is there. Now and then, on a loaded
# machine, a new prefix's first boot fails inside Wine ("could not load
# kernel32.dll") and leaves the prefix half made. Such a prefix never recovers,
# so a failed boot is retried on a fresh one, a few times; only a whole boot
# becomes the template.
wine_env_boot_template() {
  local template=$1 attempt
  [ -d "$template/prefix" ] && return 0
  local -x WINEPREFIX=$template.new/prefix
  rm -rf "$template.new"
  mkdir -p "$template.new"
  for attempt in 1 2 3; do
    if wine_step "make the Wine prefix (wineboot -i, attempt $attempt)" "$WINE64" wineboot -i &&
       wine_step "wait for the prefix's wineserver (wineserver -w)" "${WINE64%/*}/wineserver" -w; then
      printf '%s' "$HOME" >"$template.new/home"
      mv "$template.new" "$template"
      return 0
    fi
    "${WINE64%/*}/wineserver" -k 2>/dev/null || true
    "${WINE64%/*}/wineserver" -w 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  done
  return 1
}

# wine_env_wait_programs_gone, after wine_env_stop: waits until no program of
# the prefix runs any more (a process started with the prefix in its
# environment, other than the X display), so that a script's next case starts
# on a quiet machine. One that has not ended ten seconds after its wineserver
# is named and killed.
wine_env_programs() {
  env -u WINEPREFIX grep -lzx "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null |
    cut -d/ -f3 | grep -vx "${WINE_ENV_XVFB:-0}" || true
}
wine_env_wait_programs_gone() {
  local i left pid
  for i in $(seq 1 "$(wine_polls 100)"); do
    left=$(wine_env_programs)
    [ -z "$left" ] && return 0
    sleep 0.1
  done
  echo "Wine programs of $WINEPREFIX still ran after its wineserver ended; killed:" >&2
  for pid in $left; do
    echo "  $pid: $(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline" || echo '(ended meanwhile)')" >&2
    kill -KILL "$pid" 2>/dev/null || true
  done
  return 1
}

wine_env_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    "${WINE64%/*}/wineserver" -k 2>/dev/null || true
    "${WINE64%/*}/wineserver" -w 2>/dev/null || true
  fi
  [ -n "${WINE_ENV_XVFB:-}" ] && kill "$WINE_ENV_XVFB" 2>/dev/null || true
  [ -n "${WINE_ENV_DIR:-}" ] && rm -rf "$WINE_ENV_DIR"
}

# wine_set_dpi DPI, after wine_env_start and before the test's first program:
# the display's scale (96 DPI is 100 %, 192 is 200 %) as Windows keeps it
# (HKCU\Control Panel\Desktop) and in the current hardware profile's fonts key,
# which Wine 8 reads where the first is missing (tried: the first wins). Wine
# reads it as its session starts, so the session that wrote it is let end first.
wine_set_dpi() {
  local key
  for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    wine_step "set LogPixels to $1 in $key" "$WINE64" reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f || return 1
  done
  wine_step "wait for the prefix's wineserver (wineserver -w)" "${WINE64%/*}/wineserver" -w
}

# Windows path inside the prefix -> Unix path (C: only).
wine_unix_path() {
  local p=${1#?:\\}
  echo "$WINEPREFIX/drive_c/${p//\\//}"
}
