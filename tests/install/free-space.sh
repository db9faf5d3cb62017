#!/usr/bin/env bash
# Free space and folder creation on a small tmpfs mapped as drive Q:, checked
# against statfs from the Linux side. Needs root for the mount; exits 77 (skipped)
# when mounting is not allowed.
# Usage: free-space.sh WIN64_BUILD_DIR
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../wine/wine-env.sh"

mnt=$(mktemp -d /tmp/tolvik-tmpfs.XXXXXX)
if ! mount -t tmpfs -o size=2m tmpfs "$mnt" 2>/dev/null; then
  rmdir "$mnt"
  echo "cannot mount a tmpfs here: skipped"
  exit 77
fi
cleanup() {
  wine_env_stop
  umount "$mnt" 2>/dev/null || true
  rmdir "$mnt" 2>/dev/null || true
}
trap cleanup EXIT
wine_env_start
ln -s "$mnt" "$WINEPREFIX/dosdevices/q:"

probe="$build/tests/install/install_probe.exe"
status=0
fail() { echo "FAIL: $*"; status=1; }
value() { echo "$1" | tr -d '\r' | sed -n "s/^$2 //p"; }
linux_free() { echo $(( $(stat -f -c '%a' "$mnt") * $(stat -f -c '%S' "$mnt") )); }

check_free() {  # label
  local out expected kb
  expected=$(linux_free)
  out=$("$WINE64" "$probe" free 'Q:\' 0)
  [ "$(value "$out" free)" = "$expected" ] || fail "$1: free $(value "$out" free), statfs says $expected"
  [ "$(value "$out" clusters)" = "$expected" ] || fail "$1: clusters $(value "$out" clusters), statfs says $expected"
  # The room needed is (kilobytes + 32) x 1024: exactly the free space is enough,
  # one kilobyte more is not.
  if [ "$expected" -ge $((33 * 1024)) ]; then
    kb=$(( expected / 1024 - 32 ))
    [ "$(value "$("$WINE64" "$probe" free 'Q:\' $kb)" enough)" = 1 ] || fail "$1: $kb KB should fit"
    [ "$(value "$("$WINE64" "$probe" free 'Q:\' $((kb + 1)))" enough)" = 0 ] || fail "$1: $((kb + 1)) KB should not fit"
  fi
  echo "$1: $expected bytes free"
}

check_free "empty"
dd if=/dev/zero of="$mnt/filler" bs=1024 count=700 status=none
check_free "700 KB used"
dd if=/dev/zero of="$mnt/full" bs=4096 status=none 2>/dev/null || true  # until the disk is full
check_free "full"
[ "$(value "$("$WINE64" "$probe" free 'Q:\' 0)" enough)" = 0 ] || fail "a full disk has no room"
rm -f "$mnt/full" "$mnt/filler"

# Folders on the mapped drive, through a lower-case drive letter.
out=$("$WINE64" "$probe" folders 'q:\Tolvik\Pellumar' | tr -d '\r')
expected=$(printf 'accepted\ncreated Q:\\Tolvik\\\ncreated Q:\\Tolvik\\Pellumar\\')
[ "$out" = "$expected" ] || fail "folders on Q: gave: $out"
[ -d "$mnt/Tolvik/Pellumar" ] || fail "Q:\\Tolvik\\Pellumar was not made on the tmpfs"
out=$("$WINE64" "$probe" folders 'Q:\Tolvik\Pellumar' | tr -d '\r')
[ "$out" = "accepted" ] || fail "second run over existing folders gave: $out"
# A drive letter that is not mapped.
out=$("$WINE64" "$probe" folders 'P:\Tolvik' | tr -d '\r')
[ "$out" = "refused" ] || fail "unmapped drive P: gave: $out"

[ $status -eq 0 ] && echo "free space and folders as expected"
exit $status
