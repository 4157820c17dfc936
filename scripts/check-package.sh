#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the .deb from a build folder and checks it as it will be installed: lintian, the files
# at their paths with their modes, what the programs link against (scripts/check-sonames.sh),
# the desktop entry, the AppStream data, the manual pages, the maintainer scripts where udev is
# not running, and the extracted programs against the extracted simulated watch; then the .rpm
# from the same build (scripts/check-rpm.sh).
#   scripts/check-package.sh [BUILD_DIR]      (default: build-ci)
set -euo pipefail
cd "$(dirname "$0")/.."
src="$PWD"
build="$(cd "${1:-build-ci}" && pwd)"
started=$SECONDS
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
step() { echo "== $*"; }

work="$(mktemp -d)"
sim_pid=""
cleanup() {
  if [[ -n $sim_pid ]]; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

step "building the package"
cmake --build "$build" --target veldrant veldrant-cli veldrant-sim veldrant_man veldrant_appstream \
  veldrant_changelog >/dev/null
rm -rf "$build/package"
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
debs=("$build"/package/veldrant_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || { echo "FAIL: no single .deb in $build/package" >&2; exit 1; }
deb="${debs[0]}"
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes, installed size $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"

step "lintian"
# Errors fail the check, and so does any hardening tag (the programs are built with Debian's
# hardening flags); other warnings and notes are printed for the record.
if ! lintian --allow-root --display-info --tag-display-limit 0 --fail-on error "$deb" |
  tee "$work/lintian.txt"; then
  fail "lintian reports errors"
fi
grep -E ': hardening-' "$work/lintian.txt" && fail "lintian finds programs built without hardening"

step "control fields"
version="$(sed -n 's/^project(Veldrant VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")"
expect_field() {
  local got
  got="$(dpkg-deb -f "$deb" "$1")"
  [[ $got == $2 ]] || fail "control field $1 is '$got', expected '$2'"
}
expect_field Package veldrant
expect_field Version "$version"
expect_field Section utils
expect_field Priority optional
expect_field Architecture "$(dpkg --print-architecture)"
expect_field Maintainer "*<*@*>"
for dep in libqt6widgets6 libudev1 zlib1g libc6 qt6-qpa-plugins qt6-translations-l10n; do
  expect_field Depends "*$dep*"
done
dpkg-deb -e "$deb" "$work/control"
for script in postinst postrm; do
  [[ -x $work/control/$script ]] || fail "maintainer script $script missing or not executable"
done

step "contents"
app=io.github.veldrant.Veldrant
expected=(
  "-rwxr-xr-x ./usr/bin/veldrant"
  "-rwxr-xr-x ./usr/bin/veldrant-cli"
  "-rwxr-xr-x ./usr/bin/veldrant-sim"
  "-rw-r--r-- ./usr/lib/udev/rules.d/70-veldrant.rules"
  "-rw-r--r-- ./usr/share/applications/$app.desktop"
  "-rw-r--r-- ./usr/share/bash-completion/completions/veldrant-cli"
  "-rw-r--r-- ./usr/share/doc/veldrant/README.md.gz"
  "-rw-r--r-- ./usr/share/doc/veldrant/changelog.gz"
  "-rw-r--r-- ./usr/share/doc/veldrant/copyright"
  "-rw-r--r-- ./usr/share/doc/veldrant/course-description.example.json"
  "-rw-r--r-- ./usr/share/doc/veldrant/course-description.md.gz"
  "-rw-r--r-- ./usr/share/man/man1/veldrant-cli.1.gz"
  "-rw-r--r-- ./usr/share/man/man1/veldrant-sim.1.gz"
  "-rw-r--r-- ./usr/share/man/man1/veldrant.1.gz"
  "-rw-r--r-- ./usr/share/metainfo/$app.metainfo.xml"
)
for size in 16 32 48 64 128 256; do
  expected+=("-rw-r--r-- ./usr/share/icons/hicolor/${size}x${size}/apps/$app.png")
done
# Every file, with its mode, owned by root; directories 0755; nothing else.
dpkg-deb -c "$deb" >"$work/listing"
awk '$1 !~ /^d/ {print $1, $6}' "$work/listing" | sort >"$work/files"
printf '%s\n' "${expected[@]}" | sort >"$work/expected"
if ! diff -u "$work/expected" "$work/files"; then
  fail "the package's files differ from the list above (- expected, + packaged)"
fi
awk '$2 != "root/root" {print}' "$work/listing" | grep . && fail "files not owned by root/root"
awk '$1 ~ /^d/ && $1 != "drwxr-xr-x" {print}' "$work/listing" | grep . && fail "directories not 0755"

root="$work/root"
dpkg-deb -x "$deb" "$root"
cmp -s "$root/usr/lib/udev/rules.d/70-veldrant.rules" "$src/platform/linux/70-veldrant.rules" ||
  fail "the packaged udev rule is not platform/linux/70-veldrant.rules"
for size in 16 32 48 64 128 256; do
  icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/$app.png"
  file -b "$icon" | grep -q "^PNG image data, $size x $size," ||
    fail "icon ${size}x${size} is $(file -b "$icon")"
done
doc="$root/usr/share/doc/veldrant"
for pair in "README.md.gz|README.md" "course-description.md.gz|docs/course-description.md" \
  "course-description.example.json|docs/course-description.example.json"; do
  IFS='|' read -r packaged source <<<"$pair"
  if [[ $packaged == *.gz ]]; then
    gzip -t "$doc/$packaged" && zcat "$doc/$packaged" | cmp -s - "$src/$source"
  else
    cmp -s "$doc/$packaged" "$src/$source"
  fi || fail "the packaged $packaged is not $source"
done
# Stack protector and fortified libc calls in every program (relro, bind-now and PIE are
# lintian's hardening tags above).
for program in "$root"/usr/bin/*; do
  readelf --dyn-syms -W "$program" >"$work/symbols"
  grep -q ' __stack_chk_fail' "$work/symbols" && grep -qE ' __[a-z_]+_chk' <(grep -v __stack_chk "$work/symbols") ||
    fail "$(basename "$program") has no stack protector or no fortified calls"
done
grep -q "^Files: \*$" "$root/usr/share/doc/veldrant/copyright" &&
  grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$" \
    "$root/usr/share/doc/veldrant/copyright" || fail "copyright is not machine-readable"
grep -nE '^[A-Za-z-]+:[[:space:]]*$' "$root/usr/share/doc/veldrant/copyright" &&
  fail "copyright has an empty field"
# C++ libraries compiled into a program leave their type names in it (stripped or
# not): each one found must be named in the copyright file.
for pair in "N8nlohmann|Niels Lohmann" "N3CLI|CLI11" "N13GeographicLib|Charles Karney"; do
  IFS='|' read -r mark holder <<<"$pair"
  if grep -qa "$mark" "$root"/usr/bin/*; then
    grep -q "$holder" "$root/usr/share/doc/veldrant/copyright" ||
      fail "a program carries ${mark#N?} code, but the copyright file does not name $holder"
  fi
done

step "what the programs link against"
# The same .deb installs on every Debian and Ubuntu system of packaging/linux/sonames.tsv, and
# the .rpm's programs are these: each library and symbol version they need must be on all of them.
bash "$src/scripts/check-sonames.sh" --depends "$(dpkg-deb -f "$deb" Depends)" "$root"/usr/bin/* ||
  fail "the programs need what a system of packaging/linux/sonames.tsv lacks"
# The check itself, against tables that each break one fact it must catch.
table="$src/packaging/linux/sonames.tsv"
for breakage in "/^soname\tlibudev.so.1\t/s/\tsystemd-libs$/\t-/" "/^soname\tlibz.so.1\t/d" \
  "s/^version\tGLIBC\t2.36/version\tGLIBC\t2.30/" "s/libqt6core6t64\/libqt6core6\t/libqt6core6t64\t/"; do
  sed "$breakage" "$table" >"$work/broken.tsv"
  ! cmp -s "$table" "$work/broken.tsv" || fail "'$breakage' left the soname table as it was"
  bash "$src/scripts/check-sonames.sh" --table "$work/broken.tsv" --depends "libqt6core6" \
    "$root/usr/bin/veldrant-cli" 2>/dev/null && fail "the soname check passes a table broken by '$breakage'"
done

step "desktop entry and AppStream data"
desktop-file-validate "$root/usr/share/applications/$app.desktop" || fail "desktop-file-validate"
grep -qx "Icon=$app" "$root/usr/share/applications/$app.desktop" || fail "desktop entry's icon"
grep -qx "Exec=veldrant" "$root/usr/share/applications/$app.desktop" || fail "desktop entry's command"
# The metainfo on its own, then with the desktop entry and icons beside it as installed.
appstreamcli validate --no-net "$root/usr/share/metainfo/$app.metainfo.xml" || fail "appstreamcli validate"
appstreamcli validate-tree --no-net "$root" >/dev/null || fail "appstreamcli validate-tree"
# What a software centre gets: the catalogue a distribution composes from the package.
if appstreamcli compose --no-net --origin=veldrant --result-root="$work/catalog" "$root" \
  >"$work/compose.log" 2>&1; then
  zcat "$work/catalog/usr/share/swcatalog/xml/veldrant.xml.gz" >"$work/catalog.xml"
  grep -q "<id>$app</id>" "$work/catalog.xml" || fail "the composed catalogue lacks $app"
  grep -q '<icon type="cached" width="64" height="64">' "$work/catalog.xml" ||
    fail "the composed catalogue has no 64x64 icon"
  n="$(grep -c '<modalias>usb:v[0-9A-F]\{4\}p[0-9A-F]\{4\}d[0-9A-F]\{4\}\*</modalias>' \
    "$work/catalog.xml")"
  [[ $n -eq 4 ]] || fail "the composed catalogue names $n watch models, not 4"
else
  fail "appstreamcli compose: $(cat "$work/compose.log")"
fi

step "manual pages"
for program in veldrant veldrant-cli veldrant-sim; do
  page="$root/usr/share/man/man1/$program.1.gz"
  if ! LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" >"$work/page.txt" 2>"$work/page.err" ||
    [[ -s $work/page.err ]]; then
    fail "man -l $program.1.gz: $(cat "$work/page.err")"
  fi
  grep -q "^NAME" "$work/page.txt" && grep -q "^SYNOPSIS" "$work/page.txt" &&
    grep -q "^$program $version" <(tail -n 1 "$work/page.txt" | sed 's/^ *//') ||
    fail "$program.1 lacks its name, synopsis or version"
done

LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$root/usr/share/man/man1/veldrant.1.gz" 2>/dev/null |
  grep -q "ラウンド" || fail "veldrant.1 does not name the ラウンド tab"
# Every document the programs' texts and manual pages point to is in the package.
{
  strings -a "$root"/usr/bin/* && zcat "$root"/usr/share/man/man1/*.gz
} | grep -o '/usr/share/doc/veldrant/[A-Za-z0-9._-]*' | sort -u >"$work/pointers"
[[ -s $work/pointers ]] || fail "no program points to its documents in /usr/share/doc/veldrant"
while read -r pointer; do
  [[ -f $root$pointer ]] || fail "the programs point to $pointer, which the package lacks"
done <"$work/pointers"
"$root/usr/bin/veldrant-cli" course pack --help | grep -q "course-description.md" ||
  fail "veldrant-cli course pack --help does not name course-description.md"

step "maintainer scripts where udev is not running"
# A stand-in udevadm records what the scripts ask of it; without a running udev (no
# /run/udev/control) or in a chroot they must ask nothing and succeed.
mkdir -p "$work/bin"
printf '#!/bin/sh\necho "udevadm $*" >>"%s/udevadm.calls"\n' "$work" >"$work/bin/udevadm"
chmod +x "$work/bin/udevadm"
for call in "postinst configure" "postrm remove" "postrm purge"; do
  read -r script action <<<"$call"
  PATH="$work/bin:$PATH" sh "$work/control/$script" "$action" ||
    fail "$script $action failed"
done
if [[ -S /run/udev/control ]] && ! ischroot 2>/dev/null; then
  grep -q "udevadm trigger --subsystem-match=hidraw --action=change" "$work/udevadm.calls" ||
    fail "udev runs here, but the scripts did not re-trigger the hidraw devices"
else
  [[ ! -e $work/udevadm.calls ]] || fail "no udev runs here, yet the scripts called: $(cat "$work/udevadm.calls")"
fi

step "the packaged programs"
bin="$root/usr/bin"
"$bin/veldrant-cli" --help >"$work/cli-help.txt" || fail "veldrant-cli --help failed"
grep -q "veldrant-cli" "$work/cli-help.txt" || fail "veldrant-cli --help says nothing of itself"
[[ "$("$bin/veldrant" --version)" == "veldrant $version" ]] || fail "veldrant --version"
sims="$work/sims"
mkdir -p "$sims"
"$bin/veldrant-sim" --dir "$sims" --name packaged >"$work/sim.log" 2>&1 &
sim_pid=$!
# The socket appears once the watch listens; the program ending first is a failure.
for ((i = 0; i < 400; i++)); do
  [[ -S $sims/packaged.hid ]] && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.05
done
if [[ -S $sims/packaged.hid ]]; then
  if VELDRANT_SIM_DIR="$sims" "$bin/veldrant-cli" info >"$work/info.txt" 2>&1; then
    grep -q "QMX_KVT_2700" "$work/info.txt" || fail "veldrant-cli info: $(cat "$work/info.txt")"
    cat "$work/info.txt"
  else
    fail "veldrant-cli info against the packaged veldrant-sim: $(cat "$work/info.txt")"
  fi
else
  fail "the packaged veldrant-sim did not come up: $(cat "$work/sim.log")"
fi

step "the .rpm"
bash "$src/scripts/check-rpm.sh" "$build" || fail "the .rpm check"

echo "package check: $failures failure(s) in $((SECONDS - started)) s"
((failures == 0))
