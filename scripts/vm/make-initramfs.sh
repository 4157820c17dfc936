#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the HID test VM's initramfs: static busybox as the shell of /init, the kernel's HID
# modules, the given programs in /bin with the shared libraries they load, and the command that
# /init runs once the HID stack is up.
#
#   make-initramfs.sh OUT.cpio KERNEL_DIR [--file PATH]... PROGRAM... -- COMMAND [ARG]...
#
# KERNEL_DIR is what fetch-kernel.sh printed. --file copies a host file (or folder) into the
# image at the same path (the code-page converters of glibc, for instance). COMMAND runs in the
# guest with /bin on its PATH; its exit status becomes the VM's result.
set -euo pipefail

die() {
    echo "make-initramfs: ERROR: $*" >&2
    exit 1
}

(($# >= 3)) || die "usage: make-initramfs.sh OUT.cpio KERNEL_DIR [--file PATH]... PROGRAM... -- COMMAND..."
out=$1
kdir=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)

files=()
programs=()
while (($#)); do
    case "$1" in
        --file)
            files+=("$2")
            shift 2
            ;;
        --)
            shift
            break
            ;;
        *)
            programs+=("$1")
            shift
            ;;
    esac
done
(($#)) || die "no guest command given after --"

busybox=$(command -v busybox || true)
[[ -n "$busybox" ]] || die "busybox is missing (bash scripts/install-deps.sh vm installs busybox-static)"
if ! file -L "$busybox" 2>/dev/null | grep -q 'statically linked' && ldd "$busybox" >/dev/null 2>&1; then
    die "$busybox is not statically linked (install busybox-static)"
fi
[[ -f "$kdir/modules/order" ]] || die "$kdir is not an unpacked kernel (run fetch-kernel.sh)"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/{bin,dev,proc,sys,tmp,run,etc,lib/modules}
cp "$busybox" "$root/bin/busybox"
cp "$kdir/modules/order" "$root/lib/modules/"
while read -r m; do
    cp "$kdir/modules/$m.ko" "$root/lib/modules/"
done <"$kdir/modules/order"
install -m 0755 "$here/guest-init.sh" "$root/init"

# Copies a host file to the same path inside the image, following symbolic links.
copy_in() {
    local src=$1
    mkdir -p "$root$(dirname "$src")"
    cp -rL "$src" "$root$src"
}

for p in "${programs[@]}"; do
    [[ -x "$p" ]] || die "program not found or not executable: $p (is it built?)"
    cp -L "$p" "$root/bin/$(basename "$p")"
    # Debug sections only lengthen the guest's unpacking of the image.
    strip --strip-debug "$root/bin/$(basename "$p")" 2>/dev/null || true
    # ldd lists "name => /path (addr)" for libraries and "/path (addr)" for the loader.
    if ldd "$p" >/dev/null 2>&1; then
        while read -r lib; do
            [[ -n "$lib" && -e "$lib" && ! -e "$root$lib" ]] && copy_in "$lib"
        done < <(ldd "$p" | sed -n -e 's/.*=> \(\/[^ ]*\) (.*/\1/p' -e 's/^[[:space:]]*\(\/[^ ]*\) (.*/\1/p')
    fi
done
for f in "${files[@]}"; do
    [[ -e "$f" ]] || die "file to copy not found: $f"
    copy_in "$f"
done

# The guest command, quoted for /init's shell.
{
    printf '#!/bin/sh\nexec'
    printf ' %q' "$@"
    printf '\n'
} >"$root/etc/vm-command"
chmod 0755 "$root/etc/vm-command"

(cd "$root" && find . -print | "$busybox" cpio -o -H newc 2>/dev/null) >"$out.tmp"
mv "$out.tmp" "$out"
