#!/usr/bin/env bash
# tkds make with signing, end to end with the real osslsigncode and a CA made for
# this run: both signatures (the installer's and the uninstaller's inside its
# container) verify against the CA, a changed byte fails verification (also in
# the payload stream after the image), the
# password never reaches a command line, the timestamp server is passed on, the
# output is reproducible with a pinned time, and every failure leaves no output.
# Usage: signing_test.sh PATH/TO/tkds
set -uo pipefail
tkds=$(realpath "$1")
source "$(dirname "$0")/test-ca.sh"
work=$(mktemp -d /tmp/tkds-signing.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }
check() { local what=$1; shift; if "$@"; then ok "$what"; else fail "$what"; fi; }

cd "$work"
make_test_ca ca || { echo "cannot make the test CA" >&2; exit 1; }
"$tkds" new vendor >/dev/null || { echo "tkds new failed" >&2; exit 1; }
stub_uninstaller="$(dirname "$tkds")/../share/tolvik-setup/stubs/x64/TKUNTOOL.EXE"
unset SOURCE_DATE_EPOCH
mkdir tmp
export TMPDIR="$work/tmp"
equal_text() { [ "$1" == "$2" ] || { echo "  expected [$2], got [$1]"; return 1; }; }

# Every signing goes through a fake osslsigncode that logs its arguments and
# passes all but a timestamp server (none is reachable here) to the real one.
mkdir fakebin
cat >fakebin/osslsigncode <<FAKE
#!/usr/bin/env bash
{ printf '%s\n' "\$@"; echo ---; } >>"$work/signer-calls.txt"
args=()
while [ \$# -gt 0 ]; do
  if [ "\$1" = -ts ]; then shift 2; else args+=("\$1"); shift; fi
done
exec $(command -v osslsigncode) "\${args[@]}"
FAKE
chmod +x fakebin/osslsigncode
export PATH="$work/fakebin:$PATH"
signer_calls() { cat signer-calls.txt 2>/dev/null; rm -f signer-calls.txt; }

make_setup() { "$tkds" make vendor/container.manifest --arch x64 "$@" >out.txt 2>err.txt; }
# Equal but for the PE checksum (remove-signature sets it; the linker left it 0).
same_but_checksum() {
  local checksum=$(($(od -An -tu4 -j60 -N4 "$1") + 88))
  [ "$(stat -c %s "$1")" = "$(stat -c %s "$2")" ] &&
    cmp -l "$1" "$2" | awk -v first=$((checksum + 1)) '$1 < first || $1 > first + 3 { bad = 1 } END { exit bad }'
}
# The uninstaller that setup.exe carries in its container, as setup would install it.
container_uninstaller() { "$tkds" extract "$1" Uninstall -o "$2"; }

# A PKCS#12 file with its password in a file.
signer_calls >/dev/null
make_setup -o p12.exe --sign-pkcs12 ca/signer.p12 --sign-password-file ca/password.txt ||
  fail "signing with --sign-pkcs12: $(cat err.txt)"
signer_calls >p12-calls.txt
check "no timestamp server without --sign-timestamp" bash -c '! grep -q -x -- -ts p12-calls.txt'
check "the installer's signature verifies against the CA" signature_verifies p12.exe ca/ca.pem
check "the container's uninstaller can be read" container_uninstaller p12.exe p12-uninstaller.exe
check "the uninstaller in the container carries its own valid signature" \
  signature_verifies p12-uninstaller.exe ca/ca.pem
osslsigncode remove-signature -in p12-uninstaller.exe -out p12-uninstaller-bare.exe >/dev/null 2>&1
check "signing changed nothing of the uninstaller but the signature" \
  same_but_checksum p12-uninstaller-bare.exe "$stub_uninstaller"
make_test_ca other-ca
check "verification against another CA fails" bash -c '! osslsigncode verify -CAfile other-ca/ca.pem -in p12.exe >/dev/null 2>&1'
cp p12.exe changed.exe
offset=$(($(stat -c %s changed.exe) / 3))
byte=$(od -An -tu1 -j "$offset" -N1 changed.exe)
printf "\\$(printf %03o $(((byte + 1) % 256)))" | dd of=changed.exe bs=1 seek="$offset" conv=notrunc status=none
check "the changed copy differs in one byte" equal_text "$(cmp -l p12.exe changed.exe | wc -l)" 1
check "a signed installer with one byte changed fails verification" \
  bash -c '! osslsigncode verify -CAfile ca/ca.pem -in changed.exe >/dev/null 2>&1'

# The payload stream: the sample's product (its Tree line) goes into the overlay
# after the image, and the signature after it covers it.
cp -r vendor streamed
"$tkds" make streamed/container.manifest --arch x64 -o streamed.exe --sign-pkcs12 ca/signer.p12 \
  --sign-password-file ca/password.txt >out.txt 2>err.txt || fail "signed streamed make: $(cat err.txt)"
check "the streamed installer's signature verifies against the CA" signature_verifies streamed.exe ca/ca.pem
check "tkds reads its stream through the signature" bash -c '"$0" verify streamed.exe >/dev/null' "$tkds"
check "its program comes back from the stream" \
  bash -c 'node=$("$0" list --json streamed.exe | python3 -c "
import json, sys
print(next(n[\"path\"] for n in json.load(sys.stdin) if n[\"streamed\"] and n[\"decodedSize\"] == int(sys.argv[1])))" \
    "$(stat -c %s streamed/product/Pellumar.exe)") &&
    "$0" extract streamed.exe "$node" -o streamed-prg.exe && cmp -s streamed-prg.exe streamed/product/Pellumar.exe' "$tkds"
overlay=$(python3 -c '
import struct, sys
b = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", b, 0x3C)[0]
count, optional = struct.unpack_from("<H", b, pe + 6)[0], struct.unpack_from("<H", b, pe + 20)[0]
table = pe + 24 + optional
print(max(sum(struct.unpack_from("<II", b, table + 40 * i + 16)) for i in range(count)))' streamed.exe)
check "the stream starts where the image ends" \
  bash -c '"$0" list streamed.exe | grep -q "bytes at offset $1, "' "$tkds" "$overlay"
cp streamed.exe streamed-changed.exe
byte=$(od -An -tu1 -j "$((overlay + 100))" -N1 streamed-changed.exe)
printf "\\$(printf %03o $(((byte + 1) % 256)))" | dd of=streamed-changed.exe bs=1 seek=$((overlay + 100)) conv=notrunc status=none
check "a changed overlay byte fails verification" \
  bash -c '! osslsigncode verify -CAfile ca/ca.pem -in streamed-changed.exe >/dev/null 2>&1'
check "and tkds refuses the stream" bash -c '! "$0" verify streamed-changed.exe >/dev/null 2>&1' "$tkds"

# A PEM key encrypted with a password that comes from a variable, and a timestamp.
openssl pkey -in ca/signer.key -aes256 -passout file:ca/password.txt -out ca/signer-locked.key
password=$(head -n 1 ca/password.txt)
signer_calls >/dev/null
TEST_SIGN_PASSWORD=$password make_setup -o pem.exe --sign-key ca/signer-locked.key \
  --sign-cert ca/signer.pem --sign-password-env TEST_SIGN_PASSWORD --sign-timestamp http://timestamp.invalid/tsa ||
  fail "signing with --sign-key and --sign-password-env: $(cat err.txt)"
signer_calls >pem-calls.txt
check "the installer signed with the PEM key verifies" signature_verifies pem.exe ca/ca.pem
check "its uninstaller verifies" \
  bash -c '"$0" extract pem.exe Uninstall -o pem-u.exe &&
           osslsigncode verify -CAfile ca/ca.pem -in pem-u.exe >/dev/null 2>&1' "$tkds"
calls=$(grep -c -x -- --- pem-calls.txt)
check "osslsigncode ran twice: the uninstaller, then the installer" equal_text "$calls" 2
check "the uninstaller is signed first" \
  bash -c 'awk "/^---\$/ { exit } prev == \"-in\" { print } { prev = \$0 }" pem-calls.txt | grep -q TKUNTOOL.EXE'
check "the timestamp server goes to both signings" \
  equal_text "$(grep -c -x -- http://timestamp.invalid/tsa pem-calls.txt)" 2
check "it follows -ts (RFC 3161)" equal_text "$(grep -A1 -x -- -ts pem-calls.txt | grep -c timestamp.invalid)" 2
check "the password is read from standard input, not the command line" \
  bash -c "! grep -qF -- '$password' pem-calls.txt && grep -A1 -x -- -readpass pem-calls.txt | grep -q -x -- -"

# The same inputs give the same bytes when the build pins its time (the output's
# name is among the inputs: it is the version information's OriginalFilename).
SOURCE_DATE_EPOCH=1700000000 make_setup -o pinned.exe --sign-pkcs12 ca/signer.p12 --sign-password-file ca/password.txt
mv pinned.exe pinned-first.exe
sleep 1
SOURCE_DATE_EPOCH=1700000000 make_setup -o pinned.exe --sign-pkcs12 ca/signer.p12 --sign-password-file ca/password.txt
check "two signed makes with SOURCE_DATE_EPOCH are byte-identical" cmp -s pinned-first.exe pinned.exe
check "and verify" signature_verifies pinned.exe ca/ca.pem

# Relative paths mean what they mean unsigned: a -D file from the manifest's
# folder, --stubs from the current one.
cp -r "$(dirname "$stub_uninstaller")/.." stubs-here
cp "$stub_uninstaller" vendor/own-uninstaller.exe
make_setup -o relative.exe --stubs stubs-here -D UNINSTALL=own-uninstaller.exe --sign-key ca/signer.key \
  --sign-cert ca/signer.pem
check "a relative -D UNINSTALL is signed from the manifest's folder" container_uninstaller relative.exe relative-u.exe
check "and verifies" signature_verifies relative-u.exe ca/ca.pem
check "a relative --stubs finds the stub's uninstaller" make_setup -o relative-stubs.exe --stubs stubs-here

# Failures: one clear message, exit 1, and no output (an old one stays as it was).
echo "old output" >kept.exe
make_setup -o kept.exe --sign-pkcs12 ca/signer.p12 --sign-password-env NO_SUCH_VARIABLE_SET
check "an unset password variable is refused" grep -q "NO_SUCH_VARIABLE_SET.*is not set" err.txt
WRONG=wrong make_setup -o kept.exe --sign-pkcs12 ca/signer.p12 --sign-password-env WRONG
rc=$?
check "a wrong password fails with exit 1" equal_text "$rc" 1
check "and says what osslsigncode said" grep -q "Wrong password" err.txt
check "and leaves the old output alone" equal_text "$(cat kept.exe)" "old output"
mkdir nobin
PATH="$work/nobin" make_setup -o missing.exe --sign-key ca/signer.key --sign-cert ca/signer.pem
rc=$?
check "no osslsigncode: exit 1" equal_text "$rc" 1
check "no osslsigncode: the message names the package" grep -q "osslsigncode is not installed" err.txt
check "no osslsigncode: no output file" test ! -e missing.exe
make_setup -o half.exe --sign-key ca/signer.key
check "--sign-key without --sign-cert is a usage error" equal_text "$?" 2
make_setup -o both.exe --sign-pkcs12 ca/signer.p12 --sign-key ca/signer.key --sign-cert ca/signer.pem
check "two kinds of key are a usage error" equal_text "$?" 2
check "no output after refusals" bash -c '! ls half.exe both.exe 2>/dev/null'
check "no intermediate file is left beside the output" \
  bash -c '[ -z "$(ls -A | grep -v -x -e ca -e other-ca -e vendor -e streamed -e stubs-here -e fakebin -e nobin -e tmp -e "[a-z0-9-]*\.exe" \
             -e "[a-z0-9]*-calls.txt" -e out.txt -e err.txt)" ]'

check "signing's temporary folders are gone" bash -c '[ -z "$(ls -A tmp)" ]'

[ "$failures" -eq 0 ] || { echo "FAILED: $failures check(s)"; exit 1; }
echo "all signing checks passed"
