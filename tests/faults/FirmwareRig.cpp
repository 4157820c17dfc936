#include "tests/faults/FirmwareRig.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/firmware/FirmwareImageMaker.h"

namespace veldrant::faults {

FirmwareRig::FirmwareRig(std::chrono::milliseconds timeout)
    : Rig(timeout),
      image_(firmware::test::ImageOfLength(150 * kPayload + 77, Link().m_Identity.Name())),
      path_(Directory() + "/firmware.bin"),
      service_(std::make_shared<sim::FirmwareService>()) {
    GetWatch().AddService(service_);
    std::ofstream(path_, std::ios::binary)
        .write(reinterpret_cast<const char*>(image_.data()), std::streamsize(image_.size()));
}

void FirmwareRig::Run(SeenHost& host) {
    lastResult_ = firmware::UpdateFirmware(Link(), host, path_);
}

std::string FirmwareRig::ExpectSuccess(const Seen& seen) {
    EXPECT_EQ(lastResult_.outcome, firmware::UpdateOutcome::Done);
    EXPECT_TRUE(seen.messages.empty()) << seen.Summary();
    EXPECT_EQ(seen.texts, (std::vector<std::string>{ops::kTextDone}));
    EXPECT_FALSE(seen.positions.empty());
    if (!seen.positions.empty()) {
        EXPECT_EQ(seen.positions.back(), 100);
    }
    sim::FirmwareService::State s = service_->Snapshot();
    EXPECT_TRUE(s.complete);
    EXPECT_TRUE(s.image == image_) << "the watch holds other bytes than the image";
    ExpectReleased(seen, true);
    return "update done, the watch holds the image byte for byte";
}

std::vector<SentRequest> FirmwareRig::Probe() {
    SeenHost host;
    Run(host);
    ExpectSuccess(host.Get());
    std::vector<SentRequest> log = Wire().Log();
    Wire().ResetCount();
    return log;
}

}  // namespace veldrant::faults
