# The start every smoke script shares; sourced by them, never run alone.
# Usage: source smoke_common.sh <log name> <tool>...
# Skips the test (status 77) when a tool is missing, then gives the script a
# scratch folder $work (removed at the end with every process in $pids),
# fail (which shows $work/<log name>.log) and await.

smoke_log=$1
shift
# xdotool reads window titles through the C library's locale, and a plain C
# locale (a fresh machine, a login without one) cannot hold the Chinese
# ones: a search for "网络设置" would find nothing.
export LC_ALL=C.UTF-8
for tool in "$@"; do
  command -v "$tool" >/dev/null || { echo "smoke: $tool is missing (scripts/install-deps)"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "smoke: FAILED: $*" >&2
  [[ -f "$work/$smoke_log.log" ]] && sed "s/^/$smoke_log: /" "$work/$smoke_log.log" >&2
  exit 1
}

# Waits up to $1 seconds for the command after it to succeed.
await() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

