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

wine_env_start() {
  unset DISPLAY
  WINE_ENV_DIR=$(mktemp -d /tmp/tolvik-wine.XXXXXX)
  export WINEPREFIX="$WINE_ENV_DIR/prefix"
  # The prefix links the user's Desktop and Documents to $HOME: keep them inside
  # the throwaway folder so that tests never write into the real home.
  export HOME="$WINE_ENV_DIR/home"
  mkdir -p "$HOME"
  local display
  for display in $(seq 100 400); do
    [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] && continue
    Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    WINE_ENV_XVFB=$!
    local i
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$display" ] && break
      kill -0 "$WINE_ENV_XVFB" 2>/dev/null || break
      sleep 0.1
    done
    if [ -e "/tmp/.X11-unix/X$display" ] && kill -0 "$WINE_ENV_XVFB" 2>/dev/null; then
      export DISPLAY=":$display"
      break
    fi
  done
  [ -n "${DISPLAY:-}" ] || { echo "wine-env: no X display could be started" >&2; return 1; }
  "$WINE64" wineboot -i >/dev/null 2>&1
  "${WINE64%/*}/wineserver" -w 2>/dev/null || true
}

wine_env_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    "${WINE64%/*}/wineserver" -k 2>/dev/null || true
  fi
  [ -n "${WINE_ENV_XVFB:-}" ] && kill "$WINE_ENV_XVFB" 2>/dev/null || true
  [ -n "${WINE_ENV_DIR:-}" ] && rm -rf "$WINE_ENV_DIR"
}

# Windows path inside the prefix -> Unix path (C: only).
wine_unix_path() {
  local p=${1#?:\\}
  echo "$WINEPREFIX/drive_c/${p//\\//}"
}
