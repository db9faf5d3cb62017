#!/usr/bin/env bash
# Memory of setup.exe through a whole installation of a large product: Wine's own
# DLLs (real binaries), cut into files of 100 MB, or with TREE=DIR a real folder
# tree as the sample's one Tree line (MEGABYTES is then ignored), made into a
# setup with tkds make and the stub of the architecture under test
# (TOLVIK_WINDOWS_ARCH, as the Wine tests take it; the 32-bit run goes through
# scripts/win32-env.sh run). COMPRESS (yes: per-node zlib, the default; lzma: the
# payload stream after the image) is how tkds make stores the files. Prints one
# line for scripts/measure.sh:
#   NAME payload=... setup=... make_ms=... make_peak=... window_ms=... install_ms=... start_hwm=... peak_hwm=... peak_anon=...
# window_ms is the time from starting wine to the window shown (the demo-sized
# product, MEGABYTES 1, is the reference); install_ms from the click on SETUP to
# the program's end; start_hwm the peak resident set once
# the window is idle, peak_hwm the peak of
# the whole run, peak_anon the largest anonymous part seen (heap blocks; the
# mapped container pages are not anonymous), all in bytes, from /proc as Linux
# sees the Windows process. Every installed file is compared with its source. With
# NSIS_COMPARE=1 or UPGRADE=1, the product is removed with its quiet uninstall
# command and installed again with /S, timed from the process's start to its end
# (silent_ms: no window, whose hiding costs a Wine without a window manager about
# 2 s), its peak resident set silent_hwm. With NSIS_COMPARE=1 (the 64-bit run,
# where makensis and its amd64 stubs are at hand) the same files in an NSIS
# installer (File /r; zlib, or /SOLID lzma when COMPRESS is lzma) installed with /S
# give nsis_install_ms, and the line also carries nsis_setup, nsis_make_ms and
# nsis_peak_hwm. With UPGRADE=1 the same setup.exe runs with /S a second time,
# right after the first, over what it installed (each file written as a new copy
# beside the old one, renamed over it once all are written, the record rewritten):
# upgrade_ms and upgrade_hwm, measured as the first; it must end with 0 and leave
# the destination holding exactly the payload, no new copy ("*.tknew") left.
# With PER_USER=1 (64-bit; PROBE=the 64-bit tests/e2e/probe.exe) the product is
# made with --scope both and, after the runs above, removed with its quiet
# uninstall, then installed twice more with /S, each started through the probe
# and timed from the probe's start to its end: for all users ("probe run",
# elevated as Wine runs every process: machine_ms, machine_hwm), removed again,
# then for the current user ("probe run-limited" with /CURRENTUSER, the limited
# token: user_ms, user_hwm). The peak resident set is setup.exe's own (the
# process whose first argument Wine overwrites with the program's Windows path).
# Each must end with 0; the user's copy must be the whole payload in the user's
# programs folder (%LOCALAPPDATA%\Programs), its uninstaller beside it and nothing
# in Program Files, and its quiet uninstall (run limited too) must end with 0 and
# leave no folder.
#
# Usage: [NSIS_COMPARE=1] [UPGRADE=1] [PER_USER=1 PROBE=EXE] [TREE=DIR]
#        large-product.sh NAME MEGABYTES TKDS STUB_DIR [COMPRESS]
set -euo pipefail
name=$1
megabytes=$2
tkds=$3
stubs=$4
compress=${5:-yes}
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/wine/wine-env.sh"

work=$(mktemp -d /tmp/large-product.XXXXXX)
trap 'rm -rf "$work"; wine_env_stop' EXIT
"$tkds" new "$work/vendor" >/dev/null
manifest="$work/vendor/container.manifest"
printf 'pit=pf\r\nname=Large Product\r\nregrecord=LargeProduct\r\ndeffolder=Tolvik\\Large\r\ngroupname=Large\r\n' \
  >"$work/vendor/content/Data.idoc"
