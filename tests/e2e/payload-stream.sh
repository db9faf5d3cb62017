#!/usr/bin/env bash
# A product whose files are in the payload stream (compress=lzma: one solid LZMA
# stream after the program's image) beside per-node zlib files, one of 3 MB that
# two payload lines install under two names: setup lets go of a node's pages as
# it reads them, and the second copy reads them again. Three setups
# whose stream is damaged come first: the file cut short inside the stream, one
# byte late in the stream changed (found by the stream's SHA-256 before any file
# is written), the CRC-32 the stream's record holds changed (found only at the
# stream's end, after the first file is complete). Each says the setup is
# damaged and leaves nothing behind: no folder, no file, no uninstall log, no
# uninstaller. Then the sound setup installs every file byte for byte.
#
# Arguments: the e2e scripts' four, then the stub folder (with x86/ and x64/).
source "$(dirname "$0")/e2e-lib.sh"
STUBS=$5
e2e_start
cd "$E2E_WORK"

"$TKDS" new vendor >/dev/null
manifest=vendor/container.manifest
printf 'pit=pf\r\nname=Streamed Setup\r\nregrecord=StreamedPayload\r\ndeffolder=Tolvik\\Streamed\r\ngroupname=Streamed\r\nprg,Pellumar.exe,pit,t,t,Streamed\r\nmix,Mixed.bin,pit,f,f,Mixed\r\nnul,Empty.txt,pit,f,f,Empty\r\nlic,License.txt,pit,f,f,License\r\nbig,Big.bin,pit,f,f,Big\r\nbig,Big again.bin,pit,f,f,Big again\r\n' \
  >vendor/content/Data.idoc
# Random bytes, then text: the stream's last part decodes to many bytes per byte read.
{ head -c 300000 /dev/urandom; for i in $(seq 1 40000); do echo "line $i of the mixed file"; done; } >vendor/Mixed.bin
: >vendor/Empty.txt
head -c 3000000 /dev/urandom >vendor/Big.bin
# Each file named by a node of its own, in place of the sample's Tree line.
mv vendor/product/Pellumar.exe vendor/product/License.txt vendor/
sed -i '/^Data\.\* *Tree /d; s|file=product/License.txt|file=License.txt|' "$manifest"
printf '%s\n' "Data.prg Binary id=130 compress=lzma file=Pellumar.exe" \
  "Data.mix Binary id=140 compress=lzma file=Mixed.bin" "Data.nul Binary id=141 compress=lzma file=Empty.txt" \
  "Data.lic Binary id=131 compress=yes file=License.txt" "Data.big Binary id=142 compress=yes file=Big.bin" >>"$manifest"
check "tkds make makes the streamed setup" "$TKDS" make "$manifest" -o setup.exe --arch $KIT_ARCH --stubs "$STUBS"
check "tkds verify reads it" "$TKDS" verify setup.exe
check "tkds extract reads a streamed file from it, to a file and to standard output" eval \
  '"$TKDS" extract setup.exe Data.mix -o mix.out && cmp mix.out vendor/Mixed.bin &&
   "$TKDS" extract setup.exe Data.mix | cmp - vendor/Mixed.bin'
check "its PE checksum is the whole file's, the stream after the image included" /usr/bin/python3 -c '
import pefile, sys
pe = pefile.PE(sys.argv[1], fast_load=True)
sys.exit(pe.OPTIONAL_HEADER.CheckSum != pe.generate_checksum())' setup.exe

# damage KIND: a copy of setup.exe damaged as KIND says; the stream's place is
# read from its record ("PayloadStream": file offset, stored length, size, CRC-32, SHA-256).
damage() {
  /usr/bin/python3 - "$1" setup.exe "damaged-$1.exe" <<'PY'
import struct, sys
kind, source, target = sys.argv[1:]
exe = bytearray(open(source, "rb").read())
name = exe.find(b"PayloadStream\0")
assert name > 0 and exe.find(b"PayloadStream\0", name + 1) < 0
record = name - 26
data = record + struct.unpack_from("<H", exe, record)[0]
offset, stored = struct.unpack_from("<QQ", exe, data)
assert offset + stored == len(exe)
if kind == "cut":
    del exe[offset + stored * 3 // 4:]
elif kind == "byte":
    exe[offset + stored * 9 // 10] ^= 0x10
elif kind == "crc":
    exe[data + 24] ^= 0x01
open(target, "wb").write(exe)
PY
}

destination="$PROGRAM_FILES\\Tolvik\\Streamed"
refused() {  # refused KIND REASON-PATTERN
  check "the $1 setup was made" damage "$1"
  SETUP_EXE="$E2E_WORK/damaged-$1.exe"
  start_setup
  check "the $1 setup shows the default destination" equal "$(get_path)" "$destination"
  click_button $SETUP_BUTTON
  local text
  text=$(run_box_text 120)
  check "the $1 setup says it is damaged" equal "$(head -n 1 <<<"$text")" "This setup is damaged and cannot install."
  check "... and why ($(tail -n 1 <<<"$text"))" grep -q -E "$2" <<<"$(tail -n 1 <<<"$text")"
  close_run_box
  check "the $1 setup left no folder" test ! -e "$(unix_path "$PROGRAM_FILES\\Tolvik")"
  check "the $1 setup began no uninstall log" test -z "$(reg_value 'HKCU\Software\Tolvik\StreamedPayload\Uninstall' up || true)"
  check "the $1 setup wrote no uninstaller" test ! -e "$(unix_path 'C:\windows\TKUNTOOL.EXE')"
  click_button 294 146  # Cancel
  check "the $1 setup ends on Cancel" setup_ended 30
}
refused cut "^The payload stream cannot be read"
refused byte "^The payload stream's SHA-256 does not match\.$"
refused crc "^The payload stream's CRC-32 does not match\.$"
check "tkds extract of the crc setup fails at the stream's end and leaves no file" eval \
  '! "$TKDS" extract damaged-crc.exe Data.mix -o crc.out 2>/dev/null && [ ! -e crc.out ]'

SETUP_EXE="$E2E_WORK/setup.exe"
start_setup
click_button $SETUP_BUTTON
check "the streamed setup installs and ends" setup_ended 120
installed=$(unix_path "$destination")
for file in Pellumar.exe Mixed.bin Empty.txt; do
  check "$file is installed byte for byte" cmp "$installed/$file" "vendor/$file"
done
check "License.txt (per-node zlib) is installed byte for byte" cmp "$installed/License.txt" vendor/License.txt
for file in Big.bin "Big again.bin"; do
  check "$file (one 3 MB zlib node, read twice) is installed byte for byte" cmp "$installed/$file" vendor/Big.bin
done
check "the uninstall log lists the six files" equal "$(reg_value 'HKCU\Software\Tolvik\StreamedPayload\Uninstall' TotalFiles)" 6
