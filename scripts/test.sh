#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under a virtual X
# server with Mesa's software renderer. Exits non-zero on any failure.
# BV_SANITIZE=1 runs the suite built with address and undefined-behaviour sanitizers.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"

if [ "${BV_SANITIZE:-0}" = "1" ]; then
  build="${BV_BUILD_DIR:-$root/build-sanitize}"
  export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
  export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
else
  build="${BV_BUILD_DIR:-$root/build}"
fi

export LIBGL_ALWAYS_SOFTWARE=1
export GALLIUM_DRIVER=llvmpipe
echo "test: running ctest in $build under Xvfb"
cd "$build"
xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" sh -c '
  # Say once which OpenGL implementation the GL tests run on.
  (cd run && ../tests/test_app --gtest_filter=-* | grep "GL renderer")
  exec ctest --output-on-failure "$@"' sh "$@"
