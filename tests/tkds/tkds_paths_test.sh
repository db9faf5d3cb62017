#!/usr/bin/env bash
# What tkds opens: every input is a regular file outside /proc, /sys and /dev
# (each refusal names the input, and a manifest's refusals their line); every
# output is a new file renamed over its path, so a link there is replaced and
# what it pointed to keeps its bytes; the signing password variable is gone from
# the environment before osslsigncode starts.
# Usage: tkds_paths_test.sh PATH/TO/tkds
set -uo pipefail
tkds=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/tkds-paths.XXXXXX)
shm_file=/dev/shm/tkds-paths-$$
trap 'rm -rf "$work" "$shm_file"' EXIT
# A pipe read as an input would block for good: every command has a time limit.
RUN_PREFIX="timeout 120"
source "$here/tkds-checks.sh"
cd "$work"

printf 'pit=pf\nname=Paths\nregrecord=Paths\ndeffolder=Paths\ngroupname=Paths\n' >doc.txt
printf 'Data Folder id=1\nData.idoc String id=2 file=doc.txt\n' >good.manifest
mkdir -p stubs/x86
cp /usr/share/nsis/Stubs/zlib-x86-unicode stubs/x86/setup-stub.exe
cp /usr/share/nsis/Stubs/zlib-x86-unicode stubs/x86/TKUNTOOL.EXE
expect_exit 0 "$tkds" build good.manifest -o good.tkds
mkfifo fifo
ln -s /proc/self/environ environ-link
refused="inputs are regular files outside /proc, /sys and /dev"

# file= lines, -D values among them: the process's environment, through a link
# too, a file of /sys and one of /dev/shm (regular files on the kernel's and a
# memory file system).
sys_file=$(find /sys/kernel -maxdepth 1 -type f -readable 2>/dev/null | head -n 1)
printf 'x' >"$shm_file"
cat >inputs.manifest <<MANIFEST
A Binary id=1 file=/proc/self/environ
B Binary id=2 file=environ-link
C Binary id=3 file=\${SECRET}
D Binary id=4 file=$shm_file
E Binary id=5 file=${sys_file:-/sys}
F Binary id=6 file=fifo
G Binary id=7 file=/dev/zero
MANIFEST
expect_exit 1 "$tkds" build inputs.manifest -D SECRET=/proc/self/environ -o inputs.tkds
expect_err "inputs.manifest:1: cannot read /proc/self/environ: it is /proc/"
expect_err "inputs.manifest:2: cannot read environ-link: it is /proc/"
expect_err "inputs.manifest:3: cannot read /proc/self/environ: it is /proc/"
expect_err "/environ, in /proc: $refused"
expect_err "inputs.manifest:4: cannot read $shm_file: it is $shm_file, in /dev: $refused"
[ -n "$sys_file" ] && expect_err "inputs.manifest:5: cannot read $sys_file: it is $sys_file, in /sys: $refused"
expect_err "inputs.manifest:6: cannot read fifo: not a regular file"
expect_err "inputs.manifest:7: cannot read /dev/zero: not a regular file"
[ ! -e inputs.tkds ] || fail "a container made of refused inputs"
grep -q "HOME=\|PATH=" "$work/err" && fail "the environment was printed: $(head -c 200 "$work/err")"

# The manifest, the containers that list, verify, extract and preview read, and
# make's icon and stub.
expect_exit 1 "$tkds" build /proc/self/environ -o m.tkds
expect_err "cannot read /proc/self/environ: it is /proc/"
expect_exit 1 "$tkds" build fifo -o m.tkds
expect_err "cannot read fifo: not a regular file"
for command in list verify "extract Data.idoc" "preview -o p.png"; do
  set -- $command
  expect_exit 1 "$tkds" "$1" environ-link "${@:2}"
  expect_err "cannot read environ-link: it is /proc/"
  expect_exit 1 "$tkds" "$1" fifo "${@:2}"
  expect_err "cannot read fifo: not a regular file"
