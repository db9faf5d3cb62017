#!/usr/bin/env bash
# The window at the display scales users run: LogPixels 96, 144 and 192 (100 %,
# 150 %, 200 %), each in a Wine session of its own. At each the window is DPI
# aware, its client area stands at (100, 100) and is 450 x 207 times the scale
# (+-1); the path field lies where the 100 % field lies, scaled, and shows its
# text whole, in a font grown with the scale (+-20 %); above 100 % the window shows
# exactly what tkds preview renders at that scale (outside the moving ticker and
# the field). A vendor container with 100 % art only (the sample without its
# "Scales" nodes) opens at 200 % as 900 x 414 and equals its own preview at 2.
# A window opened at 100 % and told that its DPI changed to 192 and back is the
# window of that scale.
# Screenshots of a failed run are kept, and their folder named.
#
# Arguments: the e2e scripts' four, then the stub folder (with x86/ and x64/).
source "$(dirname "$0")/e2e-lib.sh"
STUBS=$5
kept=$(mktemp -d /tmp/e2e-scaling.XXXXXX)
scaling_end() {
  local rc=$?
  set +e  # the exit code is handed on to e2e_stop below
  if [ "$FAILURES" -gt 0 ] || [ "$rc" -ne 0 ]; then echo "screenshots kept in $kept"; else rm -rf "$kept"; fi
  (exit "$rc")
  e2e_stop
}
trap scaling_end EXIT

scaled() { echo $((($1 * percent + 50) / 100)); }  # a 100 % length at $percent
within_one() {  # within_one WIDTH HEIGHT EXPECTED-WIDTH EXPECTED-HEIGHT
  local dx=$(($1 - $3)) dy=$(($2 - $4))
  [ "${dx#-}" -le 1 ] && [ "${dy#-}" -le 1 ] || { echo "  expected ${3}x$4"; return 1; }
}

# A picture of the window's parts that equal the preview: the 100 % window.sh
# rectangles (inclusive corners), each mapped edge by edge to the scale.
mask_at() {
  local draw=() fill rect x0 y0 x1 y1
  for rect in "white 0 0 449 30" "white 0 46 394 206" "white 395 71 429 83" "white 430 31 442 71" \
              "black 6 8 300 20" "black 38 69 233 88"; do
    read -r fill x0 y0 x1 y1 <<<"$rect"
    draw+=(-fill "$fill" -draw "rectangle $(scaled "$x0"),$(scaled "$y0") $(($(scaled $((x1 + 1))) - 1)),$(($(scaled $((y1 + 1))) - 1))")
  done
  convert -size "$(scaled 450)x$(scaled 207)" xc:black "${draw[@]}" "$1"
}

# same_as_preview NAME CONTAINER: the screenshot NAME.png against tkds preview at the scale.
same_as_preview() {
  local shot="$kept/$1.png" preview="$kept/$1-preview.png" differing image
  "$TKDS" preview "$2" --scale "$(awk -v p="$percent" 'BEGIN { print p / 100 }')" -o "$preview" ||
    { check "tkds preview --scale renders $1" false; return; }
  mask_at "$kept/mask-$percent.png"
  for image in "$shot" "$preview"; do
    convert "$image" -alpha off "$kept/mask-$percent.png" -compose multiply -composite "$image.masked.png"
  done
  differing=$(compare -metric AE "$shot.masked.png" "$preview.masked.png" null: 2>&1 || true)
  check "$1: the window equals tkds preview at $percent % outside ticker and field ($differing pixels differ)" \
    test "$differing" == 0
}

# open_at PERCENT: a fresh Wine session at that scale with setup.exe's window up;
# the screenshot of its client area is $kept/NAME.png.
open_at() {  # open_at PERCENT NAME
  percent=$1
  [ -n "$SETUP_PID" ] && { kill "$SETUP_PID" 2>/dev/null || true; SETUP_PID=""; }
  if [ -n "${WINE_ENV_DIR:-}" ]; then wine_env_stop; fi
  wine_env_start || exit 1
  wine_set_dpi $((96 * percent / 100)) || exit 1
  start_setup || exit 1
  sleep 1
  import -window root -crop "$(scaled 450)x$(scaled 207)+100+100" +repage "$kept/$2.png"
}

