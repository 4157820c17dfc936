#include "cli/Connect.h"

#include <cstdio>
#include <thread>

#include "cli/Command.h"
#include "ops/OperationHost.h"
#include "platform/AccessAdvice.h"
#include "platform/SimProtocol.h"
#include "platform/Terminal.h"

namespace veldrant::cli {

WatchSession::WatchSession() : WatchSession(std::make_unique<CDeviceLink>()) {}

WatchSession::WatchSession(std::unique_ptr<CDeviceLink> link)
    : link_(std::move(link)), wait_(WaitForBusyWatch()) {
    // The link's one diagnostic line only on request (-v): it comes with every search.
    link_->SetDiagnosticStream(nullptr);
    // One command, one watch, no other Veldrant program in between.
    link_->HoldWhileOpen(true);
}

bool& WaitForBusyWatch() {
    static bool wait = false;
    return wait;
}

std::string BusyMessage(const std::vector<CDeviceLink::InterfaceReport>& seen) {
    for (const auto& r : seen) {
        if (!r.busy)
            continue;
        std::string who = r.holderPid > 0 ? "another Veldrant program (process " +
                                                std::to_string(r.holderPid) + ")"
                                          : std::string("another Veldrant program");
        return "veldrant-cli: the watch at " + r.path + " is busy with " + who +
               ".\nTry again when it has finished, or add --wait to wait for it.\n";
    }
    return "";
}

void WatchSession::ShowDiscoveryLine(bool show) {
    // stdout carries the command's answer; the diagnostic line goes beside it.
    link_->SetDiagnosticStream(show ? platform::StderrAsBytes() : nullptr);
}

WatchSession::~WatchSession() {
    link_->Close();
    g_bConnected.store(0);
}

int WatchSession::Open(std::chrono::milliseconds window) {
    loud_ = true;
    int code = OpenQuietly(window);
    loud_ = false;
    if (code != kExitOk) {
        std::string message = NoWatchMessage(link_->LastDiscovery(), &code);
        std::fprintf(stderr, "%s", message.c_str());
    }
    return code;
}

int WatchSession::OpenQuietly(std::chrono::milliseconds window) {
    // Notices first, so that a removal right after discovery is not missed.
    link_->RegisterArrivalRemoval([this](platform::HidNotice notice, const std::string& path) {
        if (notice == platform::HidNotice::Removal && link_->IsCurrentDevice(path)) {
            connected_.store(false);
            g_bConnected.store(0);
            link_->Close();
        }
    });
    const auto until = std::chrono::steady_clock::now() + window;
    bool toldWaiting = false;
    while (!link_->Discover()) {
        std::vector<CDeviceLink::InterfaceReport> seen = link_->LastDiscovery();
        std::string busy = BusyMessage(seen);
        if (!busy.empty() && wait_) {
            if (!toldWaiting) {
                std::fprintf(
                    stderr, "%s",
                    busy.substr(0, busy.find('\n'))
                        .append("\nveldrant-cli: waiting for it to finish (Ctrl-C gives up).\n")
                        .c_str());
                toldWaiting = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        if (!busy.empty() || std::chrono::steady_clock::now() >= until) {
            int code = kExitNoWatch;
            std::string message = NoWatchMessage(seen, &code);
            // A watch that is there but cannot be had is explained even to a quiet caller.
            if (code != kExitNoWatch && !loud_)
                std::fprintf(stderr, "%s", message.c_str());
            return code;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    connected_.store(true);
    g_bConnected.store(1);
    path_ = link_->DevicePath();
    return kExitOk;
}

bool WatchSession::Removed() const {
    return !connected_.load() || (!path_.empty() && !link_->InterfaceListed(path_));
}

std::string NoWatchMessage(const std::vector<CDeviceLink::InterfaceReport>& seen, int* exitCode) {
    std::string text = std::string(ops::kTextCheckConnection) + "\n";
    *exitCode = kExitNoWatch;
    if (std::string busy = BusyMessage(seen); !busy.empty()) {
        *exitCode = kExitPermission;
        return busy;
    }
    for (const auto& r : seen) {
        if (r.error == platform::OpenError::PermissionDenied) {
            *exitCode = kExitPermission;
            return text + "veldrant-cli: " + r.path + " cannot be opened: permission denied.\n" +
                   platform::PermissionDeniedAdvice(r.transport);
        }
        if (r.error == platform::OpenError::InUse) {
            *exitCode = kExitPermission;
            return text + "veldrant-cli: " + r.path +
                   " cannot be opened: another program is using it.\n" + platform::InUseAdvice();
        }
    }
    for (const auto& r : seen) {
        if (r.tableRow >= 0) {
            return text + "veldrant-cli: a watch at " + r.path + " was not usable: " + r.verdict +
                   ".\n'veldrant-cli devices' lists what was found.\n";
        }
    }
    return text +
           "veldrant-cli: no watch found. Connect the watch with its USB cable, or start a "
           "simulated one\n(veldrant-sim; simulated watches are looked for in " +
           platform::SimDirectory() + ").\n";
}

}  // namespace veldrant::cli
