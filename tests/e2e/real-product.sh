#!/usr/bin/env bash
# A product of more than ten files and several megabytes, made with the real kit
# (tkds new, then tkds make with ten more payloads of random bytes): the counter
# shows megabytes, rounded up, with the skin's "MB" picture over its unit label;
# during the run the window answers messages within 100 ms (the probe sends one
# every 10 ms and allows no two misses in a row: a lone one is the scheduler of
# a loaded machine), and Esc and Cancel neither end it nor stop the run; every
# file is installed byte for byte.
#
# Arguments: the e2e scripts' four, then the stub folder (with x86/ and x64/).
source "$(dirname "$0")/e2e-lib.sh"
STUBS=$5
work=$(mktemp -d /tmp/real-product.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

"$TKDS" new vendor >/dev/null
extra=10
# The sample's files may end without a line break: the new lines start on their own.
echo >>vendor/container.manifest
echo >>vendor/content/Data.idoc
for i in $(seq 1 $extra); do
  head -c 1048576 /dev/urandom >"vendor/Part$i.bin"
  printf 'Data.part%d  Binary id=%d compress=yes file=Part%d.bin\n' "$i" $((200 + i)) "$i" >>vendor/container.manifest
  printf 'part%d,Part%d.bin,pit,f,f,Part %d\n' "$i" "$i" "$i" >>vendor/content/Data.idoc
done
check "tkds make makes the large setup" \
  "$TKDS" make vendor/container.manifest -o big-setup.exe --arch "$KIT_ARCH" --stubs "$STUBS"

# What the window must show, from the payload's sizes and the skin's own pictures:
# the kilobytes (whole, as the document counts them) in megabytes rounded up.
payload_bytes=$(cat vendor/product/Pellumar.exe vendor/product/License.txt vendor/Part*.bin | wc -c)
kilobytes=$((payload_bytes / 1024))
megabytes=$(((kilobytes + 1023) / 1024))
check "the product needs more than 9,999 KB ($kilobytes KB, $megabytes MB)" test "$kilobytes" -gt 9999
digits=$(printf '%4d' "$megabytes")
cells=()
for i in 0 1 2 3; do
  d=${digits:$i:1}
  if [ "$d" == " " ]; then cells+=(0); else cells+=($((d + 1))); fi
done
expected="$work/counter.expected.png"
convert vendor/skin/digits.png \
  \( -clone 0 -crop "13x19+$((cells[0] * 13))+0" \) \( -clone 0 -crop "13x19+$((cells[1] * 13))+0" \) \
  \( -clone 0 -crop "13x19+$((cells[2] * 13))+0" \) \( -clone 0 -crop "13x19+$((cells[3] * 13))+0" \) \
  -delete 0 +repage +append "$expected"
unit_width=$(($(identify -format %w vendor/skin/units.png) / 2))
unit_height=$(identify -format %h vendor/skin/units.png)
convert vendor/skin/units.png -crop "${unit_width}x${unit_height}+${unit_width}+0" +repage "$work/unit.expected.png"

e2e_start
SETUP_EXE="$work/big-setup.exe"
start_setup
dest="$PROGRAM_FILES\\Tolvik\\Pellumar"
shot="$E2E_WORK/window.png"
import -window root -crop 450x207+100+100 +repage "$shot"
convert "$shot" -crop 52x19+163+114 +repage "$E2E_WORK/counter.png"
convert "$shot" -crop "${unit_width}x${unit_height}+220+118" +repage "$E2E_WORK/unit.png"
check "the counter shows $megabytes in the digits' cells" \
  test "$(compare -metric AE "$E2E_WORK/counter.png" "$expected" null: 2>&1 || true)" == 0
check "the unit label shows the skin's MB picture" \
  test "$(compare -metric AE "$E2E_WORK/unit.png" "$work/unit.expected.png" null: 2>&1 || true)" == 0

started=$(date +%s%3N)
"$WINE64" "$PROBE_EXE" answers "$WINDOW" "$(wine_polls 60)" >"$E2E_WORK/answers" 2>&1 &
answers=$!
click_button $SETUP_BUTTON
echo "SETUP clicked $(($(date +%s%3N) - started)) ms after the probe started"
# Mid-run, Esc and Cancel (a click the run's thread would not survive if the
# window ended) are ignored until the run ends.
sleep 0.8
xdotool key Escape
probe press "$WINDOW" 2 >/dev/null || true
check "setup ends after installing" setup_ended 60
rc=0
wait "$answers" || rc=$?
check "the window answered within 100 ms throughout the run ($(tr -d '\r' <"$E2E_WORK/answers"))" test "$rc" -eq 0

check "Pellumar.exe is installed" cmp -s vendor/product/Pellumar.exe "$(unix_path "$dest\\Pellumar.exe")"
for i in $(seq 1 $extra); do
  check "Part$i.bin is installed byte for byte" cmp -s "vendor/Part$i.bin" "$(unix_path "$dest\\Part$i.bin")"
done
log='HKCU\Software\Tolvik\Pellumar\Uninstall'
check "log: TotalFiles" equal "$(reg_value "$log" TotalFiles)" "$((extra + 2))"
entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Pellumar'
check "the uninstall entry is written: the run went to its end" \
  equal "$(reg_value "$entry" DisplayName)" "Tolvik Pellumar 1.0 (Remove Only)"
