#include "tests/vm/VmFixture.h"

#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/HidrawTransport.h"

namespace veldrant::vmtest {

namespace fs = std::filesystem;

bool HaveUhid() {
    return ::access("/dev/uhid", R_OK | W_OK) == 0;
}

std::shared_ptr<platform::IHidTransport> Hidraw() {
    return platform::MakeHidrawTransport();
}

std::unique_ptr<CDeviceLink> HidrawLink(std::FILE* diagnostics) {
    auto link = std::make_unique<CDeviceLink>(
        std::vector<std::shared_ptr<platform::IHidTransport>>{Hidraw()});
    link->SetDiagnosticStream(diagnostics);
    return link;
}

bool DiscoverWithin(CDeviceLink& link, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (link.Discover() == 1)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::optional<std::string> HidrawNodeNamed(const std::string& name,
                                           std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const std::string wanted = "HID_NAME=" + name;
    for (;;) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator("/sys/class/hidraw", ec)) {
            std::ifstream uevent(entry.path() / "device" / "uevent");
            std::string line;
            while (std::getline(uevent, line)) {
                if (line == wanted)
                    return "/dev/" + entry.path().filename().string();
            }
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

int ReportsServed(const std::vector<std::string>& lines) {
    constexpr std::string_view kPrefix = "exit reports=";
    for (const auto& l : lines) {
        if (!l.starts_with(kPrefix))
            continue;
        int n = -1;
        std::from_chars(l.data() + kPrefix.size(), l.data() + l.size(), n);
        return n;
    }
    return -1;
}

CapturedStream::CapturedStream() {
    file_ = open_memstream(&buffer_, &size_);
}

CapturedStream::~CapturedStream() {
    if (file_)
        std::fclose(file_);
    std::free(buffer_);
}

std::string CapturedStream::Text() {
    std::fflush(file_);
    return std::string(buffer_, size_);
}

}  // namespace veldrant::vmtest
