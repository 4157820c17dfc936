#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Boots the HID test VM under QEMU's software emulation and returns the guest command's exit
# status, read from the serial console.
#
#   boot.sh KERNEL_DIR INITRAMFS LOG [TIMEOUT_SECONDS]
#
# The console goes to LOG and, without QEMU's screen control sequences, to standard output.
# Exit status: the guest's, or 1 when the guest never reported one (hang, panic, time-out).
set -euo pipefail

kdir=$1
initrd=$2
log=$3
limit=${4:-150}

qemu=$(command -v qemu-system-x86_64 || true)
if [[ -z "$qemu" ]]; then
    echo "boot: ERROR: qemu-system-x86_64 is missing (bash scripts/install-deps.sh vm)" >&2
    exit 1
fi

# KVM is left alone on purpose: software emulation boots this kernel in a few seconds and works
# the same on every machine, with or without /dev/kvm.
set +e
timeout --kill-after=5 "$limit" "$qemu" \
    -accel tcg -m 512 -smp 1 -nographic -no-reboot -nic none -no-user-config \
    -kernel "$kdir/vmlinuz" -initrd "$initrd" \
    -append "console=ttyS0 quiet panic=-1" </dev/null >"$log" 2>&1
qemu_rc=$?
set -e

# The serial console ends lines with CR LF and QEMU's BIOS paints the screen first.
sed -e 's/\r$//' -e 's/\x1b\[[0-9;?]*[a-zA-Z]//g' -e 's/\x1bc//g' "$log" |
    sed -n '/^VM-BOOTED/,$p'

rc_line=$(tr -d '\r' <"$log" | grep -a '^VM-RESULT rc=' | tail -n 1 || true)
if [[ -z "$rc_line" ]]; then
    if ((qemu_rc == 124 || qemu_rc == 137)); then
        echo "boot: ERROR: the VM did not finish within ${limit} s (console in $log)" >&2
    elif ! grep -aq '^VM-BOOTED' <(tr -d '\r' <"$log"); then
        echo "boot: ERROR: the guest never reached /init (QEMU exit $qemu_rc; console in $log)" >&2
        tail -n 20 "$log" >&2
    else
        echo "boot: ERROR: the guest stopped without a result (QEMU exit $qemu_rc; console in $log)" >&2
    fi
    exit 1
fi
exit "${rc_line#VM-RESULT rc=}"