# The client area: aware of the DPI, at (100, 100), the size at the scale.
window_at_scale() {
  local x y width height
  check "$1: the window's DPI is $((96 * percent / 100))" equal "$(probe dpi "$WINDOW" | tr -d '\r')" $((96 * percent / 100))
  read -r x y width height < <(probe rect "$WINDOW" | tr -d '\r')
  check "$1: client area at (100, 100) ($x, $y)" equal "$x $y" "100 100"
  check "$1: client area 450 x 207 at $percent % ($width x $height)" \
    within_one "$width" "$height" "$(scaled 450)" "$(scaled 207)"
}

# The path field where the 100 % field (38,69)-(234,89) lies, scaled, with its
# text whole as the control lays it out in its own font: the text's extent and a
# line's height within its client area (the probe's text-fit, with the field
# clicked for the caret). Sets line to that height.
field_whole() {
  local x y width height right
  read -r x y width height < <(probe control-rect "$WINDOW" 1005 | tr -d '\r')
  check "$1: the field's client area within (38,69)-(234,89) at $percent % ($((x - 100)),$((y - 100)) ${width}x$height)" \
    test $((x - 100)) -ge "$(scaled 38)" -a $((y - 100)) -ge "$(scaled 69)" \
         -a $((x - 100 + width)) -le "$(scaled 234)" -a $((y - 100 + height)) -le "$(scaled 89)" \
         -a "$width" -ge $(($(scaled 196) - 6)) -a "$height" -ge $(($(scaled 20) - 6))
  xdotool mousemove $((x + width / 2)) $((y + height / 2)) sleep 0.2 click 1
  sleep 0.5
  read -r right line width height < <(probe text-fit "$WINDOW" 1005 | tr -d '\r')
  check "$1: the field's text is whole (${right:-?} px wide, lines ${line:-?} px, in ${width}x$height)" \
    test "${right:-9999}" -le "$width" -a "${line:-9999}" -le "$height"
}

for percent in 100 150 200; do
  open_at "$percent" "window-$percent"
  window_at_scale "setup.exe at $percent %"
  check "setup.exe at $percent %: the field shows the default destination" \
    equal "$(get_path)" "$PROGRAM_FILES\\Tolvik\\Pellumar"
  field_whole "setup.exe at $percent %"
  [ "$percent" = 100 ] && line100=$line
  # The field's font follows the scale: a line as tall as at 100 % times the scale, +-20 %.
  check "setup.exe at $percent %: the field's lines ${line} px tall (100 %: ${line100} px)" \
    test $((line * 100 * 100)) -ge $((line100 * percent * 80)) -a $((line * 100 * 100)) -le $((line100 * percent * 120))
  [ "$percent" = 100 ] || same_as_preview "window-$percent" "$CONTAINER"
done

# Moved to a monitor of another scale (the probe sends WM_DPICHANGED, as Wine
# has one screen): the window opened at 100 % is made again at 200 %, its corner
# kept (the message's rectangle is not setup's to read), as if it had opened
# there; sent back to 96 DPI it is the 100 % window again.
open_at 100 before-move
for dpi in 192 96; do
  percent=$((dpi * 100 / 96))
  probe dpi-changed "$WINDOW" "$dpi" >/dev/null
  sleep 1
  check "WM_DPICHANGED to $dpi DPI: client area at (100, 100), 450 x 207 at $percent %" \
    equal "$(probe rect "$WINDOW" | tr -d '\r')" "100 100 $(scaled 450) $(scaled 207)"
  import -window root -crop "$(scaled 450)x$(scaled 207)+100+100" +repage "$kept/moved-$percent.png"
  same_as_preview "moved-$percent" "$CONTAINER"
  field_whole "WM_DPICHANGED to $dpi DPI"
done

# A vendor skin drawn at 100 % only, made with the kit: enlarged pixel for pixel.
work=$kept/vendor
mkdir "$work"
"$TKDS" new "$work/skin100" >/dev/null
sed -i '/^Scales/d' "$work/skin100/container.manifest"
check "tkds make makes the setup with 100 % art only" \
  "$TKDS" make "$work/skin100/container.manifest" -o "$work/setup.exe" --arch "$KIT_ARCH" --stubs "$STUBS" --quiet
check "tkds build makes its container" "$TKDS" build "$work/skin100/container.manifest" -o "$work/skin100.tkds" \
  -D UNINSTALL="$STUBS/$KIT_ARCH/TKUNTOOL.EXE" --quiet
check "the container holds no scaled art" test -z "$("$TKDS" list "$work/skin100.tkds" | grep Scales)"
SETUP_EXE=$work/setup.exe
open_at 200 vendor-200
window_at_scale "100 % art at 200 %"
same_as_preview vendor-200 "$work/skin100.tkds"
