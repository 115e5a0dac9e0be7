# The start both X smoke scripts share; sourced by them, never run alone.
# Usage: source xvfb_common.sh <log name> <tool>...
# What smoke_common.sh gives, and a private virtual X server in $DISPLAY.

smoke_log=$1
shift
source "$(dirname "${BASH_SOURCE[0]}")/smoke_common.sh" "$smoke_log" Xvfb "$@"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
await 20 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(cat "$work/display")"
