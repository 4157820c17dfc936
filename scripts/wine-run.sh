#!/usr/bin/env bash
# Runs a Windows program of the cross build under wine:  wine-run.sh PROGRAM.exe ARGS...
# The wine prefix lives in the build folder ($VELDRANT_WINEPREFIX, else build-windows/wine next
# to the program's folder tree); its first start creates it, once, under a lock.
set -euo pipefail
prog=$1
shift
if [[ -z "${VELDRANT_WINEPREFIX:-}" ]]; then
  dir=$(cd "$(dirname "$prog")" && pwd)
  while [[ "$dir" != "/" && ! -f "$dir/CMakeCache.txt" ]]; do dir=$(dirname "$dir"); done
  VELDRANT_WINEPREFIX="$dir/wine"
fi
export WINEPREFIX="$VELDRANT_WINEPREFIX"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts: the programs need neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
      "$wine" wineboot --init >/dev/null 2>&1 || true
      "$(dirname "$wine")/wineserver" -w 2>/dev/null || wineserver -w 2>/dev/null || true
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec "$wine" "$prog" "$@"
