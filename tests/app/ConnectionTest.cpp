// The window and its pages following the watch: found at start-up without the one-second wait,
// found by the search when plugged in later, lost when pulled out, and every page's button
// faces and the firmware version following on the pages' timers.
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include "course/Dialog2.h"
#include "firmware/Dialog1.h"
#include "marks/Dialog6.h"
#include "tests/app/GuiSupport.h"
#include "widgets/Resources.h"

using namespace veldrant::guitest;
using veldrant::g_bConnected;

namespace {

struct FacePair {
    int in, out;
};
void ExpectFaces(veldrant::app::CDevicePage* page, FacePair faces) {
    EXPECT_EQ(page->FaceIn(), faces.in) << page->objectName().toStdString();
    EXPECT_EQ(page->FaceOut(), faces.out) << page->objectName().toStdString();
}

void ExpectAllFaces(CBrassieDlg& w, bool connected) {
    ExpectFaces(w.MarkPage(), connected ? FacePair{IDB_MARK_IN, IDB_MARK_OUT}
                                        : FacePair{IDB_MARK_ABSENT_IN, IDB_MARK_ABSENT_OUT});
    FacePair upload = connected ? FacePair{IDB_UPLOAD_IN, IDB_UPLOAD_OUT}
                                : FacePair{IDB_UPLOAD_ABSENT_IN, IDB_UPLOAD_ABSENT_OUT};
    ExpectFaces(w.CoursePage(), upload);
    ExpectFaces(w.FirmwarePage(), upload);
}

}  // namespace

TEST(Connection, AWatchPluggedInBeforeStartIsConnectedWithoutWaitingASecond) {
    // An hour between searches: only the search at start can find it.
    WindowRig rig({}, true, veldrant::testing::kTestTimeout, kNever);
    rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
}

TEST(Connection, AWatchPluggedInLaterIsFoundByTheSearch) {
    WindowRig rig({}, /*plugged=*/false);
    rig.Open();
    EXPECT_EQ(g_bConnected.load(), 0);
    ASSERT_TRUE(rig.Sim().Server().Plug());
    ASSERT_TRUE(rig.WaitConnected());
}

TEST(Connection, AWatchPulledOutIsLostAndFoundAgainWhenPluggedBackIn) {
    WindowRig rig;
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    rig.Sim().Server().Unplug();
    ASSERT_TRUE(WaitFor([] { return g_bConnected.load() == 0; }, kLongWait));
    EXPECT_EQ(w.Link()->m_bConnected.load(), 0);

    ASSERT_TRUE(rig.Sim().Server().Plug());
    ASSERT_TRUE(rig.WaitConnected());
}

TEST(Connection, EveryPagesFacesAndTheFirmwareVersionFollowTheWatch) {
    WindowRig rig({}, /*plugged=*/false);
    CBrassieDlg& w = rig.Open();
    ExpectAllFaces(w, false);
    EXPECT_TRUE(w.FirmwarePage()->VersionText()->text().isEmpty());

    ASSERT_TRUE(rig.Sim().Server().Plug());
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());
    ExpectAllFaces(w, true);
    // The default simulated watch answers 5, 1, 0x7B: two numbers only.
    ASSERT_TRUE(WaitFor([&] { return w.FirmwarePage()->VersionShown(); }, kLongWait));
    EXPECT_EQ(w.FirmwarePage()->VersionText()->text(), "ファームウェアバージョン 1.05");

    rig.Sim().Server().Unplug();
    ASSERT_TRUE(WaitFor([] { return g_bConnected.load() == 0; }, kLongWait));
    ASSERT_TRUE(rig.WaitFacesSettled());
    ExpectAllFaces(w, false);
    EXPECT_TRUE(w.FirmwarePage()->VersionText()->text().isEmpty());
    EXPECT_FALSE(w.FirmwarePage()->VersionShown());
}

TEST(Connection, AVersionQueryThatGoesUnansweredIsAskedAgainEverySecond) {
    veldrant::sim::WatchOptions options;
    options.version = {3, 2, 4};  // three numbers
    WindowRig rig(options);
    // The first two version requests go unanswered.
    rig.Sim().GetWatch().SetFault(
        {veldrant::sim::Fault::NoAnswer, veldrant::CMD_FW_VERSION, 0, /*times=*/2});
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(WaitFor([&] { return w.FirmwarePage()->VersionShown(); }, kLongWait));
    // Asked on three ticks of the one-second timer: never sooner.
    EXPECT_GE(clock.elapsed(), 1500);
    EXPECT_EQ(w.FirmwarePage()->VersionText()->text(), "ファームウェアバージョン 2.03.004");
    EXPECT_EQ(rig.Sim().GetWatch().Stats().perCode[veldrant::CMD_FW_VERSION], 3u);
    // Shown once a connection: no more asking.
    QTest::qWait(1300);
    EXPECT_EQ(rig.Sim().GetWatch().Stats().perCode[veldrant::CMD_FW_VERSION], 3u);
}

TEST(Connection, ClosingTheWindowEndsASearchThatWaitsForTheWatch) {
    // The watch takes the identity request and never answers, and the link would wait an hour
    // for it: the window closes only because closing cuts the search short.
    WindowRig rig({}, true, kNever);
    rig.Sim().GetWatch().SetFault({veldrant::sim::Fault::NoAnswer, veldrant::CMD_IDENTITY});
    rig.Open();
    ASSERT_TRUE(
        WaitFor([&] { return rig.Sim().GetWatch().Stats().perCode[veldrant::CMD_IDENTITY] >= 1; },
                kLongWait));
    rig.Close();
    EXPECT_EQ(veldrant::g_pDeviceLink.load(), nullptr);
    EXPECT_EQ(g_bConnected.load(), 0);
}
