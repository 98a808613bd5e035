#!/usr/bin/env bash
# Installs what is missing, builds, and starts Torvex beside the simulated drive on 127.0.0.1.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
bash "$here/tools/deps.sh"
cmake -S "$here" -B "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$here/build" -j"$(nproc)" --target torvex torvex-drivesim
"$here/build/tools/drivesim/torvex-drivesim" --tcp 127.0.0.1 &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
cd "$here/build"
"$here/build/torvex"