done
expect_exit 1 "$tkds" make good.manifest --stubs stubs --icon /dev/zero -o m.exe
expect_err "icon /dev/zero: not a regular file"
expect_exit 1 "$tkds" make good.manifest --stubs stubs --icon fifo -o m.exe
expect_err "icon fifo: not a regular file"
mkdir -p proc-stubs/x86
ln -s /proc/self/environ proc-stubs/x86/setup-stub.exe
expect_exit 1 "$tkds" make good.manifest --stubs proc-stubs -o m.exe
expect_err "stub proc-stubs/x86/setup-stub.exe: it is /proc/"
[ ! -e m.tkds ] && [ ! -e m.exe ] && [ ! -e p.png ] || fail "an output made of refused inputs"

# Outputs. Each command writes through a link to victim.txt, and build once
# through a link that points nowhere: the links become the new files.
printf 'not to be written\n' >victim.txt
cp victim.txt victim.orig
for output in build extract preview make; do ln -s victim.txt "out-$output"; done
ln -s ghost out-dangling
expect_exit 0 "$tkds" build good.manifest -o out-build
expect_exit 0 "$tkds" extract good.tkds Data.idoc -o out-extract
expect_exit 0 "$tkds" preview good.tkds -o out-preview
expect_exit 0 "$tkds" make good.manifest --stubs stubs -o out-make
expect_exit 0 "$tkds" build good.manifest -o out-dangling
for output in build extract preview make dangling; do
  [ -f "out-$output" ] && [ ! -L "out-$output" ] || fail "out-$output is not a file of its own"
done
cmp -s victim.txt victim.orig || fail "an output was written through its link"
[ ! -e ghost ] || fail "a file was made where the dangling link pointed"
cmp -s out-build good.tkds || fail "the container written over the link differs"
cmp -s out-extract doc.txt || fail "the node extracted over the link differs"
[ "$(identify -format '%m %wx%h' out-preview 2>/dev/null)" = "PNG 450x207" ] || fail "the preview written over the link"
/usr/bin/python3 -c 'import pefile, sys; pefile.PE(sys.argv[1])' out-make || fail "the setup written over the link"
[ "$(stat -c %a out-build)" = "$(printf %o $((0666 & ~$(umask))))" ] || fail "the output's mode is $(stat -c %a out-build)"

# What is not a file is not replaced; a failed write leaves the old output; no
# temporary file stays behind.
mkdir folder-output
expect_exit 1 "$tkds" build good.manifest -o fifo
expect_err "cannot write fifo: it exists and is not a file"
[ -p fifo ] || fail "the pipe was replaced"
expect_exit 1 "$tkds" build good.manifest -o folder-output
expect_err "cannot write folder-output: it exists and is not a file"
expect_exit 1 "$tkds" extract good.tkds Data.idoc -o /dev/null
expect_err "cannot write /dev/null: it exists and is not a file"
[ -c /dev/null ] || fail "/dev/null was replaced"
if [ -L /dev/stdout ]; then
  expect_exit 1 "$tkds" extract good.tkds Data.idoc -o /dev/stdout
  expect_err "cannot write /dev/stdout: outputs go to files outside /proc, /sys and /dev (- writes to standard output)"
  [ -L /dev/stdout ] || fail "the link /dev/stdout was replaced"
fi
expect_exit 1 "$tkds" build good.manifest -o no-such-folder/out.tkds
expect_err "cannot write no-such-folder/out.tkds: cannot make a new file beside it"
cp out-build kept.orig
expect_exit 1 "$tkds" build inputs.manifest -D SECRET=doc.txt -o out-build
cmp -s out-build kept.orig || fail "a failed build changed the old output"
leftovers=$(find . -name '.*.tmp')
[ -z "$leftovers" ] || fail "temporary files left: $leftovers"

