#!/bin/busybox sh
# SPDX-License-Identifier: MIT
# /init of the HID test VM: mounts the kernel's file systems, loads the HID modules, runs the
# command in /etc/vm-command and reports its exit status on the serial console, then powers off.
# The host reads the lines that start with "VM-".
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs dev /dev
mount -t tmpfs tmp /tmp
mount -t tmpfs run /run

finish() {
    echo "VM-RESULT rc=$1"
    sync
    poweroff -f
}

echo "VM-BOOTED $(uname -r)"
for m in $(cat /lib/modules/order); do
    if ! insmod "/lib/modules/$m.ko"; then
        echo "VM-ERROR insmod $m failed"
        finish 2
    fi
done
if [ ! -c /dev/uhid ]; then
    echo "VM-ERROR /dev/uhid is missing after loading the modules"
    finish 2
fi

cd /tmp
/etc/vm-command
finish $?
