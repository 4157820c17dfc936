// A watch made of fuzz bytes, for fuzzing the device link and the operations above it through
// their real code paths: a transport that lists one interface of a known model with a report
// length taken from the input, and a device whose every input report is decided by the input.
//
// Per exchange one control byte says what comes back:
//   bits 0-1  0: raw bytes (up to L, possibly short) exactly as given
//             1: a well-formed frame for the request (markers, type, code, echo, CRC), with the
//                payload taken from the input
//             2: nothing (the read times out)    3: the device is gone (cable pulled)
//   bit 2     type 2 instead of 1 in a well-formed frame
//   bit 3     the value field from the input instead of the echo
//   bit 4     one byte of the finished report flipped (position and mask from the input)
//   bit 5     a copy of the report is also left queued, stale, for the next read
//   bit 6     after this reply the watch is swapped for another (SwapAsked), whose report
//             length comes next in the input
// The identity request (200) of discovery is answered correctly without using the input, so
// that every input reaches the requests after it. Once the input is used up the device is gone.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "devicelink/DeviceIdentity.h"
#include "fuzz/FuzzBytes.h"
#include "platform/HidTransport.h"

namespace veldrant::fuzz {

// What the device sent as the reply to the last request, for the harness's own judgement.
struct Delivered {
    bool any = false;  // false: timed out or gone
    std::vector<uint8_t> report;
    size_t got = 0;
};

// CRC-16/XMODEM bit by bit, independent of the link's table.
uint16_t OracleCrc16(const uint8_t* p, size_t n);
// Whether a report of `got` bytes out of length L is an acceptable reply to `code`, worked out
// from the frame rules alone.
bool OracleAccepts(const std::vector<uint8_t>& report, size_t got, uint32_t length, int code);

class FuzzDevice : public platform::IHidDevice {
public:
    FuzzDevice(FuzzBytes& in, uint32_t length, const DeviceIdentity& identity);

    uint32_t InputReportLength() const override { return length_; }
    uint32_t OutputReportLength() const override { return length_; }
    platform::IoResult Write(const uint8_t* data, size_t len,
                             std::chrono::milliseconds timeout) override;
    platform::IoResult Read(uint8_t* buf, size_t len, size_t* got,
                            std::chrono::milliseconds timeout) override;
    void Cancel() override { gone_ = true; }

    const Delivered& Last() const { return last_; }
    bool Gone() const { return gone_; }
    // Runs once when the device goes (the removal handling of a front end).
    std::function<void()> onGone;
    // True once a reply asked for the watch to be swapped; the harness does it between two
    // steps of the operation, outside any exchange.
    bool SwapAsked() const { return swapAsked_; }

private:
    void BuildFrame(uint8_t control);
    void GoAway();

    FuzzBytes& in_;
    uint32_t length_;
    uint32_t payload_;
    DeviceIdentity identity_;
    std::vector<uint8_t> request_;
    std::optional<std::vector<uint8_t>> stale_;
    Delivered last_;
    bool gone_ = false;
    bool swapAsked_ = false;
};

// One interface of the model in table row `row`; Open hands out a handle to a FuzzDevice that
// the transport keeps too, so that Device() stays valid after the link has let it go.
class FuzzTransport : public platform::IHidTransport {
public:
    FuzzTransport(FuzzBytes& in, size_t row, uint32_t length)
        : in_(in), row_(row), length_(length) {}
    // The interface now presents another report length (another watch in its place).
    void SetLength(uint32_t length) { length_ = length; }

    std::string Name() const override { return "fuzz"; }
    std::vector<std::string> ListInterfaces() override { return {"/fuzz/watch"}; }
    std::optional<platform::HidIds> ReadIds(const std::string&, platform::OpenError*) override;
    std::unique_ptr<platform::IHidDevice> Open(const std::string&, platform::OpenError*) override;
    std::unique_ptr<platform::INoticeSubscription> Subscribe(platform::HidNoticeFn) override {
        return nullptr;
    }
    FuzzDevice* Device() const { return device_.get(); }

private:
    FuzzBytes& in_;
    size_t row_;
    uint32_t length_;
    std::shared_ptr<FuzzDevice> device_;  // the one opened last
};

// A report length for the input's first choice: mostly ones the link takes (64·k + 13 and
// a few with a longer tail), sometimes any length below 2048.
uint32_t ChooseReportLength(FuzzBytes& in);

}  // namespace veldrant::fuzz
