#!/usr/bin/env bash
# A file in use when the product is removed: the demo product installed with /S
# into two folders of its own, then another program holds Pellumar.exe open
# without sharing while the quiet uninstall runs. The uninstall removes the rest,
# schedules the held file and then its two folders for deletion when Windows next
# starts, removes the record and the entry, names the file in its log and ends
# with 3010. Once the holder has ended, a restart of the prefix (wineboot -r)
# deletes the file and the folders. Then an upgrade while a file of the product
# is held: 2.0 has that file replaced when Windows next starts and ends with 3010;
# after the restart the product is 2.0 throughout.
#
# Arguments: the e2e scripts' four, then the stub folder (with x86/ and x64/).
source "$(dirname "$0")/e2e-lib.sh"
STUBS=$5
e2e_start

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

# hold PATH: another program holds the file open without sharing; sets holder.
hold() {
  "$WINE64" "$PROBE_EXE" hold "$1" 600 >"$E2E_WORK/held" &
  holder=$!
  for i in $(seq 1 "$(wine_polls 100)"); do grep -q held "$E2E_WORK/held" 2>/dev/null && break; sleep 0.1; done
}
# make_version VERSION TEXT: the kit's product of record R with a.txt and b.txt holding TEXT.
make_version() {
  (
    cd "$E2E_WORK"
    rm -rf "v$1"
    "$TKDS" new "v$1" >/dev/null
    rm -r "v$1/product"
    mkdir -p "v$1/product"
    printf 'license\n' >"v$1/License.txt"
    sed -i 's|file=product/License.txt|file=License.txt|' "v$1/container.manifest"
    sed -i -e '/^\*,/d' -e 's/^regrecord=.*/regrecord=R/' "v$1/content/Data.idoc"
    printf '%s\n' "$2" >"v$1/product/a.txt"
    printf '%s\n' "$2" >"v$1/product/b.txt"
    "$TKDS" make "v$1/container.manifest" -o "v$1.exe" --arch "$KIT_ARCH" --stubs "$STUBS" --product-version "$1" >/dev/null
  )
}
up_setup() { echo "\"Z:${E2E_WORK//\//\\}\\v$1.exe\" /S /LOG=C:\\v$1.log /D=C:\\Up"; }
check "tkds make makes 1.0 and 2.0" make_version 1.0.0.0 one
make_version 2.0.0.0 two
check "1.0 installs" equal "$(run_code "$(up_setup 1.0.0.0)")" 0
hold 'C:\Up\a.txt'
check "2.0 over 1.0 with a.txt held ends with 3010" equal "$(run_code "$(up_setup 2.0.0.0)")" 3010
check "... b.txt is 2.0's now" equal "$(cat "$(c 'C:\Up\b.txt')")" two
check "... a.txt is still 1.0's, 2.0's waits beside it" \
  equal "$(cat "$(c 'C:\Up\a.txt')") $(cat "$(c 'C:\Up\a.txt.tknew')")" "one two"
check "... the log says so" log_says 'replaced at restart: C:\Up\a.txt' "$(c 'C:\v2.0.0.0.log')"
kill "$holder" 2>/dev/null || true
wait "$holder" 2>/dev/null || true
"${WINE64%/*}/wineserver" -w
"$WINE64" wineboot -r >/dev/null 2>&1
"${WINE64%/*}/wineserver" -w
check "after the restart the product is 2.0 throughout" \
  equal "$(cd "$(c 'C:\Up')" && find . -type f -printf '%P ' -exec cat {} \; | LC_ALL=C sort)" "$(printf 'a.txt two\nb.txt two')"
r_entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\R'
check "... and its quiet uninstall ends with 0" equal "$(run_code "$(reg_value "$r_entry" QuietUninstallString)")" 0
check "... leaving nothing" test ! -e "$(c 'C:\Up')"
