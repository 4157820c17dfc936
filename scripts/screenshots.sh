#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Takes pictures of the main window's tabs under Xvfb, against a simulated watch, into docs/.
#   bash scripts/screenshots.sh            # Linux: builds in build/ (or $BUILD_DIR) first
#   bash scripts/screenshots.sh windows    # Windows under wine: build-windows/ into docs/screenshots/windows
set -euo pipefail
cd "$(dirname "$0")/.."
# A screen larger than the window, 24-bit colour; -a picks a free display number.
xvfb=(xvfb-run -a -s "-screen 0 1024x768x24")
if [[ "${1:-}" == windows ]]; then
  bash scripts/install-deps.sh windows
  BUILD_DIR=${BUILD_DIR:-build-windows}
  if [[ ! -f "$BUILD_DIR/build.ninja" ]]; then
    cmake --preset windows >/dev/null
  fi
  cmake --build "$BUILD_DIR" --target veldrant_screenshots veldrant_logbook_screenshots veldrant
  mkdir -p docs/screenshots/windows
  # Qt's DLLs and plugins sit beside the program in the build tree; wine passes no QT_* variable,
  # so the platform is named on the command line.
  "${xvfb[@]}" bash scripts/wine-run.sh "$BUILD_DIR/tests/app/veldrant_screenshots.exe" \
    -platform windows docs/screenshots/windows
  xvfb-run -a -s "-screen 0 1280x900x24" bash scripts/wine-run.sh \
    "$BUILD_DIR/tests/app/veldrant_logbook_screenshots.exe" -platform windows docs/screenshots/windows
  exit 0
fi
bash scripts/install-deps.sh
BUILD_DIR=${BUILD_DIR:-build}
if [[ ! -f "$BUILD_DIR/build.ninja" ]]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja >/dev/null
fi
cmake --build "$BUILD_DIR" --target veldrant_screenshots veldrant_logbook_screenshots
"${xvfb[@]}" env QT_QPA_PLATFORM=xcb "$BUILD_DIR/tests/app/veldrant_screenshots" docs/screenshots
# The logbook window is resizable and larger than the main window.
xvfb-run -a -s "-screen 0 1280x900x24" env QT_QPA_PLATFORM=xcb \
  "$BUILD_DIR/tests/app/veldrant_logbook_screenshots" docs/screenshots
