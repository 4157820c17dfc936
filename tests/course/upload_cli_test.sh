#!/usr/bin/env bash
# veldrant-cli's course update (and firmware update) against veldrant-sim, as a person runs
# them: what the simulated watch stored must equal, byte for byte, what `course images` writes
# for the same package; failures must end with a non-zero status.
# Usage: upload_cli_test.sh VELDRANT_CLI VELDRANT_SIM DESCRIPTION.json
set -euo pipefail
cli=$1 sim=$2 description=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/veldrant-upload-cli-XXXXXX")
export VELDRANT_SIM_DIR=$work/sockets
simpid=

stop_sim() {
    if [[ -n $simpid ]]; then
        kill "$simpid" 2>/dev/null || true
        wait "$simpid" 2>/dev/null || true
        simpid=
    fi
}
trap 'stop_sim; rm -rf "$work"' EXIT

start_sim() {
    rm -rf "$work/store"
    "$sim" --store "$work/store" "$@" >"$work/sim.log" 2>&1 &
    simpid=$!
    for _ in $(seq 100); do
        [[ -S $VELDRANT_SIM_DIR/watch.hid ]] && return 0
        sleep 0.05
    done
    echo "veldrant-sim did not come up:"; cat "$work/sim.log"; exit 1
}

fail() { echo "FAIL: $*"; exit 1; }

"$cli" course pack "$description" -o "$work/pkg.zip" >/dev/null
"$cli" course images "$work/pkg.zip" -o "$work/images" >/dev/null

status=0
"$cli" course update "$work/pkg.zip" 2>/dev/null || status=$?
[[ $status == 3 ]] || fail "course update without a watch: status $status, expected 3"

start_sim
"$cli" course update "$work/pkg.zip" >"$work/out.txt" 2>"$work/err.txt" ||
    fail "course update: status $?: $(cat "$work/err.txt")"
grep -q "完了しました。" "$work/err.txt" || fail "no closing text on the bar"
grep -q "sent, 0 skipped" "$work/out.txt" || fail "summary: $(cat "$work/out.txt")"
cmp "$work/images/directory.img" "$work/store/directory.bin" || fail "directory image differs"
courses=0
for image in "$work"/images/course-*-id*.img; do
    id=${image##*-id}
    id=${id%.img}
    cmp "$image" "$work/store/course-$id.bin" || fail "course image of golf course $id differs"
    courses=$((courses + 1))
done
[[ $courses -gt 0 ]] || fail "course images wrote no course image"
stop_sim

start_sim --course-wrong-confirms 1000
status=0
"$cli" course update "$work/pkg.zip" >"$work/out.txt" 2>"$work/err.txt" || status=$?
[[ $status == 1 ]] || fail "never-confirmed upload: status $status, expected 1"
grep -q "Error: Failed to read course file" "$work/err.txt" || fail "no failure message"
grep -q "10 rounds" "$work/err.txt" || fail "no reason: $(cat "$work/err.txt")"
stop_sim

# Firmware: an image of the name form for the simulator's default model, made here.
if command -v python3 >/dev/null; then
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
    "$cli" firmware check "$work/fw.bin" --model QMX_KVT_2700 >/dev/null || fail "firmware check"
    status=0
    "$cli" firmware check "$work/fw.bin" --model 0 >/dev/null 2>&1 || status=$?
    [[ $status == 1 ]] || fail "firmware check for the marker form: status $status"
    start_sim
    "$cli" firmware update "$work/fw.bin" >/dev/null 2>&1 || fail "firmware update: status $?"
    cmp "$work/fw.bin" "$work/store/firmware.bin" || fail "firmware image differs"
    stop_sim
fi
echo "ok"
