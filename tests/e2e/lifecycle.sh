#!/usr/bin/env bash
# A product's life past its first install: setup killed (SIGKILL, as a task kill
# or a deployment tool's timeout ends it) at three moments, then either run again
# or removed through its entry; an uninstall killed halfway and run again; the
# product installed again into another folder. Each ends with the whole product
# or with nothing of it on disk or in the registry.
#
# Arguments: the e2e scripts' four, then the stub folder (with x86/ and x64/).
source "$(dirname "$0")/e2e-lib.sh"
STUBS=$5
e2e_start


# A product of 40 small files and one of 48 MB (random, so that writing it takes a
# while), compressed with zlib so that tkds makes it in seconds.
kit="$E2E_WORK/Life"
(
  cd "$E2E_WORK"
  "$TKDS" new Life >/dev/null
  rm -r Life/product
  mkdir -p Life/product/lib/deep
  printf 'license\n' >Life/License.txt
  sed -i 's|file=product/License.txt|file=License.txt|' Life/container.manifest
  sed -i 's/^\(Data\.\*.*Tree *dir=product\).*$/\1 compress=yes/' Life/container.manifest
  sed -i -e '/^\*,/d' -e 's/^regrecord=.*/regrecord=Life/' Life/content/Data.idoc
  head -c 48M /dev/urandom >Life/product/big.bin
  for i in $(seq 1 40); do head -c 20K /dev/urandom >"Life/product/lib/deep/f$i.bin"; done
)
check "tkds make makes the product" "$TKDS" make "$kit/container.manifest" -o "$E2E_WORK/life.exe" \
  --arch "$KIT_ARCH" --stubs "$STUBS"
setup_cmd() { echo "\"Z:${E2E_WORK//\//\\}\\life.exe\" /S /D=$1"; }

trusted='HKLM\SOFTWARE\Tolvik\Life\Uninstall'
entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Life'
# The product is whole in FOLDER: its files byte for byte, nothing else beside them.
whole_in() { diff -r "$kit/product" "$(c "$1")" >/dev/null; }
# Nothing of the product is left: no folder, no record, no entry.
nothing_left() {
  local gone=0 folder
  for folder in "$@"; do [ -e "$(c "$folder")" ] && { echo "  left: $folder"; gone=1; }; done
  reg_value "$trusted" Project >/dev/null && { echo "  left: the trusted record"; gone=1; }
  reg_value "$entry" DisplayName >/dev/null && { echo "  left: the entry"; gone=1; }
  return $gone
}
quiet_uninstall() { run_code "$(reg_value "$entry" QuietUninstallString)"; }

# kill_when CONDITION PATH COMMAND...: runs the command and kills it the moment
# the condition holds (exists: PATH, a pattern, matches; half: it matches 20 of
# the 40 small files; gone: it matches nothing); prints what was seen, and fails
# when the program ended before the condition held. The watcher starts the program
# itself once it is ready to look, and lets it run in steps of half a millisecond,
# stopped (SIGSTOP) while it looks: neither the watcher's own start nor a busy
# machine can let the program run on past the moment.
kill_when() {
  local condition=$1 path=$2
  shift 2
  local code=0
  python3 - "$condition" "$path" "$(wine_polls 60)" "$@" <<'EOF' || code=$?
import glob, os, signal, subprocess, sys, time
condition, path, limit, command = sys.argv[1], sys.argv[2], time.time() + int(sys.argv[3]), sys.argv[4:]
def size(found):
    try:
        return os.path.getsize(found[0]) if found and os.path.isfile(found[0]) else None
    except OSError:  # renamed or removed meanwhile
        return None
def holds():
    found = glob.glob(path)
    if condition == "exists": return bool(found)
    if condition == "gone": return not found
    return len(found) >= 20  # half of the 40
program = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
def stop():
    """Stops the program; its wait status: stopped, or how it had ended."""
    os.kill(program.pid, signal.SIGSTOP)
    return os.waitpid(program.pid, os.WUNTRACED)[1]
ended = None  # the exit code, when the program ended on its own
while time.time() < limit:
    status = stop()
    if not os.WIFSTOPPED(status):
        ended = os.waitstatus_to_exitcode(status)
        break
    if holds():
        break
    os.kill(program.pid, signal.SIGCONT)
    time.sleep(0.0005)
if ended is not None:
    print(f"  it had ended before the kill, with exit code {ended}")
else:
    os.kill(program.pid, signal.SIGKILL)
    os.kill(program.pid, signal.SIGCONT)
    os.waitpid(program.pid, 0)
bytes_seen = size(glob.glob(path))
print(f"  killed: {condition} {path}: {len(glob.glob(path))} found" +
      (f", {bytes_seen} bytes" if bytes_seen is not None else ""))
sys.exit(0 if ended is None else 1)
EOF
  "${WINE64%/*}/wineserver" -w 2>/dev/null || true
  return $code
}
# The setup itself is started by kill_when, so that the kill reaches it.
setup_exe=("$WINE64" "$E2E_WORK/life.exe" /S)

