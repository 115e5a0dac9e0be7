#!/usr/bin/env bash
# Drives the real station window on a private virtual X server: the title
# and size, the ID box's typing filter and normalisation, the clipboard
# intake from another program, a screenshot, and the exit button.
# Usage: real_window.sh <path of the vantora binary>
set -euo pipefail

station=$1
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_common.sh" station xdotool xclip import identify

mkdir "$work/photos"
export VANTORA_REGISTRY="$work/registry.reg"
export VANTORA_UPLOAD_RECORD="$work/uploads.sqlite"
cat >"$VANTORA_REGISTRY" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\software\\Vendor]
"keep"=dword:00000007

[HKEY_CURRENT_USER\\software\\Info]
"fuser"="111"
"PhotoPath"="$work/photos"
REG

"$station" >"$work/station.log" 2>&1 &
station_pid=$!
pids+=("$station_pid")
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Vantora V' | head -n 1) || true
[[ -n "$window" ]] || fail "the station's window did not appear"

title=$(xdotool getwindowname "$window")
[[ "$title" == "Vantora V2014年6月20日  " ]] || fail "title is '$title'"
size=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
[[ "$size" == "485x378" ]] || fail "window size is $size"

# The ID box lies at y 320..344 below the menu bar; 352 is inside it for any
# menu bar between 8 and 32 pixels high. "退出" is at x 416..466 on that row.
box=(150 352)
exit_button=(441 352)

# What the box holds: a double click selects its one word into the PRIMARY
# selection, which another program can read.
box_text() {
  xdotool mousemove --window "$window" "${box[@]}" click --repeat 2 --delay 60 1
  xclip -o -selection primary 2>/dev/null || true
}
box_is() { [[ "$(box_text)" == "$1" ]]; }

await 10 box_is "111" || fail "the last ID was not restored (box: '$(box_text)')"

xdotool mousemove --window "$window" "${box[@]}" click 1
xdotool key --window "$window" End BackSpace BackSpace BackSpace
xdotool type --window "$window" --delay 20 '1234a b5x'
await 10 box_is "12345X" || fail "typing gave '$(box_text)', not 12345X"

printf 'photo123456789012345678' | xclip -quiet -selection clipboard >/dev/null 2>&1 &
pids+=($!)
await 10 box_is "123456789012345678" || fail "the clipboard gave '$(box_text)'"

import -window "$window" "$work/shot.png"
shot_size=$(identify -format '%wx%h' "$work/shot.png")
[[ "$shot_size" == "485x378" ]] || fail "screenshot is $shot_size"
[[ -n "${SMOKE_SCREENSHOT:-}" ]] && cp "$work/shot.png" "$SMOKE_SCREENSHOT"

xdotool mousemove --window "$window" "${exit_button[@]}" click 1
timeout 20 tail --pid="$station_pid" -f /dev/null || fail "the station did not end after 退出"
status=0
wait "$station_pid" || status=$?
[[ $status -eq 0 ]] || fail "the station ended with status $status"
grep -q '"keep"=dword:00000007' "$VANTORA_REGISTRY" || fail "the settings file lost a value"
echo "smoke: the real window passed"
