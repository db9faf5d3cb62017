#!/usr/bin/env bash
# The committed skin is what tools/skin-art draws: every picture at 100 % and at
# each scale, and the icons, byte for byte (so the 100 % art stays as it was
# while the generator learns the scales).
# Usage: skin-art-test.sh REPOSITORY_ROOT
set -euo pipefail
root=$(realpath "$1")
work=$(mktemp -d /tmp/skin-art.XXXXXX)
trap 'rm -rf "$work"' EXIT
python3 "$root/tools/skin-art/generate_skin.py" "$work"
status=0
while IFS= read -r file; do
  cmp "$work/$file" "$root/$file" || status=1
done < <(cd "$work" && find . -type f | sort)
[ "$status" -eq 0 ] && echo "skin art: $(cd "$work" && find . -type f | wc -l) files as committed"
exit "$status"