# The product is the sample's product/ folder, all of it in the sample's Tree line.
product="$work/vendor/product"
mkdir "$work/peer"  # the NSIS peer's fixed files: the demo's program and license, the uninstaller
cp "$stubs/$KIT_ARCH/TKUNTOOL.EXE" "$product/Pellumar.exe" "$product/License.txt" "$work/peer/"
mv "$product/License.txt" "$work/vendor/"  # the text the License button shows
sed -i 's|file=product/License.txt|file=License.txt|' "$manifest"
rm -rf "$product"
if [ -n "${TREE:-}" ]; then
  cp -rL "$TREE" "$product"  # links followed: a Tree refuses them
else
  mkdir "$product"
  # tar stops with SIGPIPE once head has taken what it wants; the DLLs come round
  # again for a product larger than they are (about 640 MB).
  for round in 1 2 3; do
    tar -C /usr/lib/x86_64-linux-gnu/wine -cf - x86_64-windows i386-windows 2>/dev/null || break
  done |
    head -c $((megabytes * 1048576)) |
    split -b 100M -d --additional-suffix=.bin - "$product/part"
fi
sed -i "s|^\(Data\.\* *Tree *dir=product\).*|\1 compress=$compress|" "$manifest"
scope=()
if [ "${PER_USER:-0}" = 1 ]; then
  [ -f "${PROBE:-}" ] || { echo "$name: PER_USER=1 needs PROBE=the 64-bit probe.exe" >&2; exit 1; }
  scope=(--scope both)
fi
/usr/bin/time -f "%e %M" -o "$work/make-time.txt" \
  "$tkds" make "$manifest" -o "$work/setup.exe" --arch "$KIT_ARCH" --stubs "$stubs" "${scope[@]}"
