#!/usr/bin/env bash
# Runs the built game from its run directory under a virtual X server, saves
# a screenshot of its window after a few seconds, then closes it with Escape.
# Usage: headless-play.sh <run directory> [seconds] [screenshot path]
set -euo pipefail

run="$(cd "$1" && pwd)"
seconds="${2:-${BV_PLAY_SECONDS:-8}}"
shot="${3:-$run/screenshot.png}"

if [ -z "${BV_INSIDE_XVFB:-}" ]; then
  export BV_INSIDE_XVFB=1 LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe
  echo "play: no display; starting a virtual X server"
  exec xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" "$0" "$run" "$seconds" "$shot"
fi

cd "$run"
echo "play: starting the game in $run (log: $run/BVLog.log)"
./Brevamoor &
game=$!
sleep "$seconds"

window="$(xdotool search --pid "$game" 2>/dev/null | head -n 1 || true)"
if [ -n "$window" ]; then
  import -window "$window" "$shot"
else
  import -window root "$shot"
fi
echo "play: screenshot saved to $shot"

# Escape closes the game; a build that does not handle it yet is ended.
if [ -n "$window" ]; then
  # No window manager runs here: focus the window ourselves, then type.
  xdotool windowfocus "$window" 2>/dev/null && xdotool key Escape 2>/dev/null || true
fi
for _ in $(seq 1 50); do
  kill -0 "$game" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$game" 2>/dev/null; then
  kill "$game" 2>/dev/null || true
  wait "$game" 2>/dev/null || true
  echo "play: the game did not close on Escape; it was ended"
  exit 1
fi
status=0
wait "$game" || status=$?
echo "play: the game closed on Escape with exit status $status (1 is its normal status)"
