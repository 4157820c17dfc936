#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs every Debian package that building, testing and looking at Veldrant needs.
# Idempotent: when everything is present it only runs dpkg-query and returns.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  clang clang-format libclang-rt-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libudev-dev libpng-dev
  nlohmann-json3-dev libcli11-dev libsqlite3-dev
  libdbus-1-dev dbus-daemon
  qt6-base-dev qt6-base-dev-tools libqt6svg6 libgl-dev qt6-translations-l10n
  fonts-ipafont-gothic fonts-noto-cjk
  xvfb xauth x11-apps imagemagick
  udev
  help2man lintian desktop-file-utils appstream appstream-compose dpkg-dev file man-db bash-completion
  rpm rpmlint
  # minizip and GeographicLib are compiled from Debian's source packages (apt-get source).
  debian-archive-keyring
)

# Extra groups: "vm" for the kernel HID test, "windows" for the Windows cross build and its
# tests under wine (nsis makes the setup program; tclsh makes SQLite's amalgamation).
for group in "$@"; do
  case "$group" in
    vm) PACKAGES+=(qemu-system-x86 busybox-static cpio) ;;
    windows) PACKAGES+=(g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 fonts-wine xvfb nsis
      python3 xdotool tcl) ;;
  esac
done

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq || true
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
