#!/usr/bin/env bash
# What a user without administrator rights can plant before the elevated setup
# runs, each refused or left alone, and the other place each points at unchanged:
# a program group that is a link to another folder, a desktop shortcut that is a
# link to another file, a destination that is a link, a folder at the drive's root
# (which any user may make) that is a link, another program's file in the
# destination. Then a product whose files lie in subfolders: a foreign file is
# refused before the subfolders stay behind; installed, its subfolders are logged
# and the uninstaller removes them.
#
# Arguments: the e2e scripts' four, then the stub folder (with x86/ and x64/).
# Links are Unix symlinks made inside the prefix, which Wine shows as reparse points.
source "$(dirname "$0")/e2e-lib.sh"
STUBS=$5
e2e_start

# A listing with every file's checksum, to tell that a folder is unchanged.
fingerprint() { (cd "$1" && find . -printf '%y %p\n' | sort && find . -type f -exec md5sum {} + | sort); }
link_message() { echo "File could not be opened..."$'\n'"$1 is a link to another place (a reparse point); setup does not write through it."; }
foreign_message() {
  echo "File could not be opened..."$'\n'"$1 belongs to another program (this product did not install it); setup does not replace it. Choose another folder."
}
log='HKCU\Software\Tolvik\Pellumar\Uninstall'

# setup.exe asks to run as administrator, so its shortcuts go to the all-users folders.
programs=$("$WINE64" cmd /c 'echo %ProgramData%\Microsoft\Windows\Start Menu\Programs' | tr -d '\r')
desktop=$("$WINE64" cmd /c 'echo %PUBLIC%\Desktop' | tr -d '\r')
mkdir -p "$(unix_path "$programs")" "$(unix_path "$desktop")"

# The group is a link to a folder holding a file of a shortcut's name; the
# desktop shortcut is a link to another file.
victim=$(unix_path 'C:\victim')
mkdir -p "$victim"
printf 'victim bytes' >"$victim/Tolvik Pellumar 1.0.lnk"
ln -s "$victim" "$(unix_path "$programs")/Tolvik Pellumar 1.0"
precious=$(unix_path 'C:\precious.txt')
printf 'precious bytes' >"$precious"
ln -s "$precious" "$(unix_path "$desktop")/Tolvik Pellumar 1.0.lnk"
fingerprint "$victim" >"$E2E_WORK/victim.before"

# A destination that is a link to another vendor's folder.
other=$(unix_path 'C:\Other\Pellumar')
mkdir -p "$other" "$(unix_path 'C:\Tools')"
printf 'the other vendor' >"$other/Pellumar.exe"
ln -s "$other" "$(unix_path 'C:\Tools\Pellumar')"
# A folder at the drive's root that is a link, below which setup would create the destination.
elsewhere=$(unix_path 'C:\Elsewhere')
mkdir -p "$elsewhere"
ln -s "$elsewhere" "$(unix_path 'C:\Tolvik2')"
# Another program's file in an existing destination.
shared=$(unix_path 'C:\Shared\Pellumar')
mkdir -p "$shared"
printf 'another product' >"$shared/License.txt"
fingerprint "$(unix_path 'C:\Other')" >"$E2E_WORK/other.before"
fingerprint "$shared" >"$E2E_WORK/shared.before"

start_setup
set_path 'C:\Tools\Pellumar'
click_button $SETUP_BUTTON
check "a destination that is a link is refused" equal "$(run_box_text)" "$(link_message 'C:\Tools\Pellumar')"
close_run_box
check "the linked folder is unchanged" equal "$(fingerprint "$(unix_path 'C:\Other')")" "$(cat "$E2E_WORK/other.before")"

set_path 'C:\Tolvik2\Pellumar'
click_button $SETUP_BUTTON
check "a link at the drive's root is refused" equal "$(run_box_text)" "$(link_message 'C:\Tolvik2')"
close_run_box
check "nothing was made in the folder it links to" test -z "$(ls -A "$elsewhere")"

set_path 'C:\Shared\Pellumar'
click_button $SETUP_BUTTON
check "another program's file is refused" equal "$(run_box_text)" "$(foreign_message 'C:\Shared\Pellumar\License.txt')"
close_run_box
check "the other program's file is unchanged" equal "$(fingerprint "$shared")" "$(cat "$E2E_WORK/shared.before")"
check "no log was started" test -z "$(reg_value "$log" up || true)"

