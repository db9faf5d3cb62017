#!/usr/bin/env bash
# An upgrade leaves nothing of the earlier version behind: 1.0 of a product
# (record R) installed with /S, then 2.0 over it, which drops two files (one in
# folders of its own) and adds one in new folders. The dropped files and the
# folders they leave empty go, the trusted record lists exactly 2.0's files, and
# the quiet uninstall removes everything. Then a downgrade over 2.0 whose dropped
# file has a second name elsewhere: that file stays, is still listed, and the log
# says why; the uninstall then leaves it too.
#
# Arguments: the e2e scripts' four, then the stub folder (with x86/ and x64/).
source "$(dirname "$0")/e2e-lib.sh"
STUBS=$5
e2e_start


# make_product NAME VERSION PATH=TEXT...: the kit's product of record R holding
# those files (below product/, so below the destination), and no shortcuts.
make_product() {
  local name=$1 version=$2 file
  shift 2
  (
    cd "$E2E_WORK"
    "$TKDS" new "$name" >/dev/null
    rm -r "$name/product"
    printf 'license\n' >"$name/License.txt"
    sed -i 's|file=product/License.txt|file=License.txt|' "$name/container.manifest"
    sed -i -e '/^\*,/d' -e 's/^regrecord=.*/regrecord=R/' -e 's/^groupname=.*/groupname=Tolvik Up/' \
      "$name/content/Data.idoc"
    for file in "$@"; do
      mkdir -p "$name/product/$(dirname "${file%%=*}")"
      printf '%s\n' "${file#*=}" >"$name/product/${file%%=*}"
    done
    "$TKDS" make "$name/container.manifest" -o "$name.exe" --arch "$KIT_ARCH" --stubs "$STUBS" \
      --product-version "$version" >/dev/null
  )
}
check "tkds make makes 1.0" make_product v1 1.0.0.0 a.txt=one old.txt=old lib/x/gone.txt=gone
check "tkds make makes 2.0" make_product v2 2.0.0.0 a.txt=two sub/deeper/new.txt=new
setup() { echo "\"Z:${E2E_WORK//\//\\}\\$1.exe\" /S /LOG=C:\\$1-$2.log /D=C:\\Up"; }

up=$(c 'C:\Up')
trusted='HKLM\SOFTWARE\Tolvik\R\Uninstall'
on_disk() { (cd "$up" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort); }
lines() { printf '%s\n' "$@" | LC_ALL=C sort; }
# The trusted record's File values up to TotalFiles, sorted; a value beyond it is named.
listed() {
  local total i
  total=$(reg_value "$trusted" TotalFiles || echo 0)
  for ((i = 0; i < total; i++)); do reg_value "$trusted" "File$i" || echo "File$i missing"; done | LC_ALL=C sort
  if reg_value "$trusted" "File$total" >/dev/null; then echo "File$total is left beyond TotalFiles"; fi
}
folders_listed() {
  local total i
  total=$(reg_value "$trusted" TotalFolders || echo 0)
  for ((i = 0; i < total; i++)); do reg_value "$trusted" "Folder$i" || true; done
}
entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\R'

check "1.0 installs" equal "$(run_code "$(setup v1 first)")" 0
check "... its files are there" equal "$(on_disk)" "$(lines a.txt lib lib/x lib/x/gone.txt old.txt)"
check "... a first install removes nothing" test -z "$(grep -a '^removed: ' "$(c 'C:\v1-first.log')" || true)"

check "2.0 installs over it" equal "$(run_code "$(setup v2 over)")" 0
check "... what 1.0 alone installed is gone, and its emptied folders" \
  equal "$(on_disk)" "$(lines a.txt sub sub/deeper sub/deeper/new.txt)"
check "... a.txt is 2.0's" equal "$(cat "$up/a.txt")" two
for removed in 'C:\Up\old.txt' 'C:\Up\lib\x\gone.txt' 'C:\Up\lib\x\' 'C:\Up\lib\'; do
  check "... the log names $removed as removed" log_says "removed: $removed" "$(c 'C:\v2-over.log')"
done
check "... the trusted record lists exactly 2.0's files" \
  equal "$(listed)" "$(lines 'C:\Up\a.txt' 'C:\Up\sub\deeper\new.txt')"
check "... and no folder that is gone" test -z "$(folders_listed | grep -i 'lib' || true)"
check "... but still the destination 1.0 made" grep -q -x -F 'C:\Up\' <(folders_listed)

quiet=$(reg_value "$entry" QuietUninstallString)
check "the quiet uninstall ends with 0" equal "$(run_code "$quiet")" 0
check "... and nothing of the product is left" test ! -e "$up"

# A downgrade: 1.0 over 2.0, whose new.txt has a second name elsewhere.
check "2.0 installs again" equal "$(run_code "$(setup v2 again)")" 0
mkdir -p "$(c 'C:\elsewhere')"
ln "$up/sub/deeper/new.txt" "$(c 'C:\elsewhere\new.txt')"
check "1.0 installs over 2.0" equal "$(run_code "$(setup v1 down)")" 0
check "... the file with a second name stays, and its folders" \
  equal "$(on_disk)" "$(lines a.txt lib lib/x lib/x/gone.txt old.txt sub sub/deeper sub/deeper/new.txt)"
check "... the log says it is a downgrade" log_says 'version: downgrade: 2.0.0.0 to 1.0.0.0' "$(c 'C:\v1-down.log')"
check "... the log says why" log_says \
  'kept: C:\Up\sub\deeper\new.txt was not removed: it has a second name elsewhere (a hard link)' \
  "$(c 'C:\v1-down.log')"
check "... it is still listed" equal "$(listed)" \
  "$(lines 'C:\Up\a.txt' 'C:\Up\old.txt' 'C:\Up\lib\x\gone.txt' 'C:\Up\sub\deeper\new.txt')"
check "the uninstall leaves it: 1603" equal "$(run_code "$(reg_value "$entry" QuietUninstallString)")" 1603
check "... and removes everything else" equal "$(on_disk)" "$(lines sub sub/deeper sub/deeper/new.txt)"
check "... both names still there" test -s "$up/sub/deeper/new.txt" -a -s "$(c 'C:\elsewhere\new.txt')"
