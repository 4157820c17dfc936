// The "hidraw" transport: hidraw nodes listed through libudev, their ids read from sysfs without
// opening them, removal and arrival from a udev monitor.
#include "platform/HidrawTransport.h"

#include <libudev.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <thread>

#include "platform/linux/FdWait.h"
#include "platform/linux/HidrawDevice.h"
#include "platform/linux/HidrawIds.h"
#include "platform/linux/InterfaceLockLinux.h"

namespace veldrant::platform {

namespace {

using linux_fd::CancelEvent;

// libudev objects are not thread-safe: each user makes its own context.
struct Udev {
    udev* u = udev_new();
    ~Udev() {
        if (u)
            udev_unref(u);
    }
};

struct UdevDevice {
    udev_device* d = nullptr;
    ~UdevDevice() {
        if (d)
            udev_device_unref(d);
    }
};

std::string BaseName(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// hidraw2 before hidraw10: by the node's number, then by name.
bool NodeOrder(const std::string& a, const std::string& b) {
    auto number = [](const std::string& s) {
        size_t i = s.find_last_not_of("0123456789");
        std::string digits = s.substr(i == std::string::npos ? 0 : i + 1);
        return digits.empty() || digits.size() > 9 ? -1L : std::stol(digits);
    };
    long na = number(a), nb = number(b);
    return na != nb ? na < nb : a < b;
}

// A device on the USB bus without a USB parent (uhid) may carry its release in HID_UNIQ.
uint16_t ReleaseOf(udev_device* hidraw, udev_device* hid, uint16_t bus) {
    if (udev_device* usb =
            udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device")) {
        const char* bcd = udev_device_get_sysattr_value(usb, "bcdDevice");
        return bcd ? linux_hid::ParseRelease(bcd).value_or(0) : 0;
    }
    if (bus != linux_hid::kBusUsb)
        return 0;
    const char* uniq = udev_device_get_property_value(hid, "HID_UNIQ");
    return uniq ? linux_hid::ParseRelease(uniq).value_or(0) : 0;
}

// Sends arrival and removal notices of hidraw nodes from a udev monitor.
class HidrawNotices : public INoticeSubscription {
public:
    explicit HidrawNotices(HidNoticeFn fn) : fn_(std::move(fn)) {
        // Events after udev's rules ran (permissions set) when a udev daemon runs; the kernel's
        // own events otherwise (containers, bare VMs).
        const char* source = access("/run/udev/control", F_OK) == 0 ? "udev" : "kernel";
        if (udev_.u)
            monitor_ = udev_monitor_new_from_netlink(udev_.u, source);
        if (monitor_) {
            udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr);
            if (udev_monitor_enable_receiving(monitor_) < 0) {
                udev_monitor_unref(monitor_);
                monitor_ = nullptr;
            }
        }
        if (monitor_)
            thread_ = std::thread([this] { Run(); });
    }
    ~HidrawNotices() override {
        stop_.Signal();
        if (thread_.joinable())
            thread_.join();
        if (monitor_)
            udev_monitor_unref(monitor_);
    }

private:
    void Run() {
        int fd = udev_monitor_get_fd(monitor_);
        for (;;) {
            auto r = linux_fd::WaitFd(fd, POLLIN, stop_, std::chrono::milliseconds(INT_MAX));
            if (r != linux_fd::WaitResult::Ready)
                return;
            while (udev_device* d = udev_monitor_receive_device(monitor_)) {
                const char* action = udev_device_get_action(d);
                const char* node = udev_device_get_devnode(d);
                if (action && node) {
                    if (std::strcmp(action, "add") == 0)
                        fn_(HidNotice::Arrival, node);
                    if (std::strcmp(action, "remove") == 0)
                        fn_(HidNotice::Removal, node);
                }
                udev_device_unref(d);
            }
        }
    }

    HidNoticeFn fn_;
    Udev udev_;
    udev_monitor* monitor_ = nullptr;
    CancelEvent stop_;
    std::thread thread_;
};

class HidrawTransport : public IHidTransport {
public:
    std::string Name() const override { return "hidraw"; }

    std::vector<std::string> ListInterfaces() override {
        std::vector<std::string> nodes;
        Udev udev;
        if (!udev.u)
            return nodes;
        udev_enumerate* e = udev_enumerate_new(udev.u);
        if (!e)
            return nodes;
        udev_enumerate_add_match_subsystem(e, "hidraw");
        udev_enumerate_scan_devices(e);
        udev_list_entry* entry;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
            UdevDevice dev{udev_device_new_from_syspath(udev.u, udev_list_entry_get_name(entry))};
            const char* node = dev.d ? udev_device_get_devnode(dev.d) : nullptr;
            if (node)
                nodes.emplace_back(node);
        }
        udev_enumerate_unref(e);
        std::sort(nodes.begin(), nodes.end(), NodeOrder);
        return nodes;
    }

    std::optional<HidIds> ReadIds(const std::string& path, OpenError* error) override {
        auto fail = [error](OpenError e) -> std::optional<HidIds> {
            if (error)
                *error = e;
            return std::nullopt;
        };
        Udev udev;
        if (!udev.u)
            return fail(OpenError::Other);
        UdevDevice dev{
            udev_device_new_from_subsystem_sysname(udev.u, "hidraw", BaseName(path).c_str())};
        if (!dev.d)
            return fail(OpenError::NotFound);
        udev_device* hid = udev_device_get_parent_with_subsystem_devtype(dev.d, "hid", nullptr);
        const char* text = hid ? udev_device_get_property_value(hid, "HID_ID") : nullptr;
        auto id = text ? linux_hid::ParseHidId(text) : std::nullopt;
        if (!id)
            return fail(OpenError::NotHid);
        if (error)
            *error = OpenError::None;
        return HidIds{id->vendorId, id->productId, ReleaseOf(dev.d, hid, id->bus)};
    }

    std::unique_ptr<IHidDevice> Open(const std::string& path, OpenError* error) override {
        return linux_hid::HidrawDevice::Open(path, error);
    }

    std::unique_ptr<INoticeSubscription> Subscribe(HidNoticeFn fn) override {
        return std::make_unique<HidrawNotices>(std::move(fn));
    }

    // The node itself carries the lock, so every program that can open the watch sees it,
    // whoever started it.
    std::unique_ptr<IInterfaceLock> Lock(const std::string& path, long* holder) override {
        return linux_fd::LockFile(path, false, holder);
    }
};

}  // namespace

std::shared_ptr<IHidTransport> MakeHidrawTransport() {
    return std::make_shared<HidrawTransport>();
}

}  // namespace veldrant::platform
