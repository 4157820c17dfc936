#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fetches Debian's current amd64 kernel (the linux-image package that linux-image-amd64 depends
# on) and unpacks only what the HID test VM needs: the kernel image and the modules hid, uhid and
# hid-generic, decompressed (busybox insmod takes plain .ko files only).
#
#   fetch-kernel.sh [CACHE_DIR]
#
# Prints the directory holding `vmlinuz` and `modules/*.ko` on standard output. Kernels are kept
# per package version under CACHE_DIR (default: $VELDRANT_VM_CACHE, else ~/.cache/veldrant/vm), so
# later runs need no network. Exit status 77 means the kernel cannot be had here (no package
# lists, no archive): the caller skips the VM test.
set -euo pipefail

SKIP=77
CACHE="${1:-${VELDRANT_VM_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/veldrant/vm}}"
MODULES=(hid uhid hid-generic)
# Kernel config symbols of the modules, to tell a built-in driver from a missing one.
declare -A CONFIG_OF=([hid]=CONFIG_HID [uhid]=CONFIG_UHID [hid-generic]=CONFIG_HID_GENERIC)

say() { echo "fetch-kernel: $*" >&2; }

SUDO=""
if [[ $(id -u) -ne 0 ]] && command -v sudo >/dev/null; then SUDO="sudo"; fi

# The versioned kernel package that the meta package points at, e.g. linux-image-6.1.0-57-amd64.
kernel_package() {
    apt-cache depends linux-image-amd64 2>/dev/null |
        sed -n 's/^ *Depends: \(linux-image-[0-9][^ ]*-amd64\)$/\1/p' | head -n 1 || true
}

newest_cached() {
    local d
    d=$(ls -1d "$CACHE"/linux-image-*/ 2>/dev/null | sort -V | tail -n 1 || true)
    [[ -n "$d" && -f "$d/ready" ]] && echo "${d%/}"
}

pkg=$(kernel_package)
if [[ -z "$pkg" ]]; then
    say "no package lists know linux-image-amd64; running apt-get update"
    $SUDO apt-get update -qq >/dev/null 2>&1 || true
    pkg=$(kernel_package)
fi
if [[ -z "$pkg" ]]; then
    if cached=$(newest_cached); then
        say "apt cannot resolve linux-image-amd64; using the cached $(basename "$cached")"
        echo "$cached"
        exit 0
    fi
    say "SKIP: cannot resolve linux-image-amd64 through apt (no package lists or no network)"
    exit $SKIP
fi

version=$(apt-cache policy "$pkg" 2>/dev/null | sed -n 's/^ *Candidate: //p' | head -n 1 || true)
dest="$CACHE/${pkg}_${version:-unknown}"
if [[ -f "$dest/ready" ]]; then
    echo "$dest"
    exit 0
fi

mkdir -p "$CACHE"
work=$(mktemp -d "$CACHE/.fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT

download() {
    (cd "$work" && apt-get download -qq -o APT::Sandbox::User=root "$pkg" >/dev/null 2>&1)
}
if ! download; then
    say "apt-get download $pkg failed; refreshing the package lists and trying once more"
    $SUDO apt-get update -qq >/dev/null 2>&1 || true
    if ! download; then
        if cached=$(newest_cached); then
            say "cannot download $pkg; using the cached $(basename "$cached")"
            echo "$cached"
            exit 0
        fi
        say "SKIP: cannot download $pkg from the package archive"
        exit $SKIP
    fi
fi
deb=$(ls "$work"/*.deb)

# Only the kernel image, its config and the three HID drivers: a full unpack is 400 MB.
mkdir -p "$work/root"
dpkg-deb --fsys-tarfile "$deb" |
    tar -x -C "$work/root" --wildcards --no-anchored \
        'boot/vmlinuz-*' 'boot/config-*' \
        'kernel/drivers/hid/hid.ko*' 'kernel/drivers/hid/uhid.ko*' \
        'kernel/drivers/hid/hid-generic.ko*'

vmlinuz=$(ls "$work"/root/boot/vmlinuz-* 2>/dev/null | head -n 1 || true)
config=$(ls "$work"/root/boot/config-* 2>/dev/null | head -n 1 || true)
if [[ -z "$vmlinuz" ]]; then
    say "ERROR: $pkg holds no boot/vmlinuz-*"
    exit 1
fi

out="$work/out"
mkdir -p "$out/modules"
cp "$vmlinuz" "$out/vmlinuz"
[[ -n "$config" ]] && cp "$config" "$out/config"

for m in "${MODULES[@]}"; do
    src=$(find "$work/root" -path "*/kernel/drivers/hid/$m.ko*" | head -n 1)
    if [[ -z "$src" ]]; then
        if [[ -n "$config" ]] && grep -q "^${CONFIG_OF[$m]}=y" "$config"; then
            continue  # built into this kernel: nothing to load
        fi
        say "ERROR: $pkg has neither a module $m nor ${CONFIG_OF[$m]}=y"
        exit 1
    fi
    case "$src" in
        *.ko) cp "$src" "$out/modules/$m.ko" ;;
        *.ko.xz) xz -dc "$src" >"$out/modules/$m.ko" ;;
        *.ko.zst)
            if ! command -v zstd >/dev/null; then
                say "ERROR: $m is zstd-compressed and zstd is not installed (apt-get install zstd)"
                exit 1
            fi
            zstd -qdc "$src" >"$out/modules/$m.ko"
            ;;
        *.ko.gz) gzip -dc "$src" >"$out/modules/$m.ko" ;;
        *)
            say "ERROR: unknown module format: $src"
            exit 1
            ;;
    esac
done
# Load order: hid first, then the drivers that need it; built-in ones are left out.
for m in "${MODULES[@]}"; do
    [[ -f "$out/modules/$m.ko" ]] && echo "$m"
done >"$out/modules/order"

rm -rf "$dest"
mv "$out" "$dest"
touch "$dest/ready"
say "kernel $pkg ${version} unpacked into $dest"
echo "$dest"
