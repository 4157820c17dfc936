# SPDX-License-Identifier: MIT
# The .rpm's %post and %postun: applies or forgets the watch's udev rule at once, so that a watch
# already plugged in becomes usable without replugging. Where no udev daemon runs (containers,
# image builds) there is nothing to tell.
if [ -S /run/udev/control ] && command -v udevadm >/dev/null 2>&1; then
    udevadm control --reload-rules || :
    udevadm trigger --subsystem-match=hidraw --action=change || :
fi
