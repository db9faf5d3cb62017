#!/usr/bin/env bash
# A real application's folder tree as a vendor ships it: this machine's Python
# standard library (about 1,400 files in about 100 folders) made with the kit's
# own Tree line (tkds new, the tree in product/, tkds make), installed under Wine
# and compared file for file and byte for byte, the shortcuts of a "*" line
# pointing at a file deep in the tree, then removed with the entry's quiet
# uninstall command until nothing of the product is left.
#
# Arguments: the e2e scripts' four, then the stub folder (with x86/ and x64/).
source "$(dirname "$0")/e2e-lib.sh"
STUBS=$5
PYTHON_TREE=/usr/lib/python3.11
work=$(mktemp -d /tmp/python-tree.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

"$TKDS" new vendor >/dev/null
rm vendor/product/Pellumar.exe
# A tree refuses links: the few of the library are copied as the files they name.
cp -rL "$PYTHON_TREE" vendor/product/python
sed -i 's/^\*,Pellumar\.exe,/*,python\\json\\tool.py,/' vendor/content/Data.idoc
check "tkds make makes the tree's setup" \
  "$TKDS" make vendor/container.manifest -o tree-setup.exe --arch "$KIT_ARCH" --stubs "$STUBS"
files=$(find vendor/product -type f | wc -l)
folders=$(find vendor/product -mindepth 1 -type d | wc -l)
echo "the product: $files files in $folders folders, $(du -sm vendor/product | cut -f1) MB"

e2e_start
SETUP_EXE="$work/tree-setup.exe"
start_setup
click_button $SETUP_BUTTON
check "setup ends after installing" setup_ended 600
dest="$PROGRAM_FILES\\Tolvik\\Pellumar"
installed=$(unix_path "$dest")
check "every file and folder is installed byte for byte" diff -r vendor/product "$installed"

shortcut=$(find "$WINEPREFIX/drive_c" -name 'Tolvik Pellumar 1.0.lnk' -path '*Start Menu*' | head -n 1)
check "the Start menu shortcut of the * line exists" test -n "$shortcut"
check "... and names the file in the tree" \
  equal "$(lnk_field "$shortcut" 'Local path')" "$dest\\python\\json\\tool.py"
check "the desktop shortcut of the * line exists" \
  test -n "$(find "$WINEPREFIX/drive_c" -name 'Tolvik Pellumar 1.0.lnk' -path '*Desktop*')"

entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pellumar'
quiet=$(reg_value "$entry" QuietUninstallString)
check "the quiet uninstall ends with 0" "$WINE64" cmd /c "$quiet"
check "no file or folder of the product is left" test ! -e "$(unix_path "$PROGRAM_FILES\\Tolvik")"
check "no shortcut of the product is left" \
  test -z "$(find "$WINEPREFIX/drive_c" -iname '*Pellumar*.lnk')"
check "the uninstall entry is gone" test -z "$(reg_value "$entry" DisplayName || true)"
