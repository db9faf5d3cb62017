#!/usr/bin/env bash
# setup.exe's command line as deployment tools write it, split as the system
# splits it: a switch quoted whole ("/DIR=C:\A B") or with its value quoted
# (/DIR="C:\A B"), in any letter case, NSIS's raw /D= with blanks as the last
# argument and "/D=..." quoted whole each install the product with /S into their
# folder and write their log. A quote left open and an unknown switch end with
# 87, show nothing and install nothing. Each line is handed to the system as one
# string, never split by this shell.
#
# Arguments: the e2e scripts' four.
source "$(dirname "$0")/e2e-lib.sh"
e2e_start

setup="\"Z:${SETUP_EXE//\//\\}\""
mkdir -p "$(c 'C:\logs')"

# installs FOLDER LOG ARGUMENTS: setup with the arguments ends with 0, the
# product's program is in FOLDER and the log names the folder and the outcome.
# Each folder is new: the product moves there from the one before.
installs() {
  local code
  code=$(run_code "$setup $3" 60)
  # Setup's own log says why it did not install.
  [ "$code" == 0 ] || { [ -f "$(c "$2")" ] && sed 's/^/  | /' "$(c "$2")"; }
  equal "$code" 0 && test -s "$(c "$1\\Pellumar.exe")" &&
    log_says "destination: $1" "$(c "$2")" && log_says 'outcome: installed (exit code 0)' "$(c "$2")"
}

argv='/S "/DIR=C:\Argv Form" "/LOG=C:\logs\setup log.txt"'
check "switches quoted whole" installs 'C:\Argv Form' 'C:\logs\setup log.txt' "$argv"
check "... the log holds the line as it was given" log_says "command line: $setup $argv" "$(c 'C:\logs\setup log.txt')"
check "values quoted, in lower and mixed case" \
  installs 'C:\Inno Form' 'C:\logs\inno form.log' '/s /dir="C:\Inno Form" /Log="C:\logs\inno form.log"'
check "/D= quoted whole" \
  installs 'C:\Quoted D' 'C:\logs\quoted d.log' '"/S" "/log=C:\logs\quoted d.log" "/D=C:\Quoted D"'
check "raw /D= with blanks, last" \
  installs 'C:\Path With Blanks' 'C:\logs\raw d.log' '/S /LOG="C:\logs\raw d.log" /d=C:\Path With Blanks'

# refused ARGUMENTS: 87 (a box would keep setup running past the time allowed),
# no folder or log made, and the product still where the last line put it.
drive() { ls -A "$WINEPREFIX/drive_c" "$(c 'C:\logs')"; }
refused() {
  local before
  before=$(drive)
  equal "$(run_code "$setup $1" 30)" 87 && equal "$(drive)" "$before" &&
    test -s "$(c 'C:\Path With Blanks\Pellumar.exe')"
}
check "a quote left open swallows the rest of the line: 87, nothing installed" \
  refused '/S "/DIR=C:\Unclosed /LOG=C:\logs\unclosed.log'
check "an escaped closing quote (\\\") leaves the quote open: 87 with no box, even with /S after it" \
  refused '"/DIR=C:\Trailing\" /S'
check "an unknown switch: 87, nothing installed" refused '/S /BOGUS "/DIR=C:\Bogus" /LOG=C:\logs\bogus.log'
