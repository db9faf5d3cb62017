#!/usr/bin/env bash
# The package installed for real (dpkg -i), as a vendor would: the installed tkds
# makes a setup.exe from a fresh vendor folder, which installs under Wine; then
# the package is purged and nothing that dpkg -L listed is left.
# It changes the machine, so it runs only in CI (CI=true) or when asked
# (TOLVIK_PACKAGE_INSTALL_TEST=1), as root, and never over an installed copy;
# otherwise it reports itself skipped (exit 77).
# Usage: installed-test.sh PACKAGE.deb WIN64_BUILD_DIR PROBE_EXE
set -uo pipefail
deb=$(realpath "$1")
if [ "${CI:-}" != true ] && [ "${TOLVIK_PACKAGE_INSTALL_TEST:-}" != 1 ]; then
  echo "skipped: installs the package system-wide; runs with CI=true or TOLVIK_PACKAGE_INSTALL_TEST=1"
  exit 77
fi
[ "$(id -u)" -eq 0 ] || { echo "FAIL: installing the package needs root"; exit 1; }
if dpkg-query -W -f='${Status}' tolvik-setup 2>/dev/null | grep -q 'ok installed'; then
  echo "FAIL: tolvik-setup is installed on this machine already; this test would replace it"
  exit 1
fi

set -- "$2" "" "$3" /usr/bin/tkds
source "$(dirname "$0")/../e2e/e2e-lib.sh"
e2e_start
# Whatever happens, the machine is left without the package.
purge() {
  local rc=$?
  set +e
  dpkg-query -W tolvik-setup >/dev/null 2>&1 && dpkg --purge tolvik-setup >/dev/null 2>&1
  (exit "$rc")
  e2e_stop
}
trap purge EXIT
cd "$E2E_WORK"

check "dpkg -i installs the package" dpkg -i "$deb"
dpkg -L tolvik-setup >listed.txt
check "dpkg -L lists /usr/bin/tkds" grep -qx /usr/bin/tkds listed.txt
check "tkds new acme" /usr/bin/tkds new acme
check "tkds make with the installed stubs" /usr/bin/tkds make acme/container.manifest --arch x64 -o acme-setup.exe
mkdir named
/usr/bin/tkds make acme/container.manifest --arch x64 --stubs /usr/share/tolvik-setup/stubs -o named/acme-setup.exe
check "the stubs it found are the installed ones" cmp -s acme-setup.exe named/acme-setup.exe

SETUP_EXE="$E2E_WORK/acme-setup.exe"
start_setup
dest=$(get_path)
click_button $SETUP_BUTTON
check "the vendor's setup ends after installing" setup_ended 60
check "the product is installed" test -s "$(unix_path "$dest\\Pellumar.exe")"

check "dpkg --purge removes the package" dpkg --purge tolvik-setup
check "dpkg knows it no more" bash -c '! dpkg-query -W -f="\${Status}" tolvik-setup 2>/dev/null | grep -q installed'
left=0
while IFS= read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || continue
  # A folder other packages share (/usr/bin, /usr/share/man/man1) stays.
  [ -d "$path" ] && [ ! -L "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1 && continue
  echo "  left: $path"
  left=$((left + 1))
done <listed.txt
check "nothing dpkg -L listed is left (but shared folders)" test "$left" -eq 0
