#!/usr/bin/env bash
# The 32-bit test environment. This kernel runs no 32-bit x86 code, so the 32-bit
# programs run as they do on 64-bit Windows: under Debian 12's Wine with its
# 32-bit half (wine32:i386, classic WoW64), whose i386 parts run under qemu-i386
# from Debian 13 (Debian 12's is too slow for Wine). Wine32 lives in a root of its
# own, so that the host's Wine, and with it every 64-bit test, stays as it is.
#
# Usage (as root):
#   scripts/win32-env.sh prepare          makes what is missing: the qemu-i386
#                                         program and the root, cached in $TOLVIK_WIN32_CACHE
#   scripts/win32-env.sh status           "ready", or why not (exit 1)
#   scripts/win32-env.sh run DIRS CMD...  runs CMD with TOLVIK_WINE64 set to the root's
#                                         Wine; DIRS (a:b:..., what the programs read) are visible inside;
#                                         exits 77 with "SKIP: why" if the root is not usable
#   scripts/win32-env.sh remove           deletes the cache and the binfmt entry
#
# "run" makes its mounts in a private mount namespace, so they end with CMD and
# never show on the host; only the binfmt_misc entry for i386 programs is global.
# It stays registered after a run (others may be running): it sends i386 programs,
# which this kernel cannot run at all, to qemu-i386. "remove" takes it away.
set -euo pipefail

CACHE=${TOLVIK_WIN32_CACHE:-/var/cache/tolvik-win32}
ROOT=$CACHE/root
QEMU=$CACHE/qemu-i386
FAILED=$CACHE/prepare-failed  # the last "prepare" error, for the reason tests give when they skip
# What the root holds; a root made from another list is made again.
ROOT_PACKAGES=(wine wine64 wine32:i386 libxrender1 libxrender1:i386)
ROOT_STAMP="bookworm ${ROOT_PACKAGES[*]}"
BINFMT_DIR=/proc/sys/fs/binfmt_misc
BINFMT_NAME=tolvik-i386
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

say() { echo "win32-env: $*" >&2; }

