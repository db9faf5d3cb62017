#!/usr/bin/env bash
# Runs one Windows program under 64-bit Wine in a fresh, throwaway prefix, on a
# private Xvfb display, and exits with the program's exit code.
# Usage: run-in-wine.sh PROGRAM.exe [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"

wine_env_start
trap wine_env_stop EXIT
set +e
"$WINE64" "$@"
rc=$?
set -e
exit $rc
