#!/usr/bin/env bash
# Makes SQLite's amalgamation (sqlite3.c and sqlite3.h) from Debian's own sqlite3 source package,
# which holds SQLite's full tree with Debian's patches rather than the one-file form the programs
# compile. Its configure and "make sqlite3.c" run tclsh (Debian's tcl package) on this machine;
# the result is kept beside the unpacked source, so that it is made once per source download.
#   sqlite-amalgamation.sh CACHE_DIR
# Prints the folder holding sqlite3.c and sqlite3.h.
set -euo pipefail
cache=$1
here=$(cd "$(dirname "$0")" && pwd)
src=$(bash "$here/debian-source.sh" sqlite3 "$cache")
out="$src/amalgamation"
if [[ -f "$out/sqlite3.c" && -f "$out/sqlite3.h" ]]; then
  echo "$out"
  exit 0
fi
if ! command -v tclsh >/dev/null; then
  echo "tclsh is needed to make SQLite's amalgamation: install Debian's tcl package" >&2
  exit 1
fi

# Two builds configuring at once make it once; the second finds it made.
exec 9>"$src.amalgamation.lock"
flock 9
if [[ ! -f "$out/sqlite3.c" ]]; then
  build=$(mktemp -d "$src.build-XXXXXX")
  trap 'rm -rf "$build"' EXIT
  echo "making SQLite's amalgamation from $src" >&2
  (cd "$build" && "$src/configure" --disable-tcl >configure.log 2>&1 ||
    { cat configure.log >&2; exit 1; })
  make -C "$build" sqlite3.c >"$build/make.log" 2>&1 || { tail -n 40 "$build/make.log" >&2; exit 1; }
  rm -rf "$out.new"
  mkdir "$out.new"
  cp "$build/sqlite3.c" "$build/sqlite3.h" "$out.new/"
  rm -rf "$out"
  mv "$out.new" "$out"
fi
echo "$out"
