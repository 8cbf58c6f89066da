#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb) of the given size, with the openbox window
# manager when asked; the command starts once the manager has taken the screen.
# usage: on_x.sh [--wm] [--screen WxH] [--scale F] [--display N] -- COMMAND...
#
# Each test names a display of its own (--display): a number another test's server has just
# given up may still be going away, and a new server there can end up unreachable. Without
# one, or when it is taken, the server picks a free one itself (-displayfd).
set -euo pipefail
wm=0
screen=1280x800
scale=
display=
while [ $# -gt 0 ]; do
  case "$1" in
    --wm) wm=1; shift ;;
    --screen) screen=$2; shift 2 ;;
    --scale) scale=$2; shift 2 ;;
    --display) display=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
for tool in Xvfb xprop openbox; do
  if ! command -v "$tool" > /dev/null; then
    echo "on_x.sh: $tool is missing (./scripts/setup installs it)" >&2
    exit 1
  fi
done

state=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2> /dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2> /dev/null || true
  done
  rm -rf "$state"
}
trap cleanup EXIT

# Waits (at most 10 s) until the command given holds; a server that died ends the wait.
wait_for() {
  local what=$1
  shift
  for _ in $(seq 200); do
    if "$@"; then
      return 0
    fi
    for pid in "${pids[@]}"; do
      if ! kill -0 "$pid" 2> /dev/null; then
        echo "on_x.sh: $what: its process ended" >&2
        return 1
      fi
    done
    sleep 0.05
  done
  echo "on_x.sh: $what did not happen within 10 s" >&2
  return 1
}

# -noreset: a server resets when its last client leaves, and refuses connections while it
# does; the probe below is such a client, and the window manager or the program could
# knock in that moment.
start_server() {
  Xvfb "$@" -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset 3> "$state/display" \
    2> "$state/xvfb.log" &
  pids=($!)
}
# The number ends with a newline once the server is ready; a read before it may see only
# its first digits.
announced() { [ "$(wc -l < "$state/display")" -ge 1 ]; }
started=0
if [ -n "$display" ]; then
  start_server ":$display"
  if wait_for "the X server on :$display" announced 2> /dev/null; then
    started=1
  fi
fi
if [ "$started" = 0 ]; then
  start_server  # none named, or it is taken: the server picks a free one
  wait_for "the X server announcing its display" announced || {
    cat "$state/xvfb.log" >&2
    exit 1
  }
fi
export DISPLAY=":$(tr -d '[:space:]' < "$state/display")"
answers() { xprop -root > /dev/null 2>&1; }
wait_for "the X server $DISPLAY answering" answers || {
  cat "$state/xvfb.log" >&2
  exit 1
}

if [ "$wm" = 1 ]; then
  openbox --sm-disable > "$state/openbox.log" 2>&1 &
  pids+=($!)
  # The manager announces itself on the root window once it manages the screen.
  wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q "window id"; }
  wait_for "openbox taking the screen" wm_up || {
    cat "$state/openbox.log" >&2
    exit 1
  }
fi

if [ -n "$scale" ]; then
  export QT_SCALE_FACTOR=$scale
fi
"$@"