# tkds new copies the kit's sample (found beside the program) into a folder it
# makes or finds empty, and refuses a folder path with a link in it.
mkdir -p kit/bin kit/share/tolvik-setup/sample/skin real-folder empty-folder
cp "$tkds" kit/bin/tkds
printf 'the manifest\n' >kit/share/tolvik-setup/sample/container.manifest
printf 'a picture\n' >kit/share/tolvik-setup/sample/skin/picture.png
ln -s real-folder link-folder
ln -s empty-folder link-target
expect_exit 0 kit/bin/tkds new made/vendor
diff -r kit/share/tolvik-setup/sample made/vendor >/dev/null || fail "tkds new copied another sample"
expect_exit 0 kit/bin/tkds new "$work/empty-folder"
diff -r kit/share/tolvik-setup/sample empty-folder >/dev/null || fail "tkds new into an empty folder"
expect_exit 1 kit/bin/tkds new made/vendor
expect_err "made/vendor already exists and is not an empty folder"
rm -rf empty-folder/*
expect_exit 1 kit/bin/tkds new link-target
expect_err "cannot make the folder link-target (link-target: it is a link or not a folder)"
expect_exit 1 kit/bin/tkds new link-folder/vendor
expect_err "cannot make the folder link-folder/vendor (link-folder: it is a link or not a folder)"
[ -z "$(ls -A real-folder)$(ls -A empty-folder)" ] || fail "tkds new wrote through a link"

# Signing with the password in a variable: osslsigncode (a wrapper that keeps
# its environment, then runs the real one) never sees the variable, and both
# signatures still verify. The uninstaller that signing reads is an input too.
source "$here/../signing/test-ca.sh"
make_test_ca ca || { echo "cannot make the test CA" >&2; exit 1; }
mkdir fakebin
cat >fakebin/osslsigncode <<FAKE
#!/usr/bin/env bash
{ env; echo ---; } >>"$work/signer-env.txt"
exec $(command -v osslsigncode) "\$@"
FAKE
chmod +x fakebin/osslsigncode
openssl pkey -in ca/signer.key -aes256 -passout file:ca/password.txt -out ca/signer-locked.key
password=$(head -n 1 ca/password.txt)
TKDS_TEST_PASSWORD=$password PATH="$work/fakebin:$PATH" expect_exit 0 "$tkds" make good.manifest --stubs stubs \
  -o signed.exe --sign-key ca/signer-locked.key --sign-cert ca/signer.pem --sign-password-env TKDS_TEST_PASSWORD
signature_verifies signed.exe ca/ca.pem || fail "the setup signed with a password from a variable does not verify"
[ "$(grep -c -x -- --- signer-env.txt 2>/dev/null)" = 2 ] || fail "osslsigncode did not run twice"
grep -q "^TKDS_TEST_PASSWORD=" signer-env.txt && fail "osslsigncode inherited the password variable"
grep -qF -- "$password" signer-env.txt && fail "the password is in osslsigncode's environment"
TKDS_TEST_PASSWORD=$password PATH="$work/fakebin:$PATH" expect_exit 1 "$tkds" make good.manifest --stubs stubs \
  -D UNINSTALL=/proc/self/environ -o signed2.exe --sign-key ca/signer-locked.key --sign-cert ca/signer.pem \
  --sign-password-env TKDS_TEST_PASSWORD
expect_err "cannot read the uninstaller /proc/self/environ: it is /proc/"
[ ! -e signed2.exe ] || fail "a setup signed with a refused uninstaller"
# The files osslsigncode reads for tkds are held to the same rule.
expect_exit 1 "$tkds" make good.manifest --stubs stubs -o signed3.exe --sign-key fifo --sign-cert ca/signer.pem
expect_err "/stubs/x86/TKUNTOOL.EXE: --sign-key fifo: not a regular file"
expect_exit 1 "$tkds" make good.manifest --stubs stubs -o signed3.exe --sign-pkcs12 ca/signer.p12 \
  --sign-password-file environ-link
expect_err "--sign-password-file environ-link: it is /proc/"
[ ! -e signed3.exe ] || fail "a setup signed with a refused key or password file"

finish_checks "tkds paths"
