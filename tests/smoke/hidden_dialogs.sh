#!/usr/bin/env bash
# Opens the two hidden dialogs on a private virtual X server through the
# handlers of their menu items: each must appear with its caption and size,
# centred on the main window, and close with its "返回" button. A screenshot
# of each is kept in $SMOKE_SCREENSHOT_DIR when that is set.
# Usage: hidden_dialogs.sh <path of the dialogs driver>
set -euo pipefail

driver=$1
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_common.sh" driver xdotool import identify

export VANTORA_REGISTRY="$work/registry.reg"
export VANTORA_UPLOAD_RECORD="$work/uploads.sqlite"
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\software\\Info]\n"fuser"="111"\n"fpassword"="secret"\n' >"$VANTORA_REGISTRY"

"$driver" >"$work/driver.log" 2>&1 &
driver_pid=$!
pids+=("$driver_pid")

main=$(timeout 30 xdotool search --sync --onlyvisible --name '^Vantora V' | head -n 1) || true
[[ -n "$main" ]] || fail "the main window did not appear"

# centre <window>: "x y" of the window's centre on the screen.
centre() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
}

# check_dialog <title> <size> <name> <x y of 返回>
check_dialog() {
  local title=$1 size=$2 name=$3 back_x=$4 back_y=$5 window
  window=$(timeout 30 xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1) || true
  [[ -n "$window" ]] || fail "the dialog $title did not appear"
  local geometry
  geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
  [[ "$geometry" == "$size" ]] || fail "$title is $geometry, not $size"
  read -r mx my < <(centre "$main")
  read -r dx dy < <(centre "$window")
  ((${mx} - ${dx} <= 2 && ${dx} - ${mx} <= 2 && ${my} - ${dy} <= 2 && ${dy} - ${my} <= 2)) ||
    fail "$title is centred at $dx,$dy, the main window at $mx,$my"
  sleep 0.3  # let the first paint reach the server before the screenshot
  import -window "$window" "$work/$name.png"
  [[ "$(identify -format '%wx%h' "$work/$name.png")" == "$size" ]] || fail "the screenshot of $title is not $size"
  [[ -n "${SMOKE_SCREENSHOT_DIR:-}" ]] && cp "$work/$name.png" "$SMOKE_SCREENSHOT_DIR/"
  xdotool mousemove --window "$window" "$back_x" "$back_y" click 1
  timeout 20 bash -c "while xdotool search --onlyvisible --name '^$title\$' >/dev/null 2>&1; do sleep 0.1; done" ||
    fail "$title did not close on 返回"
}

check_dialog "网络设置" 368x130 net-form 125 108
check_dialog "照片上传" 485x219 sc-form 309 196

timeout 20 tail --pid="$driver_pid" -f /dev/null || fail "the station did not end after both dialogs"
status=0
wait "$driver_pid" || status=$?
[[ $status -eq 0 ]] || fail "the driver ended with status $status"
echo "smoke: both hidden dialogs passed"
