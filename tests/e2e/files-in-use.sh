#!/usr/bin/env bash
# A file in use when the product is removed: the demo product installed with /S
# into two folders of its own, then another program holds Pellumar.exe open
# without sharing while the quiet uninstall runs. The uninstall removes the rest,
# schedules the held file and then its two folders for deletion when Windows next
# starts, removes the record and the entry, names the file in its log and ends
# with 3010. Once the holder has ended, a restart of the prefix (wineboot -r)
# deletes the file and the folders.
source "$(dirname "$0")/e2e-lib.sh"
e2e_start

c() { unix_path "$1"; }
# run_code COMMAND-LINE: runs it to its end and prints its whole exit code.
run_code() { timeout "$(wine_polls 120)" "$WINE64" "$PROBE_EXE" run "$1" | tr -d '\r\n'; }
log_says() { grep -q -F "$1" "$2" || { echo "  not in the log: $1"; sed 's/^/  | /' "$2"; return 1; }; }
on_disk() { (cd "$(c 'C:\Held')" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort); }

entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pellumar'
setup_win="Z:${SETUP_EXE//\//\\}"
check "the product installs" equal "$(run_code "\"$setup_win\" /S /D=C:\\Held\\App")" 0
check "... into folders of its own" equal "$(on_disk)" "$(printf '%s\n' App App/License.txt App/Pellumar.exe)"
quiet=$(reg_value "$entry" QuietUninstallString)

"$WINE64" "$PROBE_EXE" hold 'C:\Held\App\Pellumar.exe' 600 >"$E2E_WORK/held" &
holder=$!
for i in $(seq 1 "$(wine_polls 100)"); do grep -q held "$E2E_WORK/held" 2>/dev/null && break; sleep 0.1; done
check "the program's file is held" grep -q held "$E2E_WORK/held"

log=$(c 'C:\uninstall.log')
check "the quiet uninstall ends with 3010" equal "$(run_code "$quiet /LOG=C:\\uninstall.log")" 3010
check "... the held file is still there, and nothing else" equal "$(on_disk)" "$(printf '%s\n' App App/Pellumar.exe)"
check "... the entry is gone" test -z "$(reg_value "$entry" DisplayName || true)"
check "... and the trusted record" test -z "$(reg_value 'HKLM\SOFTWARE\Tolvik\Pellumar\Uninstall' Project || true)"
# The report's list of what waits for the restart, as the log holds it.
restart_list() {
  tr -d '\r' <"$log" | sed -n '/will be removed when Windows restarts:/,/Restart the computer/p' | sed -n 's/^ *- //p'
}
check "... the log names the file, then its folders" \
  equal "$(restart_list)" "$(printf '%s\n' 'C:\Held\App\Pellumar.exe' 'C:\Held\App' 'C:\Held')"
check "... and the outcome" log_says 'outcome: removed; files in use go when Windows restarts (exit code 3010)' "$log"

kill "$holder" 2>/dev/null || true
wait "$holder" 2>/dev/null || true
"${WINE64%/*}/wineserver" -w
check "a restart of Windows (wineboot -r) ends" wine_step "wineboot -r" "$WINE64" wineboot -r
"${WINE64%/*}/wineserver" -w
check "... and deletes the file and its folders" test ! -e "$(c 'C:\Held')"
