#!/usr/bin/env bash
# The window as a user first sees it: at (100, 100), 450 x 207, cut to its
# outline (the desktop shows through the gaps), painted exactly as tkds preview
# renders the same container (outside the moving ticker and the path field), the
# counter showing the kilobytes and the field the default destination.
source "$(dirname "$0")/e2e-lib.sh"
e2e_start

# A window of a colour that no skin pixel has lies beneath, so that the gaps of
# the outline can be told apart.
"$WINE64" "$PROBE_EXE" backdrop 120 &
probe wait Backdrop 30 >/dev/null
start_setup
sleep 1

check "client area at (100, 100), 450 x 207" equal "$(probe rect "$WINDOW" | tr -d '\r')" "100 100 450 207"
check "the field shows the default destination" equal "$(get_path)" "$PROGRAM_FILES\\Tolvik\\Pellumar"

shot="$E2E_WORK/window.png"
import -window root -crop 450x207+100+100 +repage "$shot"
"$TKDS" preview "$CONTAINER" -o "$E2E_WORK/preview.png"

pixel() { convert "$1" -format "%[hex:u.p{$2,$3}]" info: | cut -c1-6; }
for point in "200 38" "420 150" "447 40" "10 40" "440 100" "449 206"; do
  check "gap at ($point) shows the window beneath" equal "$(pixel "$shot" $point)" "FF00FF"
done
for point in "200 20" "200 150" "410 77" "436 50" "433 74"; do
  check "outline at ($point) shows the skin" test "$(pixel "$shot" $point)" != "FF00FF"
done

# Inside the outline, away from the ticker and the edit control, the window shows
# exactly what the preview renders from the container: background, the buttons in
# their normal state and the counter with the kilobytes.
mask="$E2E_WORK/mask.png"
convert -size 450x207 xc:black -fill white \
  -draw "rectangle 0,0 449,30" -draw "rectangle 0,46 394,206" \
  -draw "rectangle 395,71 429,83" -draw "rectangle 430,31 442,71" \
  -fill black -draw "rectangle 6,8 300,20" -draw "rectangle 38,69 233,88" "$mask"
for image in "$shot" "$E2E_WORK/preview.png"; do
  convert "$image" -alpha off "$mask" -compose multiply -composite "$image.masked.png"
done
differing=$(compare -metric AE "$shot.masked.png" "$E2E_WORK/preview.png.masked.png" null: 2>&1 || true)
check "the window matches tkds preview outside ticker and field ($differing pixels differ)" test "$differing" == 0
counter="$E2E_WORK/counter.png"
convert "$shot" -crop 52x19+163+114 +repage "$counter"
convert "$E2E_WORK/preview.png" -crop 52x19+163+114 +repage "$counter.expected.png"
check "the counter shows the kilobytes" test "$(compare -metric AE "$counter" "$counter.expected.png" null: 2>&1 || true)" == 0

# A press anywhere on the body drags the window.
xdotool mousemove 120 300 sleep 0.2 mousedown 1 sleep 0.2 mousemove 150 320 sleep 0.2 mousemove 170 330 sleep 0.2 mouseup 1
sleep 0.5
check "dragging the body moves the window" equal "$(probe rect "$WINDOW" | tr -d '\r')" "150 130 450 207"
