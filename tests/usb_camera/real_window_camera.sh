#!/usr/bin/env bash
# The real station window on a virtual X server with an emulated USB camera:
# the camera is listed under its name, chosen through the menu, previewed,
# and "拍照" / "保存" write the camera's own frame; unplugged while
# previewed, the preview shows no picture and "拍照" says so; plugged back
# in, or replaced by a new one of the same model in another port, the same
# menu item previews it again, without a restart.
# Usage: real_window_camera.sh <vantora> <usb_camera_emulator> <coded_portrait_check>
set -euo pipefail

station=$1 emulator=$2 checker=$3
source "$(dirname "${BASH_SOURCE[0]}")/../smoke/xvfb_common.sh" station xdotool import convert

camera="Vantora Window Webcam"
coproc cameras { exec "$emulator" --camera "$camera" --modes "yuyv640x480@30+mjpg1280x720@30"; }
pids+=("$cameras_PID")
station_env=()
while read -r -t 60 line <&"${cameras[0]}"; do
  [[ "$line" == ready ]] && break
  station_env+=("$line")
done
[[ ${#station_env[@]} -gt 0 ]] || fail "the emulated camera did not start"
# Sends a command to the emulator and returns its answer.
ask() {
  echo "$*" >&"${cameras[1]}"
  local answer
  read -r -t 20 answer <&"${cameras[0]}" || fail "the emulator did not answer '$*'"
  [[ "$answer" == ok* ]] || fail "the emulator answered '$answer' to '$*'"
  echo "$answer"
}

mkdir "$work/photos"
export VANTORA_REGISTRY="$work/registry.reg"
export VANTORA_UPLOAD_RECORD="$work/uploads.sqlite"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\Info]\n"PhotoPath"="%s"\n' "$work/photos" >"$VANTORA_REGISTRY"

env "${station_env[@]}" ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" \
  "$station" >"$work/station.log" 2>&1 &
station_pid=$!
pids+=("$station_pid")
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Vantora V' | head -n 1) || true
[[ -n "$window" ]] || fail "the station's window did not appear"

# Places on the window (see tests/smoke/real_window.sh): the menu bar's first
# title "视频来源"; the ID box and the buttons on the row at y 352; the live
# picture inside the video panel, below the menu bar.
menu=(30 10)
box=(150 352)
take=(273 352)
save=(329 352)

# The share of the preview that is the control's own blue (no picture).
blue_share() {
  import -window "$window" "$work/shot.png"
  convert "$work/shot.png" -crop 200x200+20+60 +repage -fill black +opaque "#0000FF" \
    -fill white -opaque "#0000FF" -format "%[fx:mean]" info:
}
live() { [[ $(blue_share) == 0* ]] && awk "BEGIN{exit !($(blue_share) < 0.05)}"; }
no_picture() { awk "BEGIN{exit !($(blue_share) > 0.9)}"; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

choose_camera() {
  xdotool mousemove --window "$window" "${menu[@]}" click 1
  sleep 0.3
  xdotool key Down Return
}

choose_camera
await 20 live || fail "the camera's picture did not appear (blue share $(blue_share))"

xdotool mousemove --window "$window" "${box[@]}" click 1
xdotool key --window "$window" ctrl+a BackSpace
xdotool type --window "$window" --delay 20 "110101"
xdotool mousemove --window "$window" "${take[@]}" click 1
sleep 0.3
xdotool mousemove --window "$window" "${save[@]}" click 1
await 10 test -s "$work/photos/110101.jpg" || fail "保存 wrote no photo"
# The station picks MJPG 1280x720 from this camera; the photo is its picture.
"$checker" "$work/photos/110101.jpg" 1280 720 || fail "the photo is not the camera's frame"

# Unplugged while previewed: no picture, and "拍照" says so.
start=$(now_ms)
ask unplug 0 >/dev/null
await 10 no_picture || fail "the preview still shows a picture after the camera went"
echo "smoke: unplugged camera -> no picture shown after $(($(now_ms) - start)) ms (screenshot polling included)"
xdotool mousemove --window "$window" "${take[@]}" click 1
info=$(timeout 10 xdotool search --sync --onlyvisible --name '^Information$' | head -n 1) || true
[[ -n "$info" ]] || fail "拍照 showed no box for a camera without picture"
xdotool key Return  # the modal box has the focus

# Plugged back in (under whatever node it gets): the same item previews it.
ask plug 0 >/dev/null
chosen_again() { choose_camera; await 3 live; }
await 20 chosen_again || fail "the camera plugged back in did not preview again"

# The usual repair at a site: the camera goes, and a new one of the same model
# comes in another port. The same item previews the new camera.
ask unplug 0 >/dev/null
await 10 no_picture || fail "the preview still shows a picture after the camera went for good"
ask add 9 "yuyv640x480@30+mjpg1280x720@30" "$camera" >/dev/null
await 20 chosen_again || fail "a new camera of the same model in another port did not preview"

xdotool mousemove --window "$window" 441 352 click 1
timeout 20 tail --pid="$station_pid" -f /dev/null || fail "the station did not end after 退出"
status=0
wait "$station_pid" || status=$?
[[ $status -eq 0 ]] || fail "the station ended with status $status"
echo "smoke: the real window with an emulated USB camera passed"
