// The firmware update end to end: the operation on a real device link, over the simulated
// transport, against the simulated watch's firmware service.
#include "firmware/FirmwareUpdate.h"
#include "firmware/VersionQuery.h"

#include <gtest/gtest.h>

#include <fstream>

#include "sim/FirmwareService.h"
#include "tests/firmware/FirmwareImageMaker.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/SimHarness.h"

namespace veldrant::firmware {
namespace {

using testing::RecordingHost;
using testing::SimHarness;

constexpr uint32_t kP = 512;  // payload of the default 525-byte report

sim::WatchOptions Model(size_t row) {
    sim::WatchOptions o;
    o.model = row;
    return o;
}

class FirmwareUpdateTest : public ::testing::TestWithParam<size_t> {
protected:
    void SetUp() override { Connect(GetParam()); }

    void Connect(size_t row) {
        sim_ = std::make_unique<SimHarness>(Model(row));
        service_ = std::make_shared<sim::FirmwareService>();
        sim_->GetWatch().AddService(service_);
        link_ = sim_->MakeLink();
        ASSERT_EQ(link_->Discover(), 1);
    }
    std::string Name() const { return std::string(g_DeviceTable[GetParam()].Name()); }

    std::string WriteFile(const std::vector<uint8_t>& bytes, const std::string& name = "fw.bin") {
        std::string path = sim_->Directory() + "/" + name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }
    uint64_t Requests() const { return sim_->GetWatch().Stats().perCode[CMD_FW_UPDATE]; }

    // Everything the worker holds is given back, whatever happened.
    void ExpectReleased(const RecordingHost& host) {
        EXPECT_EQ(g_bBusy.load(), 0);
        EXPECT_EQ(host.Running(), (std::vector<bool>{true, false}));
        EXPECT_EQ(host.BusyAtRunning(), (std::vector<int>{1, 1}));
    }

