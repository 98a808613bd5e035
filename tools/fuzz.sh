#!/usr/bin/env bash
# Builds every fuzz target with clang and runs each for a few seconds (FUZZ_SECONDS), so
# that none of them stops building or finds an old fault again unnoticed. Any crash,
# sanitizer report or failed check fails the run.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/tools/deps.sh"
build="$here/build-fuzz"
seconds="${FUZZ_SECONDS:-5}"
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVEX_FUZZ=ON \
  -DTORVEX_BENCH=OFF >/dev/null
targets=()
for source in "$here"/tests/fuzz/fuzz_*.cpp; do
  targets+=("$(basename "$source" .cpp)")
done
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"
for target in "${targets[@]}"; do
  corpus="$(mktemp -d)"
  log="$(mktemp)"
  echo "== $target (${seconds}s)"
  status=0
  "$build/tests/fuzz/$target" -max_total_time="$seconds" "$corpus" >"$log" 2>&1 || status=$?
  tail -n 1 "$log"
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$log" >&2
    echo "$target failed" >&2
  fi
  rm -rf "$corpus" "$log"
  [ "$status" -eq 0 ] || exit "$status"
done
