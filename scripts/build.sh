#!/usr/bin/env bash
# Configures and builds Brevamoor into build/ (or the folder BV_BUILD_DIR names).
# Arguments name the targets to build (bv_play: only what playing needs);
# without any, everything is built, tests and benchmarks included. Either way
# the folder is configured the same, so the two share what they compiled.
# BV_SANITIZE=1 builds with address and undefined-behaviour sanitizers.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
sanitize="${BV_SANITIZE:-0}"
if [ "$sanitize" = "1" ]; then
  build="${BV_BUILD_DIR:-$root/build-sanitize}"
  options=(-DBV_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
else
  build="${BV_BUILD_DIR:-$root/build}"
  options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi

echo "build: configuring $build"
cmake -S "$root" -B "$build" "${options[@]}" >/dev/null
if [ $# -gt 0 ]; then
  echo "build: compiling $*"
  cmake --build "$build" -j"$(nproc)" --target "$@"
else
  echo "build: compiling everything"
  cmake --build "$build" -j"$(nproc)"
fi
echo "build: done; the game and its resources are in $build/run"
