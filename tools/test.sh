#!/usr/bin/env bash
# Builds and runs every test; GUI tests run in a virtual X server of their own.
# TORVEX_SANITIZE=address (or thread) builds and tests with sanitizers in a build folder of its own.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/tools/deps.sh"
sanitize="${TORVEX_SANITIZE:-}"
build="$here/build${sanitize:+-$sanitize}"
# TORVEX_BUILD_TYPE and TORVEX_BENCH let CI build its sanitizer pass unoptimised and without the
# benchmark programs, which halves that pass's compile time.
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE="${TORVEX_BUILD_TYPE:-RelWithDebInfo}" -DTORVEX_SANITIZE="$sanitize" \
  -DTORVEX_BENCH="${TORVEX_BENCH:-ON}" >/dev/null
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

# The X server picks a free display number itself (-displayfd), so test runs started at
# the same time on one machine never share, or kill, each other's server. It must not
# reset when its last client leaves (-noreset): a test program that connects during the
# reset is hung up on and cannot start, which happens whenever the short GUI test
# programs leave the server empty for a moment.
fifo="$(mktemp -u)"
mkfifo "$fifo"
Xvfb -displayfd 3 -noreset -screen 0 1600x1200x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true; rm -f "$fifo"' EXIT
read -r display < "$fifo"
export DISPLAY=":$display"

cd "$build"
status=0
ctest --output-on-failure -j"$(nproc)" "$@" || status=$?

# The cases that measure texts run once more under the fonts of a fresh Debian, which has
# only DejaVu: a text that fits in one font can be cut in another. Only the cases of the
# selection asked for run again; the sanitizer passes leave them out, fonts being no matter
# of memory.
if [ -z "$sanitize" ]; then
  measuring='ReadableTexts\.|SettingsLayout\.|LoopPictures\.|StatusFrameTest\.EveryBlockIsInsideTheWindow|SettingsTest\.OptionButtonsAreNamedPushButtons|FlashingStatusBarTest\.ABlinkRepaintsOnlyWhereTheTextsStand'
  measuring+='|DiagnoseTest\.SmallPanelsStandSideBySideWhole|PrintoutTest\.CatalogueLinesPrintWhole'
  # Each chosen case by its exact name, its regular-expression characters escaped.
  names="$(ctest -N "$@" | sed -n 's/^ *Test *#[0-9]*: //p' | { grep -E "$measuring" || true; } |
    sed 's/[][\.*^$()+?{}|]/\\&/g; s/.*/^&$/' | paste -sd '|')"
  if [ -n "$names" ]; then
    fonts="$(mktemp -d)"
    trap 'kill "$xvfb" 2>/dev/null || true; rm -f "$fifo"; rm -rf "$fonts"' EXIT
    printf '%s\n' "<fontconfig><dir>/usr/share/fonts/truetype/dejavu</dir><cachedir>$fonts/cache</cachedir>" \
      '<include ignore_missing="yes">/etc/fonts/conf.d</include></fontconfig>' > "$fonts/fonts.conf"
    echo "The cases that measure texts, under the DejaVu fonts alone:"
    FONTCONFIG_FILE="$fonts/fonts.conf" ctest --output-on-failure -j"$(nproc)" "$@" -R "$names" || status=$?
  fi
fi
exit "$status"
