#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Writes the notices of the third-party code built into Qt's Core, Gui and Widgets DLLs (and the
# Windows platform plugin) from the qt_attribution.json files of Qt's source tree, with each
# component's licence text.   qt-notices.py QT_SOURCE_DIR OUTPUT
import json
import pathlib
import sys

# Parts of qtbase that our Qt build leaves out (other platforms, modules or features switched
# off in scripts/build-qt-mingw.sh).
NOT_BUILT = {
    "VulkanMemoryAllocator", "android-native-style", "android-gradle-wrapper", "forkfd",
    "libjpeg", "vera_font", "dejayvu", "xcb-xinput", "qeventdispatcher_cf",
    "cocoa-platform-plugin", "vulkan-xml-spec", "opengl-es2-headers",
}
MODULES = {"qtcore", "qtgui", "qtwidgets"}


def entries(source):
    for path in sorted((source / "src").rglob("qt_attribution.json")):
        if "tests" in path.parts or "examples" in path.parts:
            continue
        # Qt's own files keep line breaks inside strings, which strict JSON refuses.
        data = json.loads(path.read_text(encoding="utf-8"), strict=False)
        for entry in data if isinstance(data, list) else [data]:
            if entry.get("QDocModule") in MODULES and entry.get("Id") not in NOT_BUILT:
                yield path.parent, entry


def main():
    source, output = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    parts = [
        "Third-party code inside Qt's DLLs\n"
        "=================================\n\n"
        "Qt 6 (Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll and the plugins) carries the following\n"
        "components, each under its own licence.\n"
    ]
    for folder, entry in entries(source):
        head = f"{entry.get('Name', entry['Id'])}"
        if entry.get("Version"):
            head += f" {entry['Version']}"
        lines = ["", "-" * 72, head, ""]
        if entry.get("Homepage"):
            lines.append(f"Homepage: {entry['Homepage']}")
        lines.append(f"Licence: {entry.get('License', 'see below')}")
        if entry.get("Copyright"):
            lines += ["", entry["Copyright"].strip()]
        names = entry.get("LicenseFiles") or ([entry["LicenseFile"]] if entry.get("LicenseFile") else [])
        for name in names:
            text = (folder / name).read_text(encoding="utf-8", errors="replace").strip()
            lines += ["", text]
        parts.append("\n".join(lines) + "\n")
    output.write_text("".join(parts).replace("\r\n", "\n").replace("\n", "\r\n"), encoding="utf-8")


if __name__ == "__main__":
    main()
