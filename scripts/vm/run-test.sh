#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The kernel HID test, as CTest runs it: installs the VM tools, fetches Debian's kernel, builds
# the initramfs with the given programs and boots it; the guest command's exit status is the
# result.
#
#   run-test.sh --work DIR [--timeout S] PROGRAM... -- GUEST_COMMAND [ARG]...
#
# Exit status 77 (CTest's skip) when the tools or the kernel cannot be had on this machine.
set -euo pipefail

SKIP=77
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
work=""
limit=150
args=()
while (($#)); do
    case "$1" in
        --work)
            work=$2
            shift 2
            ;;
        --timeout)
            limit=$2
            shift 2
            ;;
        *)
            args+=("$1")
            shift
            ;;
    esac
done
[[ -n "$work" ]] || {
    echo "run-test: ERROR: --work DIR is required" >&2
    exit 1
}
mkdir -p "$work"
start=$(date +%s.%N)

if ! bash "$repo/scripts/install-deps.sh" vm >"$work/install.log" 2>&1; then
    echo "run-test: installing the VM tools failed (log: $work/install.log)" >&2
fi
for tool in qemu-system-x86_64 busybox; do
    if ! command -v "$tool" >/dev/null; then
        echo "run-test: SKIP: $tool is missing and could not be installed" \
            "(bash scripts/install-deps.sh vm; log: $work/install.log)" >&2
        exit $SKIP
    fi
done

set +e
kdir=$(bash "$here/fetch-kernel.sh")
rc=$?
set -e
if ((rc == SKIP)); then
    echo "run-test: SKIP: no Debian kernel package to boot (see the line above)" >&2
    exit $SKIP
elif ((rc != 0)); then
    echo "run-test: ERROR: fetching the kernel failed" >&2
    exit 1
fi

# The mark export converts code page 932 through glibc's iconv, which loads its converter.
extra=()
cp932=$(find /usr/lib /usr/lib64 -maxdepth 3 -path '*/gconv/CP932.so' 2>/dev/null | head -n 1 || true)
if [[ -n "$cp932" ]]; then
    gconv=$(dirname "$cp932")
    extra+=(--file "$cp932")
    for f in gconv-modules gconv-modules.cache gconv-modules.d; do
        [[ -e "$gconv/$f" ]] && extra+=(--file "$gconv/$f")
    done
fi

bash "$here/make-initramfs.sh" "$work/initramfs.cpio" "$kdir" "${extra[@]}" "${args[@]}"
set +e
bash "$here/boot.sh" "$kdir" "$work/initramfs.cpio" "$work/console.log" "$limit"
rc=$?
set -e
end=$(date +%s.%N)
awk -v rc="$rc" -v s="$start" -v e="$end" -v k="$(basename "$kdir")" \
    'BEGIN { printf "run-test: guest exit status %d, wall time %.1f s (kernel %s)\n", rc, e - s, k }'
exit "$rc"
