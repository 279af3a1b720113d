#!/usr/bin/env bash
# Installs what is missing, builds, and starts Brevamoor from its run directory.
# Without a display (no DISPLAY) the game runs under a virtual X server for a
# few seconds, a screenshot of its window is saved, and the game is closed.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
# Only the game, its shaders and its images: the tests can wait for test.sh.
"$root/scripts/build.sh" bv_play
run="${BV_BUILD_DIR:-$root/build}/run"

if [ -n "${DISPLAY:-}" ]; then
  echo "play: starting the game in $run (log: $run/BVLog.log)"
  cd "$run"
  status=0
  ./Brevamoor || status=$?
  # The game always ends with status 1, a normal close included.
  [ "$status" -eq 1 ] || exit "$status"
  exit 0
fi

exec "$root/scripts/headless-play.sh" "$run"