    std::unique_ptr<SimHarness> sim_;
    std::shared_ptr<sim::FirmwareService> service_;
    std::unique_ptr<CDeviceLink> link_;
    RecordingHost host_;
};

TEST_P(FirmwareUpdateTest, ThreeBlockImageArrivesWholeWithItsProgress) {
    auto image = test::ImageOfLength(3 * kP, Name());
    UpdateResult r = UpdateFirmware(*link_, host_, WriteFile(image));
    EXPECT_EQ(r.outcome, UpdateOutcome::Done);
    EXPECT_EQ(r.blockCount, 3u);
    auto s = service_->Snapshot();
    EXPECT_TRUE(s.complete);
    EXPECT_EQ(s.length, image.size()) << "the start request carries L";
    EXPECT_EQ(s.image, image);
    EXPECT_EQ(host_.Positions(), (std::vector<int>{0, 33, 66, 100}));
    EXPECT_EQ(host_.Texts(), (std::vector<std::string>{"完了しました。"}));
    EXPECT_TRUE(host_.Messages().empty());
    EXPECT_EQ(Requests(), 4u) << "one start request and three blocks";
    ExpectReleased(host_);
}

TEST_P(FirmwareUpdateTest, OneByteMoreNeedsOneBlockMoreWithZerosAfterTheImage) {
    auto image = test::ImageOfLength(4 * kP + 1, Name());
    UpdateResult r = UpdateFirmware(*link_, host_, WriteFile(image));
    ASSERT_EQ(r.outcome, UpdateOutcome::Done);
    EXPECT_EQ(r.blockCount, 5u);
    auto s = service_->Snapshot();
    EXPECT_EQ(s.blocksReceived, 5u);
    EXPECT_EQ(s.image, image);
    EXPECT_TRUE(s.tailZero) << "the last block's 511 bytes past the image";
    EXPECT_EQ(host_.Positions(), (std::vector<int>{0, 24, 49, 74, 99, 100}));
}

TEST_P(FirmwareUpdateTest, ImageForTheOtherFormIsRefusedBeforeAnythingIsSent) {
    auto image = GetParam() == 0 ? test::NameImage(5000, "QMX_KVT_2700") : test::MarkerImage(5000);
    UpdateResult r = UpdateFirmware(*link_, host_, WriteFile(image));
    EXPECT_EQ(r.outcome, UpdateOutcome::FileFailed);
    EXPECT_EQ(r.load, LoadOutcome::Incorrect);
    ASSERT_EQ(host_.Messages().size(), 1u);
    EXPECT_EQ(host_.Messages()[0].text, "Incorrect firmwarefile!");
    EXPECT_EQ(host_.Messages()[0].caption, "Open File");
    EXPECT_EQ(host_.Messages()[0].icon, ops::MessageIcon::Error);
    EXPECT_EQ(Requests(), 0u);
    ExpectReleased(host_);
}

INSTANTIATE_TEST_SUITE_P(MarkerAndNameForm, FirmwareUpdateTest, ::testing::Values(0, 3));

class FirmwareUpdateFaults : public FirmwareUpdateTest {
protected:
    void SetUp() override { Connect(3); }
    std::vector<uint8_t> Image(uint32_t blocks = 8) {
        return test::ImageOfLength(blocks * kP, "QMX_KVT_2700");
    }
};

TEST_F(FirmwareUpdateFaults, FileThatCannotBeOpenedShowsErrorWithoutBusyState) {
    UpdateResult r = UpdateFirmware(*link_, host_, sim_->Directory() + "/none.bin");
    EXPECT_EQ(r.load, LoadOutcome::CannotOpen);
    ASSERT_EQ(host_.Messages().size(), 1u);
    EXPECT_EQ(host_.Messages()[0].text, "Failed to Open firmware file");
    EXPECT_EQ(host_.Messages()[0].caption, "Error");
    EXPECT_TRUE(host_.Running().empty()) << "refused before the update marks itself busy";
    EXPECT_EQ(Requests(), 0u);
}

TEST_F(FirmwareUpdateFaults, EmptyFileIsIncorrect) {
    UpdateResult r = UpdateFirmware(*link_, host_, WriteFile({}));
    EXPECT_EQ(r.load, LoadOutcome::Incorrect);
    EXPECT_EQ(Requests(), 0u);
    ExpectReleased(host_);
}

TEST_F(FirmwareUpdateFaults, BlockFailingOnceIsSentAgain) {
    sim::FirmwarePolicy policy;
    policy.failBlock = 2;
    policy.failTimes = 1;
    service_->SetPolicy(policy);
    auto image = Image();
    UpdateResult r = UpdateFirmware(*link_, host_, WriteFile(image));
    EXPECT_EQ(r.outcome, UpdateOutcome::Done);
    EXPECT_EQ(r.retries, 1u);
    EXPECT_EQ(service_->Snapshot().image, image);
}

TEST_F(FirmwareUpdateFaults, BlockFailingTwiceEndsSilentlyAndTheNextUpdateWorks) {
    sim::FirmwarePolicy policy;
    policy.failBlock = 3;
    policy.failTimes = 2;
    service_->SetPolicy(policy);
    auto image = Image();
    std::string path = WriteFile(image);
    UpdateResult r = UpdateFirmware(*link_, host_, path);
    EXPECT_EQ(r.outcome, UpdateOutcome::BlockFailed);
    EXPECT_EQ(r.blocksSent, 3u);
    EXPECT_TRUE(host_.Messages().empty());
    EXPECT_EQ(host_.Positions().back(), 25) << "the bar keeps its last position";
    EXPECT_TRUE(host_.Texts().empty());
    ExpectReleased(host_);

    RecordingHost again;
    EXPECT_EQ(UpdateFirmware(*link_, again, path).outcome, UpdateOutcome::Done);
    EXPECT_EQ(service_->Snapshot().image, image);
}

TEST_F(FirmwareUpdateFaults, RefusedStartEndsSilentlyWithNothingMore) {
    sim::FirmwarePolicy policy;
    policy.maxImageSize = 1000;
    service_->SetPolicy(policy);
    UpdateResult r = UpdateFirmware(*link_, host_, WriteFile(Image()));
    EXPECT_EQ(r.outcome, UpdateOutcome::StartFailed);
    EXPECT_TRUE(host_.Messages().empty());
    EXPECT_TRUE(host_.Positions().empty());
    EXPECT_EQ(Requests(), 1u);
    ExpectReleased(host_);
}

TEST_F(FirmwareUpdateFaults, RemovalSeenBeforeABlockShowsDeviceRemoved) {
    host_.onProgress = [this](int percent) {
        if (percent >= 25)
            host_.connected = false;  // the page's timer saw the watch go
    };
    UpdateResult r = UpdateFirmware(*link_, host_, WriteFile(Image()));
    EXPECT_EQ(r.outcome, UpdateOutcome::DeviceRemoved);
    EXPECT_EQ(r.blocksSent, 3u);
    ASSERT_EQ(host_.Messages().size(), 1u);
    EXPECT_EQ(host_.Messages()[0].text, "Device removed!");
    EXPECT_EQ(host_.Messages()[0].caption, "Error");
    EXPECT_EQ(host_.Messages()[0].icon, ops::MessageIcon::Error);
    EXPECT_EQ(service_->Snapshot().blocksReceived, 3u);
    ExpectReleased(host_);
}

// The cable pulled during the transfer: the link's exchanges fail, both tries of the block
// fail, and the update ends without a message. Once the watch is back the next update works.
TEST_F(FirmwareUpdateFaults, UnplugDuringTransferThenUpdateAgainOnceBack) {
    host_.onProgress = [this](int percent) {
        if (percent == 50)
            sim_->Server().Unplug();
    };
    auto image = Image();
    std::string path = WriteFile(image);
    UpdateResult r = UpdateFirmware(*link_, host_, path);
    EXPECT_EQ(r.outcome, UpdateOutcome::BlockFailed);
    EXPECT_EQ(r.blocksSent, 5u);
    EXPECT_TRUE(host_.Messages().empty());
    ExpectReleased(host_);

    link_->Close();
    ASSERT_TRUE(sim_->Server().Plug());
    ASSERT_EQ(link_->Discover(), 1);
    RecordingHost again;
    EXPECT_EQ(UpdateFirmware(*link_, again, path).outcome, UpdateOutcome::Done);
    EXPECT_EQ(service_->Snapshot().image, image);
}

TEST_F(FirmwareUpdateFaults, WatchThatStopsAnsweringFailsTheBlockAfterTwoTimeOuts) {
    sim::FirmwarePolicy policy;
    policy.silentAfterBlocks = 2;
    service_->SetPolicy(policy);
    UpdateResult r = UpdateFirmware(*link_, host_, WriteFile(Image()));
    EXPECT_EQ(r.outcome, UpdateOutcome::BlockFailed);
    EXPECT_EQ(r.blocksSent, 2u);
    ExpectReleased(host_);
}

TEST_F(FirmwareUpdateFaults, VersionQueryInBothFormsAndAfterTheUpdate) {
    EXPECT_EQ(QueryFirmwareVersion(*link_), "ファームウェアバージョン 1.05") << "byte 10 is '{'";
    service_->SetOnComplete([this](const std::vector<uint8_t>&) {
        sim_->GetWatch().Identification().SetVersion({3, 2, 4});  // under the watch's lock
    });
    ASSERT_EQ(UpdateFirmware(*link_, host_, WriteFile(Image(2))).outcome, UpdateOutcome::Done);
    EXPECT_EQ(QueryFirmwareVersion(*link_), "ファームウェアバージョン 2.03.004");
    sim_->Server().Unplug();
    EXPECT_EQ(QueryFirmwareVersion(*link_), std::nullopt);
}

TEST(FirmwareArithmetic, BlockCountAndProgress) {
    EXPECT_EQ(FirmwareBlockCount(0, 512), 0u);
    EXPECT_EQ(FirmwareBlockCount(1024, 512), 2u);
    EXPECT_EQ(FirmwareBlockCount(1025, 512), 3u);
    EXPECT_EQ(FirmwareBlockCount(100, 0), 0u);
    // Where the 32-bit product does not wrap the figures are the same as before.
    for (uint32_t length : {1537u, 70000u, 3000000u}) {
        for (uint32_t i = 0; i * 512 < length; ++i) {
            ASSERT_EQ(FirmwareProgress(i, 512, length), int(i * 512u * 100u / length));
        }
    }
    // A 64 MB image: i·P·100 passes 2^32 at about 42 MB, yet the bar keeps climbing.
    const uint32_t big = 64u << 20;
    int last = -1;
    for (uint32_t i = 0; i < big / 512; i += 97) {
        int p = FirmwareProgress(i, 512, big);
        ASSERT_GE(p, last) << "block " << i;
        last = p;
    }
    EXPECT_EQ(FirmwareProgress(big / 512 - 1, 512, big), 99);
    EXPECT_EQ(FirmwareProgress(big / 1024, 512, big), 50);
}

}  // namespace
}  // namespace veldrant::firmware
