#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# veldrant-sim.exe serving veldrant-cli.exe under wine, against the Linux programs serving each
# other with the same options: info, marks export, firmware update and course update must give
# the same output, the same CSV bytes and the same images stored by the simulated watch; the
# rounds commands on the exported file the same output and the same files; the logbook commands
# adding it the same lists and statistics; Ctrl-C during a firmware update (a console control
# event under wine) the same notices, as the keys are pressed, and the same end. The Windows run
# works in a folder with a Japanese name. Each side keeps its logbook in that folder.
# Usage: end-to-end.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR
set -euo pipefail
linux=$(cd "$1" && pwd)
windows=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")/../.." && pwd)
wine_run="$here/scripts/wine-run.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/veldrant-e2e-XXXXXX")
simpid=
stop_sim() {
    if [[ -n $simpid ]]; then
        kill "$simpid" 2>/dev/null || true
        wait "$simpid" 2>/dev/null || true
        simpid=
    fi
}
trap 'stop_sim; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A firmware image of the name form for the default model, and a course package.
python3 - "$work/fw.bin" <<'PY'
import sys
def crc16(data):
    c = 0
    for b in data:
        c ^= b << 8
        for _ in range(8):
            c = ((c << 1) ^ 0x1021 if c & 0x8000 else c << 1) & 0xFFFF
    return c
image = bytes((i * 7 + 3) & 255 for i in range(5000)) + b"QMX_KVT_2700".ljust(64, b"\0")
c = crc16(image)
open(sys.argv[1], "wb").write(image + bytes([c & 255, c >> 8]))
PY
"$linux/cli/veldrant-cli" course pack "$here/docs/course-description.example.json" \
    -o "$work/pkg.zip" >/dev/null

# start_sim SIDE ROOT SIM-OPTIONS...: that side's simulator serving in ROOT/sims (simpid), and
# that side's veldrant-cli in the array cli.
start_sim() {
    local side=$1 root=$2
    shift 2
    mkdir -p "$root"
    local sim
    if [[ $side == linux ]]; then
        sim=("$linux/sim/veldrant-sim") cli=("$linux/cli/veldrant-cli")
    else
        sim=("$wine_run" "$windows/sim/veldrant-sim.exe")
        cli=("$wine_run" "$windows/cli/veldrant-cli.exe")
    fi
    export VELDRANT_SIM_DIR=$root/sims
    # The mark import adds to this logbook, never to the user's own.
    export VELDRANT_LOGBOOK=$root/logbook.sqlite3
    "${sim[@]}" --store "$root/store" "$@" >"$root/sim.log" 2>&1 &
    simpid=$!
    for _ in $(seq 200); do
        [[ -e $VELDRANT_SIM_DIR/watch.hid ]] && break
        sleep 0.05
    done
    [[ -e $VELDRANT_SIM_DIR/watch.hid ]] || fail "$side: veldrant-sim did not come up: $(cat "$root/sim.log")"
}

# run SIDE: the simulator and the four jobs on one platform, in $work/SIDE.
run() {
    local side=$1 root=$work/$1
    local cli
    start_sim "$side" "$root" --marks-seed 7
    "${cli[@]}" info >"$root/info.txt" 2>&1 || fail "$side info: $(cat "$root/info.txt")"
    "${cli[@]}" marks export -o "$root/marks.csv" >"$root/marks.txt" 2>&1 ||
        fail "$side marks export: $(cat "$root/marks.txt")"
    "${cli[@]}" firmware update "$work/fw.bin" >"$root/fw.txt" 2>&1 ||
        fail "$side firmware update: $(cat "$root/fw.txt")"
    "${cli[@]}" course update "$work/pkg.zip" >"$root/course.txt" 2>&1 ||
        fail "$side course update: $(cat "$root/course.txt")"
    stop_sim
}

# ctrl_c SIDE PRESSES: a firmware update against a watch that stops answering after the first
# block, so that the update waits (and fails) at the second; Ctrl-C is pressed PRESSES times once
# the first block is through, each after the notice of the one before. The first press only
# warns, the second asks to stop; the notices come while the update waits for the watch.
ctrl_c() {
    local side=$1 presses=$2 root=$work/$1/ctrl-c-$2
    local cli
    start_sim "$side" "$root" --fw-silent-after 1
    "${cli[@]}" firmware update "$work/fw.bin" >"$root/out" 2>"$root/err" &
    local clipid=$! press notices=("stopping now would leave" "stopping after the block under way")
    until grep -qs "blocks: " "$root/err"; do
        kill -0 "$clipid" 2>/dev/null || fail "$side: the update ended before its first block: $(cat "$root/err")"
        sleep 0.05
    done
    for ((press = 0; press < presses; press++)); do
        kill -INT "$clipid"
        until grep -q "${notices[press]}" "$root/err"; do
            kill -0 "$clipid" 2>/dev/null || fail "$side: no notice after Ctrl-C $((press + 1)): $(cat "$root/err")"
            sleep 0.05
        done
    done
    local status=0
    wait "$clipid" || status=$?
    echo "exit status $status" >>"$root/err"
    tr -d '\r' <"$root/err" >"$root/err.txt"
    stop_sim
}

run linux
run "ウィンドウズ"
for presses in 1 2; do
    ctrl_c linux $presses
    ctrl_c "ウィンドウズ" $presses
    diff "$work/linux/ctrl-c-$presses/err.txt" "$work/ウィンドウズ/ctrl-c-$presses/err.txt" ||
        fail "Ctrl-C pressed $presses times: the updates' messages differ"
    grep -c "veldrant-cli: stopping" "$work/linux/ctrl-c-$presses/err.txt" | grep -qx "$presses" ||
        fail "Ctrl-C pressed $presses times: $(cat "$work/linux/ctrl-c-$presses/err.txt")"
