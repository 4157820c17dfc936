#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The main job against a simulated watch: builds the programs, starts veldrant-sim in a
# private directory, asks veldrant-cli for the watch's identity and firmware version, imports
# its marks and score cards into a CSV file in out/ (VELDRANT_DEMO_OUT picks another folder), and
# stops the simulator again. VELDRANT_BUILD_DIR picks another build directory (default: the
# preset's).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

if [[ -n "${VELDRANT_BUILD_DIR:-}" ]]; then
  build="$VELDRANT_BUILD_DIR"
  cmake -S . -B "$build" -G Ninja >/dev/null
else
  build=build
  cmake --preset default >/dev/null
fi
cmake --build "$build" -j "$(nproc)" --target veldrant-cli veldrant-sim >/dev/null

VELDRANT_SIM_DIR="$(mktemp -d)"
export VELDRANT_SIM_DIR
sim_pid=""
cleanup() {
  if [[ -n "$sim_pid" ]]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$VELDRANT_SIM_DIR"
}
trap cleanup EXIT

"$build/sim/veldrant-sim" --model QMX_KVT_2700 --version-bytes 5,1,0x7B &
sim_pid=$!
for _ in $(seq 100); do
  [[ -S "$VELDRANT_SIM_DIR/watch.hid" ]] && break
  sleep 0.05
done

echo "\$ veldrant-cli info"
"$build/cli/veldrant-cli" info

out_dir="${VELDRANT_DEMO_OUT:-out}"
mkdir -p "$out_dir"
echo
echo "\$ veldrant-cli marks export -o $out_dir"
"$build/cli/veldrant-cli" marks export -o "$out_dir"
