#!/usr/bin/env bash
# A signed installer, made with tkds make and a throwaway CA, runs under Wine and
# installs; the TKUNTOOL.EXE it puts into the Windows folder carries its own
# signature, which verifies against the CA, as does the installer's.
#
# Arguments: the e2e scripts' four, then the stub folder (with x86/ and x64/).
source "$(dirname "$0")/e2e-lib.sh"
source "$E2E_DIR/../signing/test-ca.sh"
STUBS=$5
e2e_start
work=$E2E_WORK
cd "$work"

make_test_ca ca
"$TKDS" new vendor >/dev/null
check "tkds make signs the vendor's setup" "$TKDS" make vendor/container.manifest -o signed-setup.exe --arch $KIT_ARCH \
  --stubs "$STUBS" --sign-key ca/signer.key --sign-cert ca/signer.pem
check "the setup's signature verifies against the CA" signature_verifies signed-setup.exe ca/ca.pem
"$TKDS" extract signed-setup.exe Uninstall -o carried-uninstaller.exe

SETUP_EXE="$work/signed-setup.exe"
start_setup
dest=$(get_path)
click_button $SETUP_BUTTON
check "the signed setup ends after installing" setup_ended 60
check "the product is installed" cmp -s vendor/product/Pellumar.exe "$(unix_path "$dest\\Pellumar.exe")"
windows=$("$WINE64" cmd /c 'echo %windir%' | tr -d '\r')
installed="$(unix_path "$windows\\TKUNTOOL.EXE")"
check "the installed TKUNTOOL.EXE is the container's signed one" cmp -s carried-uninstaller.exe "$installed"
check "the installed TKUNTOOL.EXE's signature verifies against the CA" signature_verifies "$installed" ca/ca.pem
