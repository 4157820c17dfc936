#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the .rpm from a build folder whose programs are built (scripts/check-package.sh does that
# first) and checks it: rpmlint, its fields, its files with their modes and its requirements
# against the lists in packaging/linux/, the udev scriptlets where udev is not running, and the
# programs inside against packaging/linux/sonames.tsv.
#   scripts/check-rpm.sh [BUILD_DIR]      (default: build-ci)
set -euo pipefail
cd "$(dirname "$0")/.."
src="$PWD"
build="$(cd "${1:-build-ci}" && pwd)"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
step() { echo "== $*"; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

step "building the .rpm"
rm -f "$build"/package/*.rpm
(cd "$build" && cpack -G RPM >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; exit 1; }
rpms=("$build"/package/veldrant-*.x86_64.rpm)
[[ ${#rpms[@]} -eq 1 && -f ${rpms[0]} ]] || { echo "FAIL: no single .rpm in $build/package" >&2; exit 1; }
rpm="${rpms[0]}"
echo "$(basename "$rpm"): $(stat -c %s "$rpm") bytes, installed size $(rpm -qp --qf '%{SIZE}' "$rpm") bytes"

step "rpmlint"
rpmlint -c "$src/packaging/linux/rpmlint.toml" "$rpm" | tee "$work/rpmlint.txt" || true
grep -q ' 0 errors,' "$work/rpmlint.txt" || fail "rpmlint reports errors"

step "fields"
version="$(sed -n 's/^project(Veldrant VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")"
for pair in "NAME|veldrant" "VERSION|$version" "LICENSE|MIT*" "URL|https://*" "SUMMARY|[A-Z]*" \
  "DESCRIPTION|*KVT2700*udev rule*"; do
  IFS='|' read -r tag want <<<"$pair"
  got="$(rpm -qp --qf "%{$tag}" "$rpm")"
  [[ $got == $want ]] || fail "$tag is '$got', expected '$want'"
done

step "files and requirements"
# Every file with its mode and owner; the requirements without their symbol versions, which
# scripts/check-sonames.sh checks against every system.
rpm -qp --qf '[%{FILEMODES:perms} %{FILEUSERNAME}:%{FILEGROUPNAME} %{FILENAMES}\n]' "$rpm" |
  sort >"$work/files"
diff -u "$src/packaging/linux/rpm-files.txt" "$work/files" ||
  fail "the .rpm's files differ from packaging/linux/rpm-files.txt (- expected, + packaged)"
rpm -qpR "$rpm" | sed 's/^\([^ ]*\.so\.[0-9]*\)([^)]*)/\1()/' | sort -u >"$work/requires"
diff -u "$src/packaging/linux/rpm-requires.txt" "$work/requires" ||
  fail "the .rpm's requirements differ from packaging/linux/rpm-requires.txt (- expected, + packaged)"
[[ $(rpm -qp --qf '[%{FILEFLAGS:fflags} %{FILENAMES}\n]' "$rpm" | grep ' /usr/share/doc/veldrant/copyright$') == *l* ]] ||
  fail "the copyright file is not the package's licence file"

root="$work/root"
mkdir -p "$root"
(cd "$root" && rpm2cpio "$rpm" | cpio -idm --quiet)
cmp -s "$root/usr/lib/udev/rules.d/70-veldrant.rules" "$src/platform/linux/70-veldrant.rules" ||
  fail "the packaged udev rule is not platform/linux/70-veldrant.rules"
bash "$src/scripts/check-sonames.sh" "$root"/usr/bin/* ||
  fail "the .rpm's programs need what a system of packaging/linux/sonames.tsv lacks"
"$root/usr/bin/veldrant-cli" --help >/dev/null || fail "the .rpm's veldrant-cli --help failed"

step "scriptlets where udev is not running"
mkdir -p "$work/bin"
printf '#!/bin/sh\necho "udevadm $*" >>"%s/udevadm.calls"\n' "$work" >"$work/bin/udevadm"
chmod +x "$work/bin/udevadm"
for pair in "POSTIN|1" "POSTIN|2" "POSTUN|0" "POSTUN|1"; do
  IFS='|' read -r tag arg <<<"$pair"
  rpm -qp --qf "%{$tag}" "$rpm" >"$work/scriptlet"
  grep -q "udevadm trigger --subsystem-match=hidraw --action=change" "$work/scriptlet" ||
    fail "the $tag scriptlet does not re-trigger the hidraw devices"
  PATH="$work/bin:$PATH" sh "$work/scriptlet" "$arg" || fail "the $tag scriptlet failed with $arg"
done
if [[ ! -S /run/udev/control ]]; then
  [[ ! -e $work/udevadm.calls ]] || fail "no udev runs here, yet the scriptlets called: $(cat "$work/udevadm.calls")"
fi

echo "rpm check: $failures failure(s)"
((failures == 0))
