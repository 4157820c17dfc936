#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows setup program and portable zip under wine, in a fresh wine prefix: the zip unpacks
# to the staged folder byte for byte; setup.exe /S installs that folder into
# %LOCALAPPDATA%\Programs\Veldrant with the Start-menu shortcut and the Uninstall key, the
# installed veldrant-cli.exe runs, the installed window takes Qt and its plugins from its own
# folder, and while it runs neither setup.exe nor uninstall.exe goes ahead; uninstall.exe /S
# removes every file it installed, the shortcut and the key, and leaves a file the user put
# into the folder.
# Usage: installer.sh WINDOWS_BUILD_DIR   (after the windows-installer and windows-portable
# targets; with the window built, on an X server: xvfb-run -a bash tests/windows/installer.sh ...)
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")/../.." && pwd)
version=$(sed -n 's/^project(Veldrant VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
name=Veldrant-$version-win64
stage=$build/package/$name
setup=$build/package/$name-setup.exe
zip=$build/package/$name.zip
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Veldrant'
fail() { echo "FAIL: $*"; exit 1; }
for f in "$stage" "$setup" "$zip"; do [[ -e $f ]] || fail "$f is missing"; done

export VELDRANT_WINEPREFIX=$build/wine-setup
export WINEPREFIX=$VELDRANT_WINEPREFIX
# No Mono or Gecko prompts, and no desktop entries on this machine for the shortcut.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
wineserver=$(dirname "$(command -v wine64 || echo /usr/lib/wine/wine64)")/wineserver
work=$(mktemp -d "${TMPDIR:-/tmp}/veldrant-setup-XXXXXX")
trap '"$wineserver" -k 2>/dev/null || true; rm -rf "$work"' EXIT
win() { "$here/scripts/wine-run.sh" "$@"; }
# Runs a program to its end and waits until every process it started has ended (the
# uninstaller copies itself to a temporary folder and runs from there).
win_wait() { win "$@" && "$wineserver" -w; }

# What must travel: the programs, and with the window Qt and its two plugins.
(cd "$stage" && find . -type f | sed 's|^\./||' | sort) >"$work/files"
expected=(veldrant-cli.exe veldrant-sim.exe LICENSE.txt README.txt licences/THIRD-PARTY.txt)
window=no
if [[ -f $stage/veldrant.exe ]]; then
    window=yes
    expected+=(veldrant.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll
               styles/qwindowsvistastyle.dll translations/qtbase_ja.qm licences/Qt-LGPL-3.0-only.txt
               licences/Qt-third-party.txt)
fi
for f in "${expected[@]}"; do grep -qxF "$f" "$work/files" || fail "$f is not in $stage"; done

# The portable zip: one folder, the staged one.
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$zip")
[[ $(ls "$work/zip") == "$name" ]] || fail "the zip's top level is $(ls "$work/zip"), not $name"
diff -r "$stage" "$work/zip/$name" >/dev/null || fail "the zip differs from $stage"

rm -rf "$VELDRANT_WINEPREFIX"
win_wait "$setup" /S || fail "setup.exe /S failed"
unix_path() { win winepath -u "$(win cmd /c echo "$1" | tr -d '\r')" | tr -d '\r'; }
dir=$(unix_path '%LOCALAPPDATA%\Programs\Veldrant')
link="$(unix_path '%APPDATA%')/Microsoft/Windows/Start Menu/Programs/Veldrant.lnk"
dir_win=$(win cmd /c echo '%LOCALAPPDATA%\Programs\Veldrant' | tr -d '\r')

# Every DLL that a program or DLL of the folder imports is in the folder or one of Windows' own
# (wine's system32 stands for those): a GCC runtime DLL, say, would be missing on a user's machine.
system32=$VELDRANT_WINEPREFIX/drive_c/windows/system32
while read -r f; do
    [[ $f == *.exe || $f == *.dll ]] || continue
    for dll in $(x86_64-w64-mingw32-objdump -p "$stage/$f" | sed -n 's/^\tDLL Name: //p'); do
        # API sets (api-ms-win-*) are names the loader maps onto Windows' own DLLs.
        [[ ${dll,,} == api-ms-win-* ]] && continue
        [[ -n $(find "$stage" "$system32" -maxdepth 2 -iname "$dll" -print -quit) ]] ||
            fail "$f needs $dll, which is neither in the folder nor one of Windows' own"
    done
done <"$work/files"

while read -r f; do cmp -s "$stage/$f" "$dir/$f" || fail "installed $f differs from the staged one"; done <"$work/files"
(cd "$dir" && find . -type f | sed 's|^\./||' | sort) >"$work/installed"
diff <(sort "$work/files" - <<<"uninstall.exe") "$work/installed" || fail "the installed files are not the staged ones and uninstall.exe"
if [[ $window == yes ]]; then
    [[ -f $link ]] || fail "no Start-menu shortcut $link"
    # The shortcut's target, as a Windows path (in the link's ANSI or UTF-16 strings).
    python3 - "$link" "$dir_win\\veldrant.exe" <<'PY' || fail "the shortcut does not point to veldrant.exe"
import sys
data, target = open(sys.argv[1], "rb").read().lower(), sys.argv[2].lower()
sys.exit(0 if target.encode() in data or target.encode("utf-16-le") in data else 1)
PY
fi

win reg query "$key" | tr -d '\r' >"$work/key"
value() { sed -n "s/^ *$1 *REG_[A-Z]* *//p" "$work/key"; }
[[ $(value DisplayName) == Veldrant ]] || fail "DisplayName: $(value DisplayName)"
[[ $(value DisplayVersion) == "$version" ]] || fail "DisplayVersion: $(value DisplayVersion)"
[[ -n $(value Publisher) ]] || fail "no Publisher"
[[ $(value UninstallString) == "\"$dir_win\\uninstall.exe\"" ]] || fail "UninstallString: $(value UninstallString)"
[[ $(value QuietUninstallString) == "\"$dir_win\\uninstall.exe\" /S" ]] || fail "QuietUninstallString: $(value QuietUninstallString)"
kib=$(($(find "$dir" -type f -exec cat {} + | wc -c) / 1024))
size=$(($(value EstimatedSize)))
((size >= kib - 8 && size <= kib + 8)) || fail "EstimatedSize $size KiB for $kib KiB of files"

out=$(win "$dir/veldrant-cli.exe" --version | tr -d '\r')
[[ $out == "veldrant-cli $version" ]] || fail "installed veldrant-cli.exe --version: $out"

if [[ $window == yes ]]; then
    # The installed window starts and takes Qt's DLLs and both plugins from its own folder.
    [[ -n ${DISPLAY:-} ]] || fail "the window needs an X server (run under xvfb-run)"
    WINEDEBUG=+loaddll "$here/scripts/wine-run.sh" "$dir/veldrant.exe" 2>"$work/loaddll" &
    windowpid=$!
    # Every DLL the process loaded, one Windows path a line.
    dlls() { sed -n 's/.*Loaded L"\([^"]*\)".*/\1/p' "$work/loaddll" | sed 's/\\\\/\\/g'; }
    for _ in $(seq 3000); do
        dlls | grep -qiF 'styles\qwindowsvistastyle.dll' && break
        kill -0 "$windowpid" 2>/dev/null || break
        sleep 0.1
    done
    dlls >"$work/dlls"
    for f in Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll 'platforms\qwindows.dll' 'styles\qwindowsvistastyle.dll'; do
        grep -qixF "$dir_win\\$f" "$work/dlls" ||
            fail "veldrant.exe did not load $f from its folder: $(grep -i qt "$work/dlls" | tr '\n' ' ')"
    done
    # While it runs, neither the setup program nor the uninstaller touches its files (a file
    # written or removed changes the folder's list of names and change times).
    snapshot() { find "$dir" -printf '%P %C@\n' | sort; }
    snapshot >"$work/before"
    ! win "$setup" /S || fail "setup.exe /S went ahead while Veldrant ran"
    ! win "$dir/uninstall.exe" /S "_?=$dir_win" || fail "uninstall.exe /S went ahead while Veldrant ran"
    snapshot | diff "$work/before" - || fail "files changed while Veldrant ran"
    win taskkill /F /IM veldrant.exe >/dev/null
    wait "$windowpid" || true
    "$wineserver" -w
fi

# A file of the user's in the folder stays; everything installed goes.
printf 'my notes\r\n' >"$dir/notes.txt"
win_wait "$dir/uninstall.exe" /S || fail "uninstall.exe /S failed"
[[ $(cd "$dir" && find . | sort | tr '\n' ' ') == ". ./notes.txt " ]] ||
    fail "after uninstalling, the folder holds: $(cd "$dir" && find . -mindepth 1)"
[[ $(cat "$dir/notes.txt") == $'my notes\r' ]] || fail "the user's file changed"
[[ ! -e $link ]] || fail "the shortcut is still there"
! win reg query "$key" >/dev/null 2>&1 || fail "the Uninstall key is still there"
rm -rf "$dir"

echo "ok: setup.exe $(wc -c <"$setup") bytes, zip $(wc -c <"$zip") bytes, $(wc -l <"$work/files") files installed and removed (window: $window)"
