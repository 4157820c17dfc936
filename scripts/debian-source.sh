#!/usr/bin/env bash
# Fetches and unpacks one of Debian's own source packages (bookworm, main) through apt, with a
# private source list, so that the system's apt configuration stays as it is.
#   debian-source.sh NAME CACHE_DIR
# Prints the unpacked source folder. Reuses an earlier download in CACHE_DIR.
set -euo pipefail
name=$1
cache=$2
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
stamp="$cache/$name.dir"
if [[ -f "$stamp" && -d "$(cat "$stamp")" ]]; then
  cat "$stamp"
  exit 0
fi

apt="$cache/apt"
mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$cache/$name"
cat >"$apt/sources.list.d/debian-src.sources" <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/sources.list.d"
      -o Dir::State::Lists="$apt/lists" -o Debug::NoLocking=1)
apt-get "${opts[@]}" -qq update >&2
(cd "$cache/$name" && apt-get "${opts[@]}" -qq source --download-only "$name" >&2)

dsc=$(ls "$cache/$name"/*.dsc | head -n 1)
out="$cache/$name/src"
rm -rf "$out"
dpkg-source --no-check -x "$dsc" "$out" >&2
echo "$out" >"$stamp"
echo "$out"
