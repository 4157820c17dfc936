#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Takes pictures of the main window's tabs under Xvfb, against a simulated watch, into docs/.
#   bash scripts/screenshots.sh            # builds in build/ (or $BUILD_DIR) first
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
if [[ ! -f "$BUILD_DIR/build.ninja" ]]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja >/dev/null
fi
cmake --build "$BUILD_DIR" --target veldrant_screenshots
# A screen larger than the window, 24-bit colour; -a picks a free display number.
xvfb-run -a -s "-screen 0 1024x768x24" \
  env QT_QPA_PLATFORM=xcb "$BUILD_DIR/tests/app/veldrant_screenshots" docs/screenshots
