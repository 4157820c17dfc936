#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The committed bitmaps and icons are exactly what scripts/make-artwork.py draws.
set -euo pipefail
src="$1"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
python3 "$src/scripts/make-artwork.py" "$out"
status=0
for f in "$out"/*; do
  name="$(basename "$f")"
  if ! cmp -s "$f" "$src/res/$name"; then
    echo "res/$name differs from what scripts/make-artwork.py draws; run it and commit res/" >&2
    status=1
  fi
done
exit $status