done
win=$work/ウィンドウズ
# Console output differs in line ends only (CR LF on Windows).
diff <(tr -d '\r' <"$work/linux/info.txt") <(tr -d '\r' <"$win/info.txt") || fail "info differs"
cmp "$work/linux/marks.csv" "$win/marks.csv" || fail "the mark CSV files differ"
cmp "$work/fw.bin" "$win/store/firmware.bin" || fail "the stored firmware image differs"
stored=0
for image in "$work"/linux/store/*.bin; do
    cmp "$image" "$win/store/$(basename "$image")" || fail "$(basename "$image") differs"
    stored=$((stored + 1))
done
[[ $stored -ge 3 ]] || fail "the Linux run stored only $stored images"

# compare NAME ENTRY...: the commands NAME|KIND|COMMAND on the exported file, in a folder
# $work/SIDE/NAME of each side's own (@ in the arguments) with its own logbook: the same standard
# output (line ends and the folder's name aside, except for a document written to it, which must
# be the same bytes) and the same files. A refused command (exit status 1) gives the same message
# on standard error and leaves the files as they were. A path the program made absolute is
# written Z:\tmp\... under wine: it counts as the same path.
as_text() {
    tr -d '\r' | sed "s|$dir|@|g" |
        WINDIR="Z:${dir//\//\\}" perl -pe 's/\Q$ENV{WINDIR}\E(\S*)/"@" . ($1 =~ tr{\\}{\/}r)/ge'
}
compare() {
    local folder=$1 side dir entry name kind command status
    shift
    for side in linux "ウィンドウズ"; do
        dir=$work/$side/$folder
        mkdir -p "$dir/exports"
        cp "$work/$side/marks.csv" "$dir/"
        export VELDRANT_LOGBOOK=$dir/logbook/logbook.sqlite3
        cli=("$linux/cli/veldrant-cli")
        [[ $side == linux ]] || cli=("$wine_run" "$windows/cli/veldrant-cli.exe")
        for entry in "$@"; do
            IFS='|' read -r name kind command <<<"$entry"
            read -ra args <<<"$command"
            status=0
            "${cli[@]}" "${args[@]//@/$dir}" >"$work/out" 2>"$work/err" || status=$?
            if [[ $kind == refused ]]; then
                [[ $status == 1 ]] || fail "$side $command: exit status $status, not 1"
                as_text <"$work/err" >"$dir/$name.out"
                continue
            fi
            [[ $status == 0 ]] || fail "$side $command: $(cat "$work/err")"
            if [[ $kind == text ]]; then
                as_text <"$work/out" >"$dir/$name.out"
            else
                mv "$work/out" "$dir/$name.out"
            fi
        done
        # The logbook itself is SQLite's to lay out; what it holds is compared through the commands.
        rm -rf "$dir/logbook"
    done
    diff -r "$work/linux/$folder" "$win/$folder" >"$work/$folder.diff" ||
        fail "the $folder commands' outputs differ: $(head -c 2000 "$work/$folder.diff")"
}
rounds_commands=(
    "show|text|rounds show @/marks.csv"
    "show-json|text|rounds show @/marks.csv --json"
    "gpx|text|rounds export @/marks.csv --format gpx"
    "kml|text|rounds export @/marks.csv --format kml -o @/exports/marks.kml"
    "geojson|bytes|rounds export @/marks.csv --format geojson -o -"
    "pictures|text|rounds pictures @/marks.csv -o @/pictures"
    "gpx-again|refused|rounds export @/marks.csv --format gpx"
    "pictures-into-file|refused|rounds pictures @/marks.csv -o @/marks.gpx"
)
compare rounds "${rounds_commands[@]}"
# The logbook: the exported file added to an empty logbook and again, listed, its statistics,
# and written back as mark files. JSON is compared byte for byte.
logbook_commands=(
    "add|text|logbook add @/marks.csv"
    "add-again|text|logbook add @/marks.csv"
    "list|text|logbook list"
    "list-json|bytes|logbook list --json"
    "stats-json|bytes|logbook stats --json"
    "stats-last-2|bytes|logbook stats --json --last 2"
    "export|text|logbook export -o @/exports"
    "check|text|logbook check"
)
compare logbook "${logbook_commands[@]}"
rounds=$(grep -c '"id"' "$win/logbook/list-json.out" || true)
[[ $rounds -ge 1 ]] || fail "the logbook lists no round: $(cat "$win/logbook/add.out")"
# The mark import added the same rounds to each side's logbook.
for side in linux "ウィンドウズ"; do
    cli=("$linux/cli/veldrant-cli")
    [[ $side == linux ]] || cli=("$wine_run" "$windows/cli/veldrant-cli.exe")
    VELDRANT_LOGBOOK=$work/$side/logbook.sqlite3 "${cli[@]}" logbook list --json \
        >"$work/$side/imported.json" 2>&1 || fail "$side logbook list: $(cat "$work/$side/imported.json")"
    cmp "$work/$side/imported.json" "$win/logbook/list-json.out" ||
        fail "$side: the mark import's logbook lists other rounds than logbook add"
done
pictures=$(ls "$win/rounds/pictures" | wc -l)
[[ $pictures -ge 10 ]] || fail "rounds pictures wrote only $pictures files"

echo "ok: info, marks export ($(wc -c <"$win/marks.csv") bytes), firmware, $stored stored images," \
    "${#rounds_commands[@]} rounds commands, $pictures pictures, ${#logbook_commands[@]} logbook" \
    "commands over $rounds rounds and Ctrl-C the same"
