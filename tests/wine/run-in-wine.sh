#!/usr/bin/env bash
# Runs one Windows program under 64-bit Wine in a fresh, throwaway prefix, on a
# private Xvfb display, and exits with the program's exit code.
# Usage: run-in-wine.sh PROGRAM.exe [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"

trap wine_env_stop EXIT
wine_env_start || exit 1
set +e
"$WINE64" "$@"
rc=$?
set -e
[ "$rc" -eq 0 ] || echo "FAILED: $* exited with $rc under Wine" >&2
exit $rc
