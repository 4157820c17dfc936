#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds with warnings as errors, runs every test and checks the .deb;
# then the same for the Windows programs, cross-built and run under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh windows
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$(nproc)"
ctest --preset ci -j "$(nproc)"
bash scripts/check-package.sh build-ci
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)"
ctest --preset windows -j "$(nproc)"
bash tests/windows/end-to-end.sh build-ci build-windows
# The setup program and the portable zip, installed and removed under wine.
cmake --build --preset windows --target windows-installer windows-portable
xvfb-run -a -s "-screen 0 1024x768x24" bash tests/windows/installer.sh build-windows
