// One open connection to a simulated interface.
#pragma once

#include <atomic>

#include "platform/HidTransport.h"
#include "platform/SimProtocol.h"
#include "platform/linux/FdWait.h"
#include "platform/linux/UnixSocket.h"

namespace veldrant::platform::linux_fd {

class SimDevice : public IHidDevice {
public:
    SimDevice(Fd socket, const SimHello& hello);
    uint32_t InputReportLength() const override { return hello_.inputLength; }
    uint32_t OutputReportLength() const override { return hello_.outputLength; }
    IoResult Write(const uint8_t* data, size_t len, std::chrono::milliseconds timeout) override;
    // `*got` is the packet's real length, also when it was longer than `len` (then cut).
    IoResult Read(uint8_t* buf, size_t len, size_t* got,
                  std::chrono::milliseconds timeout) override;
    void Cancel() override;

private:
    bool SetReceiveTimeout(std::chrono::milliseconds timeout);

    Fd socket_;
    std::chrono::milliseconds receiveTimeout_{-1};
    SimHello hello_;
    CancelEvent cancel_;
    std::atomic<bool> cancelled_{false};
};

// Connects to `path` and reads its hello; nullopt (reason in *error) when that fails.
std::optional<SimHello> ConnectAndGreet(const std::string& path, Fd* socket, OpenError* error);

}  // namespace veldrant::platform::linux_fd
