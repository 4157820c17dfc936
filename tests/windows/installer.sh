#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows setup program and portable zip under wine, in a fresh wine prefix: the zip unpacks
# to the staged folder byte for byte; setup.exe /S installed over an older version (built here
# from the staged folder with files this version lacks) removes those files and installs the
# folder into %LOCALAPPDATA%\Programs\Veldrant with the Start-menu shortcut and the Uninstall key;
# the installed veldrant-cli.exe runs, the installed window takes Qt and its plugins from its own
# folder; while the window or veldrant-sim.exe runs neither setup.exe nor uninstall.exe goes
# ahead (exit status 2, nothing changed), and the setup program without /S asks to close it, asks
# again at Retry and gives up at Cancel; while another program holds one of its files open,
# uninstall.exe /S ends with 2 and keeps itself and its key; then it removes every file it
# installed, the shortcut and the key, and leaves a file the user put into the folder.
# Usage: installer.sh WINDOWS_BUILD_DIR   (after the windows-installer, windows-portable and
# windows_file_holder targets, on an X server: xvfb-run -a bash tests/windows/installer.sh ...)
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
expected=(veldrant-cli.exe veldrant-sim.exe LICENSE.txt README.txt licences/THIRD-PARTY.txt
          docs/README.md docs/course-description.md docs/course-description.example.json)
window=no
if [[ -f $stage/veldrant.exe ]]; then
    window=yes
    expected+=(veldrant.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll
               styles/qwindowsvistastyle.dll translations/qtbase_ja.qm licences/Qt-LGPL-3.0-only.txt
               licences/Qt-third-party.txt)
fi
for f in "${expected[@]}"; do grep -qxF "$f" "$work/files" || fail "$f is not in $stage"; done
# The documents the help points to: the source's, with CR LF line ends for Notepad.
for f in README.md docs/course-description.md docs/course-description.example.json; do
    sed 's/$/\r/' "$here/$f" | cmp -s - "$stage/docs/$(basename "$f")" || fail "docs/$(basename "$f") is not $f"
done

# The portable zip: one folder, the staged one.
mkdir "$work/zip"
(cd "$work/zip" && cmake -E tar xf "$zip")
[[ $(ls "$work/zip") == "$name" ]] || fail "the zip's top level is $(ls "$work/zip"), not $name"
diff -r "$stage" "$work/zip/$name" >/dev/null || fail "the zip differs from $stage"

# An older version: the same folder with a DLL and a plugin folder this version no longer has.
old=$work/old/Veldrant-1.00-win64
mkdir -p "$work/old/lists"
cp -r "$stage" "$old"
mkdir "$old/imageformats"
printf 'old\r\n' >"$old/Qt6Old.dll"
printf 'old\r\n' >"$old/imageformats/qold.dll"
cmake -DSTAGE="$old" -DOUT="$work/old/lists" -P "$here/packaging/windows/FileList.cmake"
old_window=()
[[ $window == yes ]] && old_window=(-DWINDOW=veldrant.exe)
makensis -V1 -WX -INPUTCHARSET UTF8 -DVERSION=1.00 -DFILE_VERSION=1.0.0.0 -DPUBLISHER=test \
    -DSTAGE="$old" -DLISTS="$work/old/lists" -DOUTFILE="$work/old/Veldrant-1.00-win64-setup.exe" \
    "${old_window[@]}" "$here/packaging/windows/veldrant.nsi" || fail "the older setup program"

rm -rf "$VELDRANT_WINEPREFIX"
win_wait "$work/old/Veldrant-1.00-win64-setup.exe" /S || fail "the older setup.exe /S failed"
unix_path() { win winepath -u "$(win cmd /c echo "$1" | tr -d '\r')" | tr -d '\r'; }
dir=$(unix_path '%LOCALAPPDATA%\Programs\Veldrant')
link="$(unix_path '%APPDATA%')/Microsoft/Windows/Start Menu/Programs/Veldrant.lnk"
dir_win=$(win cmd /c echo '%LOCALAPPDATA%\Programs\Veldrant' | tr -d '\r')
[[ -f $dir/imageformats/qold.dll ]] || fail "the older version was not installed"
printf 'my notes\r\n' >"$dir/notes.txt"
# This version over it: the older one's files go, the user's file stays.
win_wait "$setup" /S || fail "setup.exe /S over the older version failed"
for f in Qt6Old.dll imageformats; do
    [[ ! -e $dir/$f ]] || fail "$f of the older version is still there"
done
[[ $(cat "$dir/notes.txt") == $'my notes\r' ]] || fail "installing over the older version lost the user's file"
rm "$dir/notes.txt"

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

