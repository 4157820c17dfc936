// The simulated watch on its own: which frames it takes, what it answers, its faults.
#include <gtest/gtest.h>

#include <cstring>

#include "devicelink/Frame.h"
#include "sim/Watch.h"
#include "tests/support/Frames.h"

namespace veldrant::testing {
namespace {

using sim::Action;
using sim::Fault;

struct Exchange {
    Action action;
    Report reply;
};

Exchange Send(sim::Watch& w, const Report& request) {
    Exchange e;
    e.action = w.Process(request.data(), request.size(), e.reply);
    return e;
}

Report Request(uint8_t code, uint32_t value = 0, uint32_t length = 525) {
    return BuildFrame(length, 1, code, 0, value);
}

TEST(Watch, AnswersIdentityWithItsRowAndVersionWithItsBytes) {
    sim::Watch w({.model = 2, .reportLength = 525, .version = {0x07, 0x02, 0x03}});
    Exchange id = Send(w, Request(200));
    ASSERT_EQ(id.action, Action::Reply);
    ASSERT_EQ(id.reply.size(), 525u);
    EXPECT_EQ(std::memcmp(id.reply.data() + 9, &g_DeviceTable[2], 76), 0);
    EXPECT_EQ(id.reply[1], 0x23);
    EXPECT_EQ(id.reply[2], 1);
    EXPECT_EQ(id.reply[3], 200);
    EXPECT_EQ(id.reply[524], 0x2A);
    Report resealed = id.reply;
    Reseal(resealed);
    EXPECT_EQ(resealed, id.reply) << "the reply's CRC is right";

    Exchange v = Send(w, Request(1, 0));
    ASSERT_EQ(v.action, Action::Reply);
    EXPECT_EQ(v.reply[9 + 8], 0x07);
    EXPECT_EQ(v.reply[9 + 9], 0x02);
    EXPECT_EQ(v.reply[9 + 10], 0x03);
    EXPECT_EQ(WordAt(Send(w, Request(1, 9)).reply, 5), 9u) << "the value is echoed";
}

TEST(Watch, IgnoresDamagedFramesAndUnknownCodes) {
    sim::Watch w;
    Report bad = Request(200);
    bad[1] = 0;
    EXPECT_EQ(Send(w, bad).action, Action::Silent);
    bad = Request(200);
    bad[524] = 0;
    EXPECT_EQ(Send(w, bad).action, Action::Silent);
    bad = Request(200);
    bad[100] = 1;  // not resealed
    EXPECT_EQ(Send(w, bad).action, Action::Silent);
    EXPECT_EQ(Send(w, BuildFrame(525, 2, 200, 0, 0)).action, Action::Silent) << "hosts send type 1";
    EXPECT_EQ(Send(w, Request(200, 0, 589)).action, Action::Silent) << "wrong length";
    EXPECT_EQ(Send(w, Request(77)).action, Action::Silent);
    sim::WatchStats s = w.Stats();
    EXPECT_EQ(s.rejected, 5u);
    EXPECT_EQ(s.unhandled, 1u);
    EXPECT_EQ(s.answered, 0u);
}

TEST(Watch, EachFaultDamagesItsField) {
    sim::Watch w;
    auto with = [&](Fault f) {
        w.SetFault({.fault = f});
        return Send(w, Request(1, 4));
    };
    EXPECT_EQ(with(Fault::NoAnswer).action, Action::Silent);
    EXPECT_EQ(WordAt(with(Fault::WrongEcho).reply, 5), 5u);
    EXPECT_EQ(with(Fault::WrongCommand).reply[3], 2);
    EXPECT_EQ(with(Fault::Type0).reply[2], 0);
    EXPECT_EQ(with(Fault::Type3).reply[2], 3);
    Report crc = with(Fault::BadCrc).reply;
    Report fixed = crc;
    Reseal(fixed);
    EXPECT_NE(crc[522], fixed[522]);
    EXPECT_EQ(crc[521], fixed[521]);
}

TEST(Watch, FaultPlanCountsOnlyItsCode) {
    sim::Watch w;
    w.SetFault({.fault = Fault::NoAnswer, .code = 1, .skip = 1, .times = 2});
    EXPECT_EQ(Send(w, Request(200)).action, Action::Reply) << "another code";
    EXPECT_EQ(Send(w, Request(1)).action, Action::Reply) << "skipped";
    EXPECT_EQ(Send(w, Request(1)).action, Action::Silent);
    EXPECT_EQ(Send(w, Request(200)).action, Action::Reply);
    EXPECT_EQ(Send(w, Request(1)).action, Action::Silent);
    EXPECT_EQ(Send(w, Request(1)).action, Action::Reply) << "two times only";
    EXPECT_EQ(w.Stats().faulted, 2u);
}

TEST(Watch, UnplugsAtTheRequestAfterN) {
    sim::Watch w;
    w.UnplugAfter(2);
    EXPECT_EQ(Send(w, Request(1)).action, Action::Reply);
    EXPECT_EQ(Send(w, Request(1)).action, Action::Reply);
    EXPECT_EQ(Send(w, Request(1)).action, Action::Unplug);
    EXPECT_EQ(Send(w, Request(1)).action, Action::Reply) << "plugged back in, it answers again";
}

class CountingService : public sim::IWatchService {
public:
    bool Handles(uint8_t code) const override { return code == 10 || code == 1; }
    void Handle(const sim::Request& request, sim::Reply& reply) override {
        reply.SetWord(0, request.Word(0) + 1);
        reply.type = 2;
    }
};

TEST(Watch, ServicesAnswerTheirCodesAndTheIdentityServiceComesFirst) {
    sim::Watch w;
    w.AddService(std::make_shared<CountingService>());
    Report req = BuildFrame(525, 1, 10, 1, 0, {41, 0, 0, 0});
    Exchange e = Send(w, req);
    ASSERT_EQ(e.action, Action::Reply);
    EXPECT_EQ(WordAt(e.reply, 9), 42u);
    EXPECT_EQ(e.reply[2], 2);
    EXPECT_EQ(Send(w, Request(1)).reply[2], 1) << "code 1 stays with the identity service";
}

}  // namespace
}  // namespace veldrant::testing
