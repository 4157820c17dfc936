// The simulated watch's side of a firmware update, driven request by request.
#include "sim/FirmwareService.h"

#include <gtest/gtest.h>

#include <cstring>

#include "devicelink/Commands.h"
#include "devicelink/Frame.h"

namespace veldrant::sim {
namespace {

constexpr uint32_t kP = 64;

class FirmwareServiceTest : public ::testing::Test {
protected:
    // One request through the service; returns the reply as the dispatcher would send it.
    Reply Send(uint8_t mode, uint32_t value, const std::vector<uint8_t>& payload) {
        std::vector<uint8_t> buf(kP, 0);
        std::memcpy(buf.data(), payload.data(), std::min<size_t>(payload.size(), kP));
        Request rq;
        rq.type = 1;
        rq.command = CMD_FW_UPDATE;
        rq.mode = mode;
        rq.value = value;
        rq.payload = buf.data();
        rq.payloadSize = kP;
        Reply reply;
        reply.command = rq.command;
        reply.value = value;
        reply.payload.assign(kP, 0);
        service.Handle(rq, reply);
        return reply;
    }
    Reply Start(uint32_t length) {
        std::vector<uint8_t> word(4);
        StoreLe32(word.data(), length);
        return Send(1, 0, word);
    }
    Reply Block(uint32_t n, uint8_t fill, size_t count = kP) {
        std::vector<uint8_t> bytes(kP, 0);
        std::fill(bytes.begin(), bytes.begin() + long(count), fill);
        return Send(0, n, bytes);
    }
    static bool Acked(const Reply& r, uint32_t n) { return r.send && r.value == n; }

    FirmwareService service;
};

TEST_F(FirmwareServiceTest, ReassemblesTheImageAndNotesTheTail) {
    ASSERT_EQ(Start(2 * kP + 3).command, CMD_FW_UPDATE);
    EXPECT_TRUE(Acked(Block(0, 0x11), 0));
    EXPECT_TRUE(Acked(Block(1, 0x22), 1));
    EXPECT_FALSE(service.Snapshot().complete);
    EXPECT_TRUE(Acked(Block(2, 0x33, 3), 2));
    auto s = service.Snapshot();
    EXPECT_TRUE(s.complete);
    EXPECT_TRUE(s.tailZero);
    ASSERT_EQ(s.image.size(), 2 * kP + 3);
    EXPECT_EQ(s.image[0], 0x11);
    EXPECT_EQ(s.image[kP], 0x22);
    EXPECT_EQ(s.image[2 * kP + 2], 0x33);

    ASSERT_EQ(Start(kP + 1).command, CMD_FW_UPDATE) << "a new start forgets the old image";
    EXPECT_TRUE(Acked(Block(0, 1), 0));
    EXPECT_TRUE(Acked(Block(1, 9, 5), 1));  // four bytes past the image are not zero
    EXPECT_FALSE(service.Snapshot().tailZero);
}

TEST_F(FirmwareServiceTest, RefusesBadNumberingButTakesARepeat) {
    EXPECT_FALSE(Acked(Block(0, 1), 0)) << "no start request yet";
    Start(3 * kP);
    EXPECT_FALSE(Acked(Block(1, 1), 1)) << "block 0 skipped";
    EXPECT_TRUE(Acked(Block(0, 1), 0));
    EXPECT_TRUE(Acked(Block(0, 2), 0)) << "the same block again, its acknowledgement lost";
    EXPECT_TRUE(Acked(Block(1, 3), 1));
    EXPECT_FALSE(Acked(Block(0, 4), 0)) << "two blocks back";
    EXPECT_FALSE(Acked(Block(3, 4), 3)) << "past the last block";
    EXPECT_TRUE(Acked(Block(2, 5), 2));
    auto s = service.Snapshot();
    EXPECT_TRUE(s.complete);
    EXPECT_EQ(s.blocksReceived, 3u);
    EXPECT_EQ(s.image[0], 2);
    EXPECT_EQ(s.refused, 3u) << "counted since the start request";
}

TEST_F(FirmwareServiceTest, RefusesImpossibleStarts) {
    EXPECT_EQ(Start(0).command, 0) << "an empty image";
    EXPECT_EQ(Start((16u << 20) + 1).command, 0) << "larger than the watch takes";
    std::vector<uint8_t> word(4);
    StoreLe32(word.data(), 100);
    EXPECT_EQ(Send(1, 7, word).command, 0) << "value must be 0";
    EXPECT_FALSE(service.Snapshot().started);
}

TEST_F(FirmwareServiceTest, PoliciesFailABlockThenFallSilent) {
    FirmwarePolicy policy;
    policy.failBlock = 1;
    policy.failTimes = 2;
    policy.silentAfterBlocks = 3;
    service.SetPolicy(policy);
    Start(10 * kP);
    EXPECT_TRUE(Acked(Block(0, 1), 0));
    EXPECT_FALSE(Acked(Block(1, 1), 1));
    EXPECT_FALSE(Acked(Block(1, 1), 1));
    EXPECT_TRUE(Acked(Block(1, 1), 1)) << "the third try";
    EXPECT_TRUE(Acked(Block(2, 1), 2));
    EXPECT_FALSE(Block(3, 1).send) << "three blocks taken, then silence";
}

TEST_F(FirmwareServiceTest, UnplugsOnceAfterNBlocks) {
    FirmwarePolicy policy;
    policy.unplugAfterBlocks = 2;
    service.SetPolicy(policy);
    Start(4 * kP);
    EXPECT_FALSE(Block(0, 1).unplug);
    EXPECT_TRUE(Block(1, 1).unplug) << "the second block is taken, then the watch goes";
    EXPECT_EQ(service.Snapshot().blocksReceived, 2u);
    EXPECT_FALSE(Block(2, 1).unplug) << "once back, it stays";
}

}  // namespace
}  // namespace veldrant::sim
