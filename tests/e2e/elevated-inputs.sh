#!/usr/bin/env bash
# What an ordinary user's process can prepare for the elevated setup.exe and
# TKUNTOOL.EXE, each refused or harmless, with the place it points at unchanged:
# a /LOG= path whose folder is a link, or a file of the log's name that is a
# second name of another file (87, nothing installed or removed); a log folder
# and an existing destination any user may write (87; 1603 with the reason in
# the log); a setup killed while it holds its lock (the next one runs); an
# installed file given a second name elsewhere (the uninstaller leaves it).
#
# Arguments: the e2e scripts' four. Links are Unix symlinks made inside the
# prefix, which Wine shows as reparse points; a folder any user may write is one
# with mode 777, which Wine shows as an access list letting Everyone write.
source "$(dirname "$0")/e2e-lib.sh"
e2e_start

setup="\"Z:${SETUP_EXE//\//\\}\""
fingerprint() { (cd "$1" && find . -printf '%y %p\n' | sort && find . -type f -exec md5sum {} + | sort); }

victim=$(c 'C:\victim')
mkdir -p "$victim" "$(c 'C:\Logs')"
printf 'precious bytes' >"$victim/setup.log"
printf 'precious bytes' >"$victim/hard.log"
ln -s "$victim" "$(c 'C:\Logs\sub')"
ln "$victim/hard.log" "$(c 'C:\Logs\hard.log')"
fingerprint "$victim" >"$E2E_WORK/victim.before"
victim_unchanged() { equal "$(fingerprint "$victim")" "$(cat "$E2E_WORK/victim.before")"; }
nothing_installed() { test ! -e "$(c 'C:\Inst')"; }

check "a log below a linked folder is refused with 87" \
  equal "$(run_code "$setup /S /LOG=C:\\Logs\\sub\\setup.log /D=C:\\Inst")" 87
check "... the file the link leads to is unchanged" victim_unchanged
check "... nothing was installed" nothing_installed
check "a log file with a second name is refused with 87" \
  equal "$(run_code "$setup /S /LOG=C:\\Logs\\hard.log /D=C:\\Inst")" 87
check "... its other name is unchanged" victim_unchanged

open_logs=$(c 'C:\OpenLogs')
mkdir -p "$open_logs" && chmod 777 "$open_logs"
check "a log folder any user may write is refused with 87" \
  equal "$(run_code "$setup /S /LOG=C:\\OpenLogs\\setup.log /D=C:\\Inst")" 87
check "... no log was made there" test -z "$(ls -A "$open_logs")"
check "... nothing was installed" nothing_installed

# An existing destination, or a folder above it, that any user may write.
for open in 'C:\Acme' 'C:\Tools\Acme'; do
  mkdir -p "$(c "$open")" && chmod 777 "$(c "$open")"
  check "a destination below $open (any user may write it) ends with 1603" \
    equal "$(run_code "$setup /S /LOG=C:\\Logs\\open.log /D=$open\\Pellumar")" 1603
  check "... the log names the folder" log_says \
    "$open can be changed by users who are not administrators; setup does not install into it." \
    "$(c 'C:\Logs\open.log')"
  check "... nothing was written into it" test -z "$(ls -A "$(c "$open")")"
done

# A setup killed while it runs leaves no lock behind: the next one installs.
start_setup
check "a running setup holds its lock file" test -n "$(find "$(c 'C:\windows')" -maxdepth 1 -name 'Tolvik.Setup.*.lock')"
kill -9 "$SETUP_PID"
wait "$SETUP_PID" 2>/dev/null || true
SETUP_PID=""
check "after a killed setup the next one installs" \
  equal "$(run_code "$setup /S /LOG=C:\\Logs\\setup.log /D=C:\\Inst")" 0
check "... and its lock file is gone" test -z "$(find "$(c 'C:\windows')" -maxdepth 1 -name 'Tolvik.Setup.*.lock')"
check "the log below a plain folder was written" log_says 'outcome: installed (exit code 0)' "$(c 'C:\Logs\setup.log')"

# The uninstaller: the same log refusals, then a file given a second name stays.
quiet=$(reg_value 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pellumar' QuietUninstallString)
check "the uninstaller refuses a log below a linked folder with 87" \
  equal "$(run_code "$quiet /LOG=C:\\Logs\\sub\\setup.log")" 87
check "... the file the link leads to is unchanged" victim_unchanged
check "... nothing was removed" test -s "$(c 'C:\Inst\Pellumar.exe')"
ln "$(c 'C:\Inst\Pellumar.exe')" "$victim/Pellumar-copy.exe"
check "an installed file with a second name is left: 1603" equal "$(run_code "$quiet /LOG=C:\\Logs\\u.log")" 1603
check "... the report says why" log_says 'Pellumar.exe was not removed: it has a second name elsewhere (a hard link)' \
  "$(c 'C:\Logs\u.log')"
check "... both names are still there" test -s "$(c 'C:\Inst\Pellumar.exe')" -a -s "$victim/Pellumar-copy.exe"
check "... the product's other files are gone" test ! -e "$(c 'C:\Inst\License.txt')"
