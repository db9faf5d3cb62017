# Shared by the tkds command-line tests: checks that count their failures, with
# the output of the command under test kept in $work/out and $work/err.
# Set work before sourcing; RUN_PREFIX (a function or command, may be empty)
# runs every command under test.
failures=0
RUN_PREFIX=${RUN_PREFIX:-}

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# expect_exit CODE COMMAND... : runs the command, keeps its output in $work/out and $work/err.
expect_exit() {
  local want=$1; shift
  $RUN_PREFIX "$@" >"$work/out" 2>"$work/err"
  local got=$?
  [ "$got" -eq "$want" ] || fail "exit $got instead of $want: $* ($(head -c 300 "$work/err"))"
}
expect_err() { grep -qF -- "$1" "$work/err" || fail "stderr lacks '$1': $(head -c 300 "$work/err")"; }
expect_out() { grep -qF -- "$1" "$work/out" || fail "stdout lacks '$1': $(head -c 300 "$work/out")"; }

# Ends the script: exit 1 with the count of failed checks, or 0 with "NAME: all checks passed".
finish_checks() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "$1: all checks passed"
  exit 0
}