# Killed once its folders are made: removed through its entry.
kill_when exists "$(c 'C:\Life\App\lib\deep')" "${setup_exe[@]}" '/D=C:\Life\App'
check "killed once its folders are made: the entry is there" reg_value "$entry" QuietUninstallString
check "... the quiet uninstall ends with 0" equal "$(quiet_uninstall)" 0
check "... and leaves nothing" nothing_left 'C:\Life'

# Killed with its files half written: run again, it completes.
kill_when half "$(c 'C:\Life\App\lib\deep')/*.tknew" "${setup_exe[@]}" '/D=C:\Life\App'
check "killed with its files half written: setup run again ends with 0" equal "$(run_code "$(setup_cmd 'C:\Life\App')" 180)" 0
check "... the product is whole" whole_in 'C:\Life\App'
check "... the run is complete, its notes gone" \
  equal "$(reg_value "$trusted" Run) $(reg_value "$trusted" Noted0 || echo none)" "complete none"
check "... the quiet uninstall ends with 0" equal "$(quiet_uninstall)" 0
check "... and leaves nothing" nothing_left 'C:\Life'

# Killed as it starts, before the entry can be there: run again, then removed.
kill_when exists "$(c 'C:\windows')/Tolvik.Setup.*.lock" "${setup_exe[@]}" '/D=C:\Life\App'
check "killed as it starts: setup run again ends with 0" equal "$(run_code "$(setup_cmd 'C:\Life\App')" 180)" 0
check "... the product is whole" whole_in 'C:\Life\App'
check "... the quiet uninstall ends with 0" equal "$(quiet_uninstall)" 0
check "... and leaves nothing" nothing_left 'C:\Life'

# An uninstall killed halfway: the uninstall again ends the job.
check "installed once more" equal "$(run_code "$(setup_cmd 'C:\Life\App')" 180)" 0
quiet=$(reg_value "$entry" QuietUninstallString)
uninstaller=$(c "${quiet%% *}")
kill_when gone "$(c 'C:\Life\App\big.bin')" "$WINE64" "$uninstaller" Life /S
check "an uninstall killed halfway leaves its record" reg_value "$trusted" Project
check "... run again, it ends with 0" equal "$(run_code "$quiet")" 0
check "... and leaves nothing" nothing_left 'C:\Life'

# Installed again into another folder: the product moves there.
check "installed into C:\\First" equal "$(run_code "$(setup_cmd 'C:\First\App')" 180)" 0
check "installed again into C:\\Second ends with 0" equal "$(run_code "$(setup_cmd 'C:\Second\App')" 180)" 0
check "... the product is whole there" whole_in 'C:\Second\App'
check "... nothing is left in the first folder" test ! -e "$(c 'C:\First')"
check "... the entry names the new folder" equal "$(reg_value "$entry" InstallLocation)" 'C:\Second\App'
check "... the quiet uninstall ends with 0" equal "$(quiet_uninstall)" 0
check "... and leaves nothing" nothing_left 'C:\First' 'C:\Second'