read -r make_seconds make_kilobytes <"$work/make-time.txt"
payload=$(find "$product" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')

wine_env_start
started=$(date +%s%N)
"$WINE64" "$work/setup.exe" &
pid=$!
timeout "$(wine_polls 300)" xdotool search --sync --onlyvisible --name '^Tolvik Setup$' >/dev/null
window_ms=$((($(date +%s%N) - started) / 1000000))
sleep 2
# A field of the process's status in bytes; nothing once the process has ended,
# which it may do between the loop's look and this read.
field() { awk -v f="$1:" '$1 == f { print $2 * 1024 }' "/proc/${2:-$pid}/status" 2>/dev/null || true; }
start_hwm=$(field VmHWM)
xdotool mousemove $((100 + 114 + 22)) $((100 + 146 + 16)) sleep 0.2 click 1
clicked=$(date +%s%N)
peak_hwm=$start_hwm
peak_anon=0
polls=0
while kill -0 "$pid" 2>/dev/null; do
  polls=$((polls + 1))
  [ "$polls" -lt "$(wine_polls 3000)" ] || { echo "$name: setup did not end (a message box?)" >&2; exit 1; }
  hwm=$(field VmHWM)
  anon=$(field RssAnon)
  [ -n "$hwm" ] && peak_hwm=$hwm
  [ -n "$anon" ] && [ "$anon" -gt "$peak_anon" ] && peak_anon=$anon
  sleep 0.2
done
wait "$pid" 2>/dev/null || true
install_ms=$((($(date +%s%N) - clicked) / 1000000))
destination=$(wine_unix_path "$PROGRAM_FILES\\Tolvik\\Large")
diff -r -q "$product" "$destination" >&2 || { echo "$name: the product was not installed whole" >&2; exit 1; }
# silent_run [--via run|run-limited] [--into DIR [--with FILE]] WHAT ARGS...: runs
# setup.exe with ARGS to its end, which must be 0, and checks that DIR (the
# machine's destination unless given) then holds exactly the payload, and FILE at
# its top when given. Sets run_ms (from the start of the process started here to
# its end, as wait sees it) and run_hwm (setup.exe's VmHWM, read every 0.1 s by a
# second process while the run goes on: an ended process has no
# /proc/PID/status). With --via, the probe starts setup.exe ("probe run": as Wine
# runs it, elevated; "probe run-limited": with the limited token) and prints its
# exit code; run_ms then includes the probe's own start and end.
win_setup="Z:${work//\//\\}\\setup.exe"
setup_process() {  # the Linux process of a setup.exe that the probe started: Wine writes
                   # the Windows program's path over the process's first argument
  local f line
  for f in /proc/[0-9]*/cmdline; do
    line=""
    IFS= read -r -d '' line 2>/dev/null <"$f" || [ -n "$line" ] || continue
    case $line in
      "$win_setup" | "$win_setup "* | "\"$win_setup\""*) f=${f#/proc/}; echo "${f%/cmdline}"; return 0 ;;
    esac
  done
  return 1
}
silent_run() {
  local via="" into=$destination with="" started watcher code=0 what
  while [ "${1:-}" != "${1#--}" ]; do
    case $1 in
      --via) via=$2 ;;
      --into) into=$2 ;;
      --with) with=$2 ;;
    esac
    shift 2
  done
  what=$1
  shift
  started=$(date +%s%N)
  if [ -n "$via" ]; then
    "$WINE64" "$PROBE" "$via" "\"$win_setup\" $*" {session}>&- >"$work/code.txt" &
  else
    "$WINE64" "$work/setup.exe" "$@" {session}>&- &
  fi
  local run_pid=$!
  : >"$work/hwm.txt"
  (
    setup_pid=$run_pid
    if [ -n "$via" ]; then
      setup_pid=""
      while [ -z "$setup_pid" ] && kill -0 "$run_pid" 2>/dev/null; do
        setup_pid=$(setup_process) || sleep 0.02
      done
    fi
    while [ -n "$setup_pid" ] && hwm=$(field VmHWM "$setup_pid") && [ -n "$hwm" ]; do
      echo "$hwm" >"$work/hwm.txt"
      sleep 0.1
    done
  ) &
  watcher=$!
  wait "$run_pid" || code=$?
  run_ms=$((($(date +%s%N) - started) / 1000000))
  wait "$watcher" || true
  run_hwm=$(cat "$work/hwm.txt")
  if [ -n "$via" ] && [ "$code" = 0 ]; then code=$(tr -d '\r\n' <"$work/code.txt"); fi
  [ "$code" = 0 ] || { echo "$name: $what ended with ${code:-no exit code}" >&2; exit 1; }
  local differences
  differences=$(diff -r -q "$product" "$into" 2>&1) && [ -z "$with" ] ||
    { [ -n "$with" ] && [ "$differences" = "Only in $into: $with" ]; } ||
    { echo "$differences" >&2; echo "$name: $what did not leave the product whole in $into" >&2; exit 1; }
  local left
  left=$(find "$into" -name '*.tknew')
  [ -z "$left" ] || { echo "$name: $what left new copies: $left" >&2; exit 1; }
  [ -n "$run_hwm" ] || { echo "$name: no peak resident set of $what" >&2; exit 1; }
}
quiet_uninstall() {  # quiet_uninstall KEY: the QuietUninstallString of the uninstall entry KEY
  "$WINE64" reg query "$1" /v QuietUninstallString $REG_VIEW {session}>&- | tr -d '\r' |
    awk 'BEGIN { FS = "    " } $2 == "QuietUninstallString" { print $4 }'
}
remove_machine_copy() {  # its quiet uninstall, elevated; it must leave no destination
  "$WINE64" cmd /c "$(quiet_uninstall 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\LargeProduct')" \
    {session}>&-
  [ ! -e "$destination" ] || { echo "$name: the quiet uninstall left $destination" >&2; exit 1; }
}
nsis_figures=""
upgrade_figures=""
per_user_figures=""
if [ "${NSIS_COMPARE:-0}" = 1 ] || [ "${UPGRADE:-0}" = 1 ] || [ "${PER_USER:-0}" = 1 ]; then
  # Wine's session (its server, services and desktop) ends a few seconds after its
  # last program and starts again, over a second, with the next one: a program
  # that reads its input until it is closed keeps it up for all the /S runs, so that
  # they start alike, as on Windows, whatever the checks between them take; the
  # NSIS installer runs in the same session, so that both are timed alike. The
  # programs started meanwhile do not inherit its input's other end, so that
  # closing it ends the session.
  exec {session}> >(exec "$WINE64" cmd >/dev/null 2>&1)
