#!/usr/bin/env bash
# A Wayland session whose X display cannot be reached (Xwayland did not
# start, or DISPLAY was left over from another session): the station comes up
# as a native Wayland client, its main window reaching a real compositor,
# instead of ending at start-up.
# Usage: wayland_fallback.sh <path of the vantora binary>
set -euo pipefail

station=$1
source "$(dirname "${BASH_SOURCE[0]}")/smoke_common.sh" station weston

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --socket=vantora-test --idle-time=0 >"$work/weston.log" 2>&1 &
pids+=($!)
await 20 test -S "$XDG_RUNTIME_DIR/vantora-test" || fail "weston did not start: $(cat "$work/weston.log")"

# An X display nobody serves.
n=4000
while [[ -e /tmp/.X11-unix/X$n ]]; do n=$((n + 1)); done
export DISPLAY=":$n" WAYLAND_DISPLAY=vantora-test XDG_SESSION_TYPE=wayland VANTORA_REGISTRY="$work/registry.reg" VANTORA_UPLOAD_RECORD="$work/uploads.sqlite"
unset QT_QPA_PLATFORM

# The client's own protocol log shows the window's title going to the
# compositor.
WAYLAND_DEBUG=client "$station" >"$work/station.log" 2>&1 &
station_pid=$!
pids+=("$station_pid")
shown() { grep -q 'set_title("Vantora V2014年6月20日  ")' "$work/station.log"; }
running() { kill -0 "$station_pid" 2>/dev/null; }
shown_or_ended() { shown || ! running; }
await 60 shown_or_ended || fail "the station neither showed its window nor ended within 60 s"
running || fail "the station ended at start-up"
grep -q 'could not connect to display' "$work/station.log" || fail "the X display was not tried first"
echo "smoke: the station came up on Wayland with DISPLAY=$DISPLAY unreachable"