# While PROGRAM runs (its name in the question QUESTION): setup.exe /S and uninstall.exe /S end
# with 2 and touch nothing (a file written or removed changes the folder's list of names and
# change times), the key stays; the setup program without /S asks, asks again at Retry while it
# still runs, and ends with 2 at Cancel.
snapshot() { find "$dir" -printf '%P %C@\n' | sort; }
questions() { grep -ac 'MSGBOX_OnInit' "$work/trace" || true; }
refused_while_running() {
    local program=$1 question=$2 status
    snapshot >"$work/before"
    status=0; win "$setup" /S || status=$?
    [[ $status == 2 ]] || fail "setup.exe /S ended with $status while $program ran"
    status=0; win "$dir/uninstall.exe" /S "_?=$dir_win" || status=$?
    [[ $status == 2 ]] || fail "uninstall.exe /S ended with $status while $program ran"
    snapshot | diff "$work/before" - || fail "files changed while $program ran"
    win reg query "$key" >/dev/null 2>&1 || fail "the Uninstall key went while $program ran"

    [[ -n ${DISPLAY:-} ]] || fail "the setup program's question needs an X server (run under xvfb-run)"
    WINEDEBUG=+msgbox win "$setup" 2>"$work/trace" &
    local pid=$! asked
    for asked in 1 2; do
        for _ in $(seq 600); do
            (($(questions) >= asked)) && break
            kill -0 "$pid" 2>/dev/null || fail "setup.exe ended without asking (question $asked)"
            sleep 0.1
        done
        (($(questions) == asked)) || fail "setup.exe asked $(questions) times, not $asked"
        # Retry while it still runs asks again; Cancel gives up. The key goes to the question's
        # window once it is shown and has the focus.
        local box=
        for _ in $(seq 600); do
            box=$(xdotool search --onlyvisible --name '^Veldrant Setup$' 2>/dev/null | tail -n 1)
            [[ -n $box ]] && break
            sleep 0.1
        done
        [[ -n $box ]] || fail "no window shows setup.exe's question"
        xdotool windowfocus --sync "$box"
        if [[ $asked == 1 ]]; then xdotool key r; else xdotool key Escape; fi
    done
    for _ in $(seq 600); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "setup.exe did not end at Cancel"
    status=0; wait "$pid" || status=$?
    [[ $status == 2 ]] || fail "setup.exe ended with $status at Cancel"
    sed -n 's/.*MSGBOX_OnInit L"\(.*\)"$/\1/p' "$work/trace" | sort -u >"$work/asked"
    [[ $(cat "$work/asked") == "$question" ]] || fail "setup.exe asked: $(cat "$work/asked")"
    snapshot | diff "$work/before" - || fail "files changed while setup.exe asked"
}

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
    refused_while_running veldrant.exe "Veldrant is running. Close Veldrant, then choose Retry."
    win taskkill /F /IM veldrant.exe >/dev/null
    wait "$windowpid" || true
    "$wineserver" -w
fi
# The simulated watch runs from the folder too (its file is in use, Veldrant's mutex is not held).
win "$dir/veldrant-sim.exe" --name installer >"$work/sim.log" 2>&1 &
simpid=$!
for _ in $(seq 600); do
    [[ -s $work/sim.log ]] && break
    kill -0 "$simpid" 2>/dev/null || fail "veldrant-sim.exe ended: $(cat "$work/sim.log")"
    sleep 0.1
done
refused_while_running veldrant-sim.exe "veldrant-sim.exe is running. Close it, then choose Retry."
win taskkill /F /IM veldrant-sim.exe >/dev/null
wait "$simpid" || true
"$wineserver" -w

# A file another program holds open stays: the uninstaller says so with 2 and keeps itself, its
# key and the shortcut for another try.
win "$build/tests/windows/windows_file_holder.exe" "$dir_win\README.txt" >"$work/held" &
holderpid=$!
for _ in $(seq 600); do
    grep -q held "$work/held" && break
    kill -0 "$holderpid" 2>/dev/null || fail "windows_file_holder.exe ended"
    sleep 0.1
done
status=0; win "$dir/uninstall.exe" /S "_?=$dir_win" || status=$?
[[ $status == 2 ]] || fail "uninstall.exe /S ended with $status while a file was held open"
[[ -f $dir/README.txt && -f $dir/uninstall.exe ]] || fail "the held file or the uninstaller went"
win reg query "$key" >/dev/null 2>&1 || fail "the Uninstall key went although a file stayed"
[[ $window == no || -f $link ]] || fail "the shortcut went although a file stayed"
win taskkill /F /IM windows_file_holder.exe >/dev/null
wait "$holderpid" || true
"$wineserver" -w

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