fi
if [ "${NSIS_COMPARE:-0}" = 1 ] || [ "${UPGRADE:-0}" = 1 ]; then
  remove_machine_copy
  silent_run "/S" /S
  silent_ms=$run_ms
  upgrade_figures=" silent_ms=$silent_ms silent_hwm=$run_hwm"
fi
if [ "${UPGRADE:-0}" = 1 ]; then
  # The same setup.exe again, at once: /S without /D= installs over the installed
  # product, in the folder its record names.
  silent_run "the upgrade with /S" /S
  upgrade_figures+=" upgrade_ms=$run_ms upgrade_hwm=$run_hwm"
fi
if [ "${PER_USER:-0}" = 1 ]; then
  # Both runs start with nothing installed, and both through the probe, so that
  # only the token and the switch differ.
  remove_machine_copy
  silent_run --via run "/S /ALLUSERS" /S /ALLUSERS
  per_user_figures=" machine_ms=$run_ms machine_hwm=$run_hwm"
  remove_machine_copy
  local_appdata=$("$WINE64" cmd /c echo %LOCALAPPDATA% {session}>&- | tr -d '\r')
  user_destination=$(wine_unix_path "$local_appdata\\Programs\\Tolvik\\Large")
  silent_run --via run-limited --into "$user_destination" --with TKUNTOOL.EXE "/S /CURRENTUSER unelevated" \
    /S /CURRENTUSER
  per_user_figures+=" user_ms=$run_ms user_hwm=$run_hwm"
  [ ! -e "$destination" ] || { echo "$name: /S /CURRENTUSER wrote $destination" >&2; exit 1; }
  code=$("$WINE64" "$PROBE" run-limited \
    "$(quiet_uninstall 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\LargeProduct')" {session}>&- |
    tr -d '\r\n')
  [ "$code" = 0 ] || { echo "$name: the user's quiet uninstall ended with ${code:-no exit code}" >&2; exit 1; }
  [ ! -e "$user_destination" ] || { echo "$name: the user's quiet uninstall left $user_destination" >&2; exit 1; }
fi
if [ "${NSIS_COMPARE:-0}" = 1 ]; then
  solid=""
  [ "$compress" = lzma ] && solid=-DSOLID_LZMA
  started=$(date +%s%N)
  makensis -V1 -DPAYLOAD="$work/peer" -DTREE="$product" -DOUTFILE="$work/nsis.exe" -DTARGET=amd64-unicode $solid \
    "$root/scripts/measure/peer-installer.nsi"
  nsis_make_ms=$((($(date +%s%N) - started) / 1000000))
  started=$(date +%s%N)
  "$WINE64" "$work/nsis.exe" /S {session}>&- &
  pid=$!
  nsis_peak=0
  while kill -0 "$pid" 2>/dev/null; do
    hwm=$(field VmHWM)
    [ -n "$hwm" ] && nsis_peak=$hwm
    sleep 0.2
  done
  wait "$pid" 2>/dev/null || true
  nsis_ms=$((($(date +%s%N) - started) / 1000000))
  nsis_tree=$(wine_unix_path "$PROGRAM_FILES\\Tolvik\\Pellumar\\tree")
  diff -r -q "$product" "$nsis_tree" >&2 || { echo "$name: NSIS did not install the product whole" >&2; exit 1; }
  nsis_figures=" nsis_setup=$(stat -c %s "$work/nsis.exe") nsis_install_ms=$nsis_ms"
  nsis_figures+=" nsis_make_ms=$nsis_make_ms nsis_peak_hwm=$nsis_peak"
fi
if [ -n "${session:-}" ]; then exec {session}>&-; fi
make_ms=$(awk -v s="$make_seconds" 'BEGIN { printf "%d", s * 1000 }')
echo "$name payload=$payload setup=$(stat -c %s "$work/setup.exe") make_ms=$make_ms make_peak=$((make_kilobytes * 1024))" \
  "window_ms=$window_ms start_hwm=$start_hwm peak_hwm=$peak_hwm peak_anon=$peak_anon install_ms=$install_ms$upgrade_figures$per_user_figures$nsis_figures"
