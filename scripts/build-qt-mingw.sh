#!/usr/bin/env bash
# Builds Qt 6 for 64-bit Windows from Debian's own qt6-base source, once per machine, and prints
# its install prefix. Only what the window and its tests need: Core, Gui, Widgets, Test, the
# "windows" and "offscreen" platform plugins and the "windowsvista" style, as DLLs.
#
# The installed Linux Qt of the same version supplies moc, rcc and uic (QT_HOST_PATH). The DLLs
# carry their own copy of the GCC runtime (-static-libgcc -static-libstdc++, winpthread linked
# in), so that nothing but Qt's DLLs and Windows' own travel with the programs.
#
# The prefix is keyed by the Qt version and a hash of the configure options and the toolchain
# file:  ~/.cache/veldrant/qt6-mingw-<version>-<hash>
# so that changing an option builds afresh and anything else reuses the cache.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${VELDRANT_CACHE:-$HOME/.cache/veldrant}
version=$(dpkg-query -W -f='${Version}' qt6-base-dev | sed 's/[+~-].*//')
runtime="-static -static-libgcc -static-libstdc++"
options=(
  -G Ninja
  -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_SHARED_LINKER_FLAGS="$runtime"
  -DCMAKE_EXE_LINKER_FLAGS="$runtime"
  -DCMAKE_MODULE_LINKER_FLAGS="$runtime"
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DQT_BUILD_BENCHMARKS=OFF
  # Debian's source has no src/3rdparty/wintab.
  -DFEATURE_tabletevent=OFF
  # Modules the window does not use. (Direct2D stays: without it the windows plugin misses the
  # DirectWrite font database at link time.)
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_zstd=OFF -DFEATURE_icu=OFF
  # Qt's bundled copies, built in, rather than mingw libraries that would have to travel along.
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF -DFEATURE_system_doubleconversion=OFF
)
hash=$( (printf '%s\n' "${options[@]}"; cat "$root/cmake/mingw-w64-base.cmake") | sha256sum | cut -c1-12)
prefix="$cache/qt6-mingw-$version-$hash"
if [[ -f "$prefix/.complete" ]]; then
  echo "$prefix"
  exit 0
fi

src=$(bash "$root/scripts/debian-source.sh" qt6-base "$cache/debian-src")
have=$(sed -n 's/^set(QT_REPO_MODULE_VERSION "\(.*\)")/\1/p' "$src/.cmake.conf")
if [[ "$have" != "$version" ]]; then
  echo "build-qt-mingw: Debian's qt6-base source is $have, the installed Linux Qt $version;" \
       "moc, rcc and uic must be of the same version" >&2
  exit 1
fi
if command -v ccache >/dev/null; then options+=(-DQT_USE_CCACHE=ON); fi

build="$cache/qt6-mingw-build-$hash"
start=$(date +%s)
echo "build-qt-mingw: building Qt $version for Windows into $prefix (about half an hour on two cores)" >&2
cmake "${options[@]}" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-base.cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix" -S "$src" -B "$build" >&2
cmake --build "$build" >&2
rm -rf "$prefix"
cmake --install "$build" --strip >&2
touch "$prefix/.complete"
echo "build-qt-mingw: done in $(($(date +%s) - start)) s" >&2
rm -rf "$build"
echo "$prefix"