# The default destination installs; the planted shortcut links are left alone.
dest="$PROGRAM_FILES\\Tolvik\\Pellumar"
set_path "$dest"
click_button $SETUP_BUTTON
check "the end of the run names the shortcuts that could not be made" equal "$(run_box_text 60)" \
  "$(printf '%s\n' 'The product was installed, but these shortcuts could not be created:' \
    'Desktop\Tolvik Pellumar 1.0' 'Start menu\Tolvik Pellumar 1.0\Tolvik Pellumar 1.0' \
    'Start menu\Tolvik Pellumar 1.0\License & Reg.Information' 'Start menu\Tolvik Pellumar 1.0\Uninstall Pellumar')"
close_run_box
check "setup ends after installing" setup_ended 60
check "the product was installed" test -s "$(unix_path "$dest\\Pellumar.exe")"
check "nothing was written into the linked group's folder" equal "$(fingerprint "$victim")" "$(cat "$E2E_WORK/victim.before")"
check "the file the desktop link names is unchanged" equal "$(cat "$precious")" "precious bytes"
check "the desktop link is still a link" test -L "$(unix_path "$desktop")/Tolvik Pellumar 1.0.lnk"
check "no desktop shortcut is logged" equal "$(reg_value "$log" TotalDF)" "0"

# ---------------------------------------------------------------------------
# A product whose files lie in subfolders, made with the kit.
cd "$E2E_WORK"
"$TKDS" new sub >/dev/null
printf 'print("module")\n' >sub/mod.py
printf '# package\n' >sub/init.py
cat >>sub/container.manifest <<'MANIFEST'
Data.mod                                      Binary  id=140 compress=yes file=mod.py
Data.ini                                      Binary  id=141 compress=yes file=init.py
MANIFEST
cat >sub/content/Data.idoc <<'IDOC'
pit=pf
name=Tolvik Sub 1.0 Setup
regrecord=TolvikSub
deffolder=Tolvik\Sub
groupname=Tolvik Sub 1.0
*,Pellumar.exe,pit,t,f,Tolvik Sub 1.0
mod,lib\pkg\mod.py,pit,f,f,Module
ini,lib/__init__.py,pit,f,f,Init
IDOC
check "tkds make makes the product with subfolders" \
  "$TKDS" make sub/container.manifest -o sub-setup.exe --arch "$KIT_ARCH" --stubs "$STUBS"
SETUP_EXE="$E2E_WORK/sub-setup.exe"
sublog='HKCU\Software\Tolvik\TolvikSub\Uninstall'
subdest='C:\Shared\Pellumar'

start_setup
set_path "$subdest"
click_button $SETUP_BUTTON
check "subfolders: another program's file is refused" equal "$(run_box_text)" \
  "$(foreign_message "$subdest\\License.txt")"
close_run_box
check "subfolders: the folders made for the check are removed again" test ! -e "$shared/lib"
check "subfolders: the other program's file is unchanged" equal "$(fingerprint "$shared")" "$(cat "$E2E_WORK/shared.before")"

rm "$shared/License.txt"
click_button $SETUP_BUTTON
check "subfolders: setup ends after installing" setup_ended 60
check "subfolders: lib\\pkg\\mod.py holds its bytes" cmp -s sub/mod.py "$shared/lib/pkg/mod.py"
check "subfolders: lib\\__init__.py holds its bytes" cmp -s sub/init.py "$shared/lib/__init__.py"
for key in "$sublog" 'HKLM\SOFTWARE\Tolvik\TolvikSub\Uninstall'; do
  check "subfolders: $key lists the made folders, deepest first" equal \
    "$(reg_value "$key" TotalFolders) $(reg_value "$key" Folder0) $(reg_value "$key" Folder1)" \
    "2 $subdest\\lib\\pkg\\ $subdest\\lib\\"
  check "subfolders: $key lists the files" equal \
    "$(reg_value "$key" TotalFiles) $(reg_value "$key" File1) $(reg_value "$key" File2)" \
    "4 $subdest\\lib\\pkg\\mod.py $subdest\\lib\\__init__.py"
done

# The registered uninstall command removes the files and the subfolders, and keeps
# the destination, which setup did not make.
uninstall_record TolvikSub >/dev/null
check "subfolders: the uninstaller removed them" test ! -e "$shared/lib"
check "subfolders: the destination setup did not make stays" test -d "$shared"
