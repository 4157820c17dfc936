// A link opened on one fake interface of table row 0 (no identity exchange), whose device
// answers through the given responder.
#pragma once

#include <gtest/gtest.h>

#include "devicelink/DeviceLink.h"
#include "tests/support/FakeHid.h"
#include "tests/support/Frames.h"

namespace veldrant::testing {

inline constexpr const char* kFakePath = "/fake/hid0";

struct OpenLink {
    explicit OpenLink(Responder responder, uint32_t length = 525,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(200)) {
        fake->Add({.path = kFakePath,
                   .ids = IdsOfRow(0),
                   .inputLength = length,
                   .outputLength = length,
                   .responder = std::move(responder)});
        link = std::make_unique<CDeviceLink>(
            std::vector<std::shared_ptr<platform::IHidTransport>>{fake}, timeout);
        link->SetDiagnosticStream(nullptr);
        EXPECT_EQ(link->Discover(), 1);
        device = fake->Device(kFakePath);
    }
    // The last output report the link wrote.
    Report LastWritten() const {
        auto w = device->Written();
        return w.empty() ? Report{} : w.back();
    }

    std::shared_ptr<FakeTransport> fake = std::make_shared<FakeTransport>();
    std::unique_ptr<CDeviceLink> link;
    std::shared_ptr<FakeDevice> device;
};

// Answers every request with `make(request)`.
inline Responder Answer(std::function<Report(const Report&)> make) {
    return [make](const Report& out) { return std::vector<Report>{make(out)}; };
}

// A well-formed reply to `out`: code and value echoed, the given payload.
inline Report EchoReply(const Report& out, const std::vector<uint8_t>& payload = {}) {
    return BuildFrame(uint32_t(out.size()), 1, out[3], 0, WordAt(out, 5), payload);
}

}  // namespace veldrant::testing
