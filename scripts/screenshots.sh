#!/usr/bin/env bash
# Builds, then retakes the README's two pictures under a virtual X server:
# docs/screenshot.png, the game as the play command starts it (on a fixed
# seed), and docs/late-game.png, a scripted late game whose two territories
# meet. Both are 1280x720, the default window.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh"
build="${BV_BUILD_DIR:-$root/build}"

echo "screenshots: the opening view"
# The README's pictures show the scene at the window's full size.
export BREVAMOOR_RENDER_SCALE=1
BREVAMOOR_SEED="${BREVAMOOR_SEED:-7}" "$root/scripts/headless-play.sh" "$build/run" 8 "$root/docs/screenshot.png"

echo "screenshots: a late game"
cd "$build/run"
LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe \
  xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" ../tests/shot_late_game "$root/docs/late-game.png"
echo "screenshots: docs/screenshot.png and docs/late-game.png are up to date"
