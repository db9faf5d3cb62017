#!/usr/bin/env bash
# A vendor's installer, made with the kit as the vendor guide says: tkds new, then
# another product, document, icon and version texts, then tkds make. Checked with
# tools nobody here wrote (pefile, wrestool, icotool), then installed for real under
# Wine: the files, and the uninstall entry with its DisplayVersion and Publisher.
# Before that, tkds make's refusals: one line, a non-zero exit, no output file.
# Also the stub started as it is: the message of a setup without its container.
#
# Arguments: the e2e scripts' four, then the stub folder (with x86/ and x64/).
source "$(dirname "$0")/e2e-lib.sh"
STUBS=$5
# The vendor setup is made for the architecture under test (KIT_ARCH), so that
# its registry view is the one the checks read.
work=$(mktemp -d /tmp/vendor-make.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

# refused DESCRIPTION OUTPUT TKDS-ARGS...: tkds make fails with one line and leaves no OUTPUT.
refused() {
  local what=$1 output=$2
  shift 2
  local rc=0
  "$TKDS" make "$@" -o "$output" >out.txt 2>err.txt || rc=$?
  check "$what: refused" test "$rc" -ne 0
  check "$what: one line ($(head -c 200 err.txt))" test "$(wc -l <err.txt)" -eq 1
  check "$what: no output" test ! -f "$output"
  check "$what: no temporary file" test -z "$(find "$(dirname "$output")" -maxdepth 1 -name ".$(basename "$output").*" 2>/dev/null)"
}

check "tkds new makes the vendor folder" "$TKDS" new vendor >/dev/null
check "tkds new prints the next command" grep -q "tkds make fresh/container.manifest" <("$TKDS" new fresh)
check "tkds new refuses a folder that is not empty" test "$("$TKDS" new vendor 2>&1 >/dev/null | wc -l)" -eq 1
manifest=vendor/container.manifest

mkdir -p fake/$KIT_ARCH
echo "not a program" >fake/$KIT_ARCH/setup-stub.exe
cp "$STUBS/$KIT_ARCH/TKUNTOOL.EXE" fake/$KIT_ARCH/
convert -size 16x16 xc:red bad.png && mv bad.png bad.ico
mkdir folder-named-like-the-output.exe
cp "$STUBS/$KIT_ARCH/setup-stub.exe" stub-before.exe
refused "missing stub folder" out.exe "$manifest" --arch $KIT_ARCH --stubs "$work/nowhere"
refused "stub not a PE file" out.exe "$manifest" --arch $KIT_ARCH --stubs "$work/fake"
refused "bad icon file" out.exe "$manifest" --arch $KIT_ARCH --stubs "$STUBS" --icon bad.ico
refused "output folder missing" missing/out.exe "$manifest" --arch $KIT_ARCH --stubs "$STUBS"
refused "output is a folder" folder-named-like-the-output.exe "$manifest" --arch $KIT_ARCH --stubs "$STUBS"
rc=0
"$TKDS" make "$manifest" --arch $KIT_ARCH --stubs "$STUBS" -o "$STUBS/$KIT_ARCH/setup-stub.exe" 2>err.txt || rc=$?
check "the stub itself as output: refused" test "$rc" -ne 0
check "the stub is untouched" cmp -s stub-before.exe "$STUBS/$KIT_ARCH/setup-stub.exe"

# Another product: its own document, program, icon and version texts.
cat >vendor/content/Data.idoc <<'IDOC'
pit=pf
name=Quill 2.5 Setup
regrecord=OrrinQuill
deffolder=Orrin Vale\Quill
groupname=Quill 2.5
*,Quill.exe,pit,t,f,Quill 2.5
IDOC
rm vendor/product/Pellumar.exe
head -c 200000 /dev/urandom >vendor/product/Quill.exe
# zlib for the product, so that STORAGE 129 holds all of it and equals tkds build's container.
sed -i 's/^\(Data\.\* *Tree .*\)$/\1 compress=yes/' "$manifest"
convert -size 48x48 xc:'#2050a0' -define icon:auto-resize=48,32,16 vendor/quill.ico
make_quill() {
  "$TKDS" make "$manifest" -o "$1" --arch $KIT_ARCH --stubs "$STUBS" --icon vendor/quill.ico \
    --product-version 2.5.0.17 --company "Orrin Vale GmbH" --copyright "(C) 2026 Orrin Vale"
}
check "tkds make makes the vendor's setup" make_quill quill-setup.exe
mkdir again
make_quill again/quill-setup.exe
check "the same inputs give the same bytes" cmp -s quill-setup.exe again/quill-setup.exe

versions=$(/usr/bin/python3 - quill-setup.exe <<'PY'
import sys, pefile
pe = pefile.PE(sys.argv[1])
for info in pe.FileInfo[0]:
    for table in getattr(info, "StringTable", []):
        for key, value in sorted(table.entries.items()):
            print(f"{key.decode()}={value.decode()}")
fixed = pe.VS_FIXEDFILEINFO[0]
print("checksum", "right" if pe.OPTIONAL_HEADER.CheckSum == pe.generate_checksum() else "wrong")
print(f"fixed={fixed.FileVersionMS >> 16}.{fixed.FileVersionMS & 0xFFFF}.{fixed.FileVersionLS >> 16}.{fixed.FileVersionLS & 0xFFFF}"
      f" product={fixed.ProductVersionMS >> 16}.{fixed.ProductVersionMS & 0xFFFF}.{fixed.ProductVersionLS >> 16}.{fixed.ProductVersionLS & 0xFFFF}")
PY
)
check "pefile: the version resource" equal "$versions" "CompanyName=Orrin Vale GmbH
FileDescription=Quill 2.5 Setup
FileVersion=2.5.0.17
InternalName=quill-setup
LegalCopyright=(C) 2026 Orrin Vale
OriginalFilename=quill-setup.exe
ProductName=Quill 2.5
ProductVersion=2.5.0.17
checksum right
fixed=2.5.0.17 product=2.5.0.17"
check "wrestool: STORAGE 129 in US English" grep -q -- "--type='STORAGE' --name=129 --language=1033" <(wrestool -l quill-setup.exe)
check "wrestool: no other container" test "$(wrestool -l quill-setup.exe | grep -c STORAGE)" -eq 1
wrestool -x --type=14 --name=128 -o quill-group.ico quill-setup.exe
check "wrestool/icotool: icon group 128 holds the vendor's images" equal \
  "$(icotool -l quill-group.ico | sed 's/^--icon //; s/ --\(palette-size\|bit-depth\)=/ /g')" \
  "$(icotool -l vendor/quill.ico | sed 's/^--icon //; s/ --\(palette-size\|bit-depth\)=/ /g')"
wrestool -x --raw --type=STORAGE --name=129 -o storage.tkds quill-setup.exe
"$TKDS" build "$manifest" -o built.tkds -D UNINSTALL="$STUBS/$KIT_ARCH/TKUNTOOL.EXE"
check "STORAGE 129 is the container tkds build makes" cmp -s storage.tkds built.tkds

e2e_start
# The stub as it is: what a setup whose container cannot be opened shows, the
# framework's box (titled after the program) and then the fatal exit's.
"$WINE64" "$STUBS/$KIT_ARCH/setup-stub.exe" &
SETUP_PID=$!
box_text() { probe wait "$1" 30 >/dev/null && probe texts "$1" | tr -d '\r' | sed '1d' | grep -v -x -e OK -e ''; }
check "the stub: the container is missing" equal "$(box_text setup-stub)" "Illegal file format."
probe press setup-stub 1 >/dev/null || probe press setup-stub 2 >/dev/null
check "the stub: Error opening Main Storage...Aborting..." equal "$(box_text Error)" "Error opening Main Storage...Aborting..."
probe press Error 1 >/dev/null || probe press Error 2 >/dev/null
check "the stub ends" setup_ended 30

SETUP_EXE="$work/quill-setup.exe"
start_setup
dest="$PROGRAM_FILES\\Orrin Vale\\Quill"
check "the path field shows the vendor's destination" equal "$(get_path)" "$dest"
click_button $SETUP_BUTTON
check "setup ends after installing" setup_ended 60
check "Quill.exe is installed" cmp -s vendor/product/Quill.exe "$(unix_path "$dest\\Quill.exe")"
entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\OrrinQuill'
check "entry: DisplayName" equal "$(reg_value "$entry" DisplayName)" "Quill 2.5 (Remove Only)"
check "entry: DisplayVersion" equal "$(reg_value "$entry" DisplayVersion)" "2.5.0.17"
check "entry: Publisher" equal "$(reg_value "$entry" Publisher)" "Orrin Vale GmbH"
