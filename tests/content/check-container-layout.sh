#!/usr/bin/env bash
# Checks the packed setup container with check_container.py. $1 is the Windows
# build folder (unused: the container's path comes with the arguments that follow).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
shift
exec python3 "$here/check_container.py" "$@"
