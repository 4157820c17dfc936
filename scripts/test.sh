#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds with warnings as errors, runs every test and checks the .deb;
# then the same for the Windows programs and the window, cross-built and run under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh windows
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$(nproc)"
ctest --preset ci -j "$(nproc)"
bash scripts/check-package.sh build-ci
# Qt for Windows: built from Debian's source the first time (about half an hour), then cached.
bash scripts/build-qt-mingw.sh >/dev/null
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"
# The window tests that need real Windows windows (menus, the shutdown block) run on an X server.
xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset windows -j "$(nproc)"
bash tests/windows/end-to-end.sh build-ci build-windows
# The setup program and the portable zip, installed and removed under wine.
cmake --build --preset windows --target windows-installer windows-portable
xvfb-run -a -s "-screen 0 1024x768x24" bash tests/windows/installer.sh build-windows
