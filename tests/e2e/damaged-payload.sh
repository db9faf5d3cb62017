#!/usr/bin/env bash
# A setup whose middle payload is damaged: one byte inside that node's zlib stream
# changed in setup.exe itself, so its size still reads and the window shows as
# usual. SETUP finds it as that node is written, after the first payload file:
# it says the setup is damaged, naming the node's line, and removes what it
# wrote, leaving nothing behind: no folder, no file, no uninstall log, no
# uninstaller. The window is idle again afterwards.
# With /S the same ends with 1603, no box, and the reason in the /LOG= log.
#
# Arguments: the e2e scripts' four, then the stub folder (with x86/ and x64/).
source "$(dirname "$0")/e2e-lib.sh"
STUBS=$5
work=$(mktemp -d /tmp/damaged-payload.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

"$TKDS" new vendor >/dev/null
manifest=vendor/container.manifest
printf 'pit=pf\r\nname=Damaged Setup\r\nregrecord=DamagedPayload\r\ndeffolder=Tolvik\\Damaged\r\ngroupname=Damaged\r\nprg,Pellumar.exe,pit,t,t,Damaged\r\nmid,Middle.bin,pit,f,f,Middle\r\nlic,License.txt,pit,f,f,License\r\n' \
  >vendor/content/Data.idoc
# Random bytes stay in deflate's stored blocks: a changed byte there is found only
# by the stream's Adler-32, at its end.
head -c 400000 /dev/urandom >vendor/Middle.bin
# Each payload in a node of its own, zlib-compressed, in place of the sample's Tree line.
sed -i '/^Data\.\* *Tree /d' "$manifest"
printf '%s\n' "Data.prg Binary id=130 compress=yes file=product/Pellumar.exe" \
  "Data.mid Binary id=140 compress=yes file=Middle.bin" \
  "Data.lic Binary id=131 compress=yes file=product/License.txt" >>"$manifest"
check "tkds make makes the setup" "$TKDS" make "$manifest" -o setup.exe --arch $KIT_ARCH --stubs "$STUBS"
"$TKDS" build "$manifest" -o built.tkds -D UNINSTALL="$STUBS/$KIT_ARCH/TKUNTOOL.EXE"

# The container is STORAGE 129's bytes, stored as they are in the file.
patched=$(/usr/bin/python3 - setup.exe built.tkds <<'PY'
import struct, sys
exe = bytearray(open(sys.argv[1], "rb").read())
container = open(sys.argv[2], "rb").read()
base = exe.find(container)
assert base > 0 and exe.find(container, base + 1) < 0
at = 12
while at + 28 <= len(container):
    length, kind = struct.unpack_from("<HB", container, at)
    nxt, stored = struct.unpack_from("<II", container, at + 14)
    name = container[at + 26:at + length].split(b"\0")[0]
    if name == b"mid":
        where = base + at + length + stored // 2
        exe[where] ^= 0x10
        open(sys.argv[1], "wb").write(exe)
        print(where)
        break
    at = nxt
PY
)
check "a byte of the middle payload's stream was changed (file offset $patched)" test -n "$patched"

e2e_start
SETUP_EXE="$work/setup.exe"
start_setup
destination="$PROGRAM_FILES\\Tolvik\\Damaged"
check "the default destination is shown" equal "$(get_path)" "$destination"
click_button $SETUP_BUTTON
check "SETUP says the setup is damaged and names the node" equal "$(run_box_text 120)" \
  "This setup is damaged and cannot install."$'\n'"Install document, line 7: the data \"Data.mid\" could not be read."
close_run_box
check "no folder was left" test ! -e "$(unix_path "$PROGRAM_FILES\\Tolvik")"
check "no uninstall log was started" test -z "$(reg_value 'HKCU\Software\Tolvik\DamagedPayload\Uninstall' up || true)"
check "no uninstaller was written" test ! -e "$(unix_path 'C:\windows\TKUNTOOL.EXE')"
check "the window is still there" probe wait "$WINDOW" 10
click_button 294 146  # Cancel
check "Cancel ends the setup" setup_ended 30

# The same setup with /S shows no box (a box would keep it from ending): it ends
# with 1603, its log says why, and nothing is left.
silent_code() {
  timeout "$(wine_polls 120)" "$WINE64" "$PROBE_EXE" run "\"Z:${SETUP_EXE//\//\\}\" /S /LOG=C:\\damaged.log" | tr -d '\r\n'
}
check "/S ends by itself with 1603" equal "$(silent_code)" 1603
check "... its log says why" grep -q -F \
  'outcome: failed (exit code 1603): This setup is damaged and cannot install.' "$(unix_path 'C:\damaged.log')"
check "... and nothing was left" test ! -e "$(unix_path "$PROGRAM_FILES\\Tolvik")"
