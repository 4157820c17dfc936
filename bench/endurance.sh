#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Endurance: the window against a simulated watch that is pulled out and plugged in again 1,000
# times while 100 mark imports run, with resident memory, descriptors and threads sampled.
#   bash bench/endurance.sh [BUILD_DIR]            Linux, on Xvfb (offscreen without one)
#   bash bench/endurance.sh --wine [BUILD_DIR]     the Windows build under wine, 100 plugs
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ ${1:-} == --wine ]]; then
  build=${2:-build-windows}
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash scripts/wine-run.sh \
    "$build/tests/app/veldrant_endurance.exe" --plugs "${PLUGS:-100}" --imports "${IMPORTS:-10}" \
    -platform windows
fi
build=${1:-build}
cmake --build "$build" --target veldrant_endurance >/dev/null
QT_QPA_PLATFORM=xcb exec xvfb-run -a -s "-screen 0 1024x768x24" \
  "$build/tests/app/veldrant_endurance" --plugs "${PLUGS:-1000}" --imports "${IMPORTS:-100}"
