#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb) of the given size, with the openbox window
# manager when asked; the command starts once the manager has taken the screen.
# usage: on_x.sh [--wm] [--screen WxH] [--scale F] -- COMMAND...
set -euo pipefail
wm=0
screen=1280x800
scale=
while [ $# -gt 0 ]; do
  case "$1" in
    --wm) wm=1; shift ;;
    --screen) screen=$2; shift 2 ;;
    --scale) scale=$2; shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
for tool in xvfb-run xprop openbox; do
  if ! command -v "$tool" > /dev/null; then
    echo "on_x.sh: $tool is missing (./scripts/setup installs it)" >&2
    exit 1
  fi
done
export KVP_ON_X_WM=$wm
if [ -n "$scale" ]; then
  export QT_SCALE_FACTOR=$scale
fi
exec xvfb-run -a -s "-screen 0 ${screen}x24 -nolisten tcp" bash -c '
  set -euo pipefail
  if [ "$KVP_ON_X_WM" = 1 ]; then
    openbox --sm-disable > /dev/null 2>&1 &
    wm_pid=$!
    trap "kill $wm_pid 2> /dev/null || true" EXIT
    # The manager announces itself on the root window once it manages the screen.
    for _ in $(seq 200); do
      if xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q "window id"; then
        break
      fi
      if ! kill -0 $wm_pid 2> /dev/null; then
        echo "on_x.sh: openbox did not start" >&2
        exit 1
      fi
      sleep 0.05
    done
    xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" || {
      echo "on_x.sh: openbox did not take the screen" >&2
      exit 1
    }
  fi
  "$@"
' on_x "$@"