# The Debian mirror the host already uses.
mirror() {
  local uri
  uri=$(sed -n 's/^URIs:[[:space:]]*//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
  [ -n "$uri" ] || uri=$(awk '$1 == "deb" && $2 !~ /^\[/ { print $2; exit }' /etc/apt/sources.list 2>/dev/null)
  echo "${uri:-http://deb.debian.org/debian}"
}

qemu_ok() { [ -x "$QEMU" ] && "$QEMU" --version 2>/dev/null | grep -q 'version 10\.'; }
root_ok() {
  [ "$(cat "$ROOT/.tolvik-win32" 2>/dev/null)" == "$ROOT_STAMP" ] &&
    [ -x "$ROOT/usr/lib/wine/wine64" ] && [ -x "$ROOT/usr/lib/wine/wine" ]
}

# Deletes a folder that may have had proc, sys or dev mounted in it: unmount
# first, and never cross into another file system (rm -rf would empty /dev).
remove_tree() {
  local dir=$1 target
  [ -e "$dir" ] || return 0
  findmnt -rn -o TARGET | awk -v d="$dir" 'index($0, d "/") == 1 || $0 == d' | sort -r |
    while read -r target; do umount -R "$target" 2>/dev/null || umount -l "$target" || true; done
  rm -rf --one-file-system "$dir"
}

# qemu-i386 10 from Debian 13's qemu-user, through a private apt configuration so
# that the host's own apt state stays as it was.
fetch_qemu() {
  local work
  work=$(mktemp -d "$CACHE/qemu.XXXXXX")
  mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/parts"
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $(mirror) trixie main" >"$work/sources.list"
  local apt=(apt-get -q -o "Dir::Etc::SourceList=$work/sources.list" -o "Dir::Etc::SourceParts=$work/parts"
    -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache")
  if ! "${apt[@]}" update >"$work/log" 2>&1 || ! (cd "$work" && "${apt[@]}" download qemu-user >>"$work/log" 2>&1); then
    tail -n 3 "$work/log" >&2
    rm -rf "$work"
    return 1
  fi
  dpkg-deb --fsys-tarfile "$work"/qemu-user_*.deb | tar -x -C "$work" ./usr/bin/qemu-i386
  mv "$work/usr/bin/qemu-i386" "$QEMU"
  rm -rf "$work"
  qemu_ok
}

# Registers qemu-i386 for i386 ELF programs. F: the kernel opens the interpreter
# now, so it is found from inside the root too; P: argv[0] stays as given.
register_binfmt() {
  [ -e "$BINFMT_DIR/register" ] || mount -t binfmt_misc binfmt_misc "$BINFMT_DIR" 2>/dev/null ||
    { echo "binfmt_misc cannot be mounted"; return 1; }
  [ -e "$BINFMT_DIR/$BINFMT_NAME" ] && return 0
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":$BINFMT_NAME:M::$magic:$mask:$QEMU:FP" >"$BINFMT_DIR/register" 2>/dev/null ||
    [ -e "$BINFMT_DIR/$BINFMT_NAME" ] ||  # another run registered it at the same moment
    { echo "the binfmt_misc entry for i386 programs cannot be registered"; return 1; }
}

# In the current (private) mount namespace: makes DIR usable as a root.
mount_root() {  # mount_root DIR
  local dir=$1
  mount -t proc proc "$dir/proc" &&
    mount --rbind /sys "$dir/sys" &&
    mount --rbind /dev "$dir/dev" &&
    # The same /tmp on both sides: prefixes, X sockets and Wine's server folder
    # are found under the same paths by the scripts on the host and by Wine in
    # the root. As peers, so that what a test mounts under /tmp later (a small
    # drive) shows in the root too.
    mount --bind /tmp /tmp &&
    mount --make-shared /tmp &&
    mount --bind /tmp "$dir/tmp"
}

build_root() {
  local new=$CACHE/root.new
  remove_tree "$new"
  say "making the 32-bit root (debootstrap and Wine, about two minutes)"
  debootstrap --variant=minbase --arch=amd64 bookworm "$new" "$(mirror)" >"$CACHE/debootstrap.log" 2>&1 ||
    { tail -n 3 "$CACHE/debootstrap.log" >&2; return 1; }
  cp /etc/resolv.conf "$new/etc/resolv.conf"
  # The i386 packages' scripts may start i386 programs: the binfmt entry first.
  unshare --mount --propagation private bash -c '
    set -e
    source "$0" --functions
    dir=$1
    shift
    mount_root "$dir" || exit 1
    chroot "$dir" dpkg --add-architecture i386
    chroot "$dir" env DEBIAN_FRONTEND=noninteractive apt-get -q update
    chroot "$dir" env DEBIAN_FRONTEND=noninteractive apt-get -q install -y --no-install-recommends "$@"
    chroot "$dir" apt-get clean' "${BASH_SOURCE[0]}" "$new" "${ROOT_PACKAGES[@]}" >"$CACHE/wine-install.log" 2>&1 ||
    { tail -n 3 "$CACHE/wine-install.log" >&2; return 1; }
  echo "$ROOT_STAMP" >"$new/.tolvik-win32"
  remove_tree "$ROOT"
  mv "$new" "$ROOT"
}

prepare() {
  [ "$(id -u)" == 0 ] || { echo "needs root"; return 1; }
  mkdir -p "$CACHE"
  command -v debootstrap >/dev/null || { echo "debootstrap is not installed"; return 1; }
  qemu_ok || fetch_qemu || { echo "qemu-i386 10 could not be fetched from $(mirror) (trixie)"; return 1; }
  local reason
  reason=$(register_binfmt) || { echo "$reason"; return 1; }
  root_ok || build_root || { echo "the 32-bit root could not be made (see $CACHE/*.log)"; return 1; }
}

# Why the environment cannot be used, or nothing.
unready_reason() {
  if [ "$(id -u)" != 0 ]; then echo "the 32-bit environment needs root"
  elif ! qemu_ok || ! root_ok; then
    echo "the 32-bit environment is not prepared: $(cat "$FAILED" 2>/dev/null || echo "run scripts/win32-env.sh prepare")"
  elif ! unshare --mount --propagation private true 2>/dev/null; then
    echo "no private mount namespace can be made here (unshare --mount)"
  else
    register_binfmt || true
  fi
}

# Inside "run", with the root mounted: that its i386 Wine starts at all.
i386_starts() {
  chroot "$ROOT" /usr/lib/wine/wine --version >/dev/null 2>&1 ||
    { echo "SKIP: i386 programs do not start in the 32-bit root (qemu-i386 through binfmt_misc)"; return 1; }
}

# Runs CMD with the root's Wine, in a private mount namespace; the folders of
# DIRS (separated by ":"; "-": none) are seen under the same paths inside the
# root, writable as they are for the 64-bit tests (a test may put a file beside
# its own program).
run() {
  local shared=$1
  shift
  exec unshare --mount --propagation private bash -c '
    set -e
    source "$0" --functions
    mount_root "$ROOT" || { echo "SKIP: the 32-bit root cannot be mounted"; exit 77; }
    i386_starts || exit 77
    IFS=: read -r -a shared <<<"$1"
    for dir in "${shared[@]}"; do
      [ "$dir" != - ] || continue
      mkdir -p "$ROOT$dir"
      mount --bind "$dir" "$ROOT$dir"
    done
    export TOLVIK_WIN32_ROOT=$ROOT TOLVIK_WINE64=$HERE/../tests/wine/win32/wine64
    shift
    exec "$@"' "${BASH_SOURCE[0]}" "$shared" "$@"
}

[ "${1:-}" == --functions ] && return 0

case "${1:-}" in
  prepare)
    if reason=$(prepare); then
      rm -f "$FAILED"
      say "ready ($ROOT)"
    else
      mkdir -p "$CACHE" 2>/dev/null && echo "$reason" >"$FAILED" || true
      say "not ready: $reason"
      exit 1
    fi
    ;;
  status)
    reason=$(unready_reason)
    [ -z "$reason" ] || { echo "$reason"; exit 1; }
    (run - true) || { echo "i386 programs do not start in the 32-bit root"; exit 1; }
    echo ready
    ;;
  run)
    [ $# -ge 3 ] || { echo "usage: $0 run DIRS CMD..." >&2; exit 2; }
    shift
    reason=$(unready_reason)
    # 77: what the test registration reports as skipped.
    [ -z "$reason" ] || { echo "SKIP: $reason"; exit 77; }
    run "$@"
    ;;
  remove)
    [ -e "$BINFMT_DIR/$BINFMT_NAME" ] && echo -1 >"$BINFMT_DIR/$BINFMT_NAME"
    remove_tree "$CACHE"
    ;;
  *)
    sed -n '/^# Usage/,/^$/p' "$0" >&2
    exit 2
    ;;
esac
