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
# An X server of our own on a display number it picks itself (-displayfd): xvfb-run -a
# guesses a free number from lock files, and test runs started side by side then race
# for the same display and lose its server halfway.
display_file="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -f "$display_file"' EXIT
for _ in $(seq 200); do
  [ -s "$display_file" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
[ -s "$display_file" ] || { echo "the virtual X server did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$display_file")"
unset XAUTHORITY
ctest --output-on-failure -j"$(nproc)" "$@"
