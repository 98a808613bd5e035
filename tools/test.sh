#!/usr/bin/env bash
# Builds and runs every test; GUI tests run in a virtual X server.
# TORVEX_SANITIZE=address (or thread) builds and tests with sanitizers in a build folder of its own.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/tools/deps.sh"
sanitize="${TORVEX_SANITIZE:-}"
build="$here/build${sanitize:+-$sanitize}"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVEX_SANITIZE="$sanitize" >/dev/null
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
cd "$build"
xvfb-run -a -s "-screen 0 1600x1200x24" ctest --output-on-failure -j"$(nproc)" "$@"
