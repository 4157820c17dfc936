// One Veldrant program at a time on a watch: the lock that discovery, jobs and requests take,
// and the input another program's exchanges leave queued on an idle handle.
#include "tests/devicelink/LinkFixture.h"

namespace veldrant::testing {
namespace {

using Hold = CDeviceLink::HoldOutcome;

Responder Echo() {
    return Answer([](const Report& out) { return EchoReply(out, {0x21}); });
}

TEST(WatchLock, RepliesToAnotherProgramQueuedOnAnIdleHandleAreDiscarded) {
    OpenLink o(Echo());
    ASSERT_EQ(o.link->SendCommand(10, 0), 1);
    // Another program asked for the version meanwhile; its reply reached this handle too.
    o.device->Inject(BuildFrame(525, 1, 1, 0, 0, {0x99}));
    EXPECT_EQ(o.link->SendCommand(18, 0), 1);
    EXPECT_EQ(o.link->ReplyWord(), 0x21u);
}

TEST(WatchLock, DiscoverySkipsAWatchAnotherProgramHolds) {
    auto fake = std::make_shared<FakeTransport>();
    fake->Add({.path = "/a", .ids = IdsOfRow(0), .responder = Echo()});
    fake->Add({.path = "/b", .ids = IdsOfRow(0), .responder = Echo()});
    fake->HoldElsewhere("/a", 4711);
    CDeviceLink link({fake}, std::chrono::milliseconds(200));
    link.SetDiagnosticStream(nullptr);
    ASSERT_EQ(link.Discover(), 1);
    EXPECT_EQ(link.DevicePath(), "/b");
    auto seen = link.LastDiscovery();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].busy);
    EXPECT_EQ(seen[0].holderPid, 4711);
    EXPECT_EQ(seen[0].verdict, "busy with another Veldrant program (process 4711)");
    EXPECT_EQ(fake->OpenCount("/a"), 0);
    // Without a job the lock goes at the end of discovery.
    EXPECT_FALSE(fake->LockedHere("/b"));

    fake->HoldElsewhere("/b", 4712);
    link.Close();
    EXPECT_EQ(link.Discover(), 0);
    long holder = 0;
    EXPECT_TRUE(link.RefusedAsBusy(&holder));
    EXPECT_EQ(holder, 4712);
}

TEST(WatchLock, ARequestWhileAnotherProgramHoldsTheWatchSendsNothing) {
    OpenLink o(Echo());
    o.fake->HoldElsewhere(kFakePath, 99);
    EXPECT_EQ(o.link->SendCommand(10, 0), 0);
    EXPECT_EQ(o.device->Written().size(), 0u);
    EXPECT_EQ(o.link->Hold(), Hold::Busy);
    o.fake->ReleaseElsewhere(kFakePath);
    EXPECT_EQ(o.link->SendCommand(10, 0), 1);
    EXPECT_FALSE(o.link->RefusedAsBusy());
    EXPECT_FALSE(o.fake->LockedHere(kFakePath));  // a lone request gives it back at once
}

TEST(WatchLock, HoldsNestOutliveAReplugAndGiveTheLockBackOnce) {
    OpenLink o(Echo());
    struct Step {
        const char* what;
        std::function<void(CDeviceLink&)> act;
        bool locked;
    };
    const std::vector<Step> steps = {
        {"first hold", [](CDeviceLink& l) { EXPECT_EQ(l.Hold(), Hold::Held); }, true},
        {"nested hold", [](CDeviceLink& l) { EXPECT_EQ(l.Hold(), Hold::Held); }, true},
        // Requests under a hold use it: a second lock of this process would refuse itself.
        {"request", [](CDeviceLink& l) { EXPECT_EQ(l.SendCommand(10, 0), 1); }, true},
        {"watch removed", [](CDeviceLink& l) { l.Close(); }, true},
        {"found again", [](CDeviceLink& l) { EXPECT_EQ(l.Discover(), 1); }, true},
        {"inner release", [](CDeviceLink& l) { l.Release(); }, true},
        {"outer release", [](CDeviceLink& l) { l.Release(); }, false},
        {"extra release", [](CDeviceLink& l) { l.Release(); }, false},
    };
    for (const Step& step : steps) {
        step.act(*o.link);
        EXPECT_EQ(o.fake->LockedHere(kFakePath), step.locked) << step.what;
    }
    o.link->Close();
    EXPECT_EQ(o.link->Hold(), Hold::Closed);
}

TEST(WatchLock, AProgramOfOneWatchKeepsItFromDiscoveryToClose) {
    auto fake = std::make_shared<FakeTransport>();
    fake->Add({.path = "/w",
               .ids = IdsOfRow(3),
               .responder = WatchResponder(std::make_shared<sim::Watch>())});
    CDeviceLink link({fake}, std::chrono::milliseconds(200));
    link.SetDiagnosticStream(nullptr);
    link.HoldWhileOpen(true);
    ASSERT_EQ(link.Discover(), 1);  // the identity request went out under the lock
    EXPECT_TRUE(fake->LockedHere("/w"));
    link.Close();
    EXPECT_FALSE(fake->LockedHere("/w"));
}

}  // namespace
}  // namespace veldrant::testing
