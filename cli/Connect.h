// Finding the watch from a command, as the desktop's watcher does: Discover over every
// transport (a short retry window covers a watch or simulator that is just coming up), then the
// removal of the open interface followed like OnDeviceChange: close the link, drop the flag.
// When nothing is found, the person is told why and what to do (plug in, udev rule, simulator).
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "devicelink/DeviceLink.h"

namespace veldrant::cli {

inline constexpr std::chrono::milliseconds kConnectWindow{1500};
// One Discover and no retry, for commands that look only once.
inline constexpr std::chrono::milliseconds kSingleTry{0};

class WatchSession {
public:
    WatchSession();  // every transport of this platform
    explicit WatchSession(std::unique_ptr<CDeviceLink> link);
    ~WatchSession();
    WatchSession(const WatchSession&) = delete;
    WatchSession& operator=(const WatchSession&) = delete;

    // kExitOk with the link open and g_bConnected 1; otherwise the reason is on stderr and the
    // exit code (kExitNoWatch, kExitPermission) is returned. The watch stays this program's
    // alone until the session ends: a watch that another Veldrant program works with is
    // refused at once with kExitPermission, or, after WaitWhenBusy(true), waited for.
    int Open(std::chrono::milliseconds window = kConnectWindow);
    // As Open, but silent when no watch is found (a watch that is busy or cannot be opened is
    // still explained): for a command that words its own message, or that goes on without one.
    int OpenQuietly(std::chrono::milliseconds window = kConnectWindow);
    // --wait: wait for another Veldrant program to finish with the watch instead of giving up.
    void WaitWhenBusy(bool wait) { wait_ = wait; }
    CDeviceLink& Link() { return *link_; }
    // Shows the link's discovery line on stderr (-v/--verbose); off by default.
    void ShowDiscoveryLine(bool show);
    // False once the watch was pulled out.
    bool Connected() const { return connected_.load(); }
    // True when the watch found by Open is gone: its removal was noticed, or its interface is
    // no longer listed (a failed exchange can come before the notice).
    bool Removed() const;

private:
    std::unique_ptr<CDeviceLink> link_;
    std::atomic<bool> connected_{false};
    std::string path_;  // the interface Open found
    bool wait_ = false;
    bool loud_ = false;  // inside Open, which explains every failure itself
};

// --wait on a command that looks for the watch; every WatchSession made afterwards waits.
bool& WaitForBusyWatch();

// The message for a watch that another Veldrant program holds; empty when none of `seen` was.
std::string BusyMessage(const std::vector<CDeviceLink::InterfaceReport>& seen);

// What to tell a person when discovery found no usable watch, from what it saw; *exitCode
// gets kExitPermission when a device node could not be opened for lack of permission, else
// kExitNoWatch.
std::string NoWatchMessage(const std::vector<CDeviceLink::InterfaceReport>& seen, int* exitCode);

}  // namespace veldrant::cli
