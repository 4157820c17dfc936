// The three device pages driven through the window against the simulated watch: the refused
// press, a cancelled file dialog, and each page's operation from the button to the watch (or
// the file), with the window locked while it runs.
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "app/TabCtrl.h"
#include "app/logbook/ShowLogbook.h"
#include "course/Dialog2.h"
#include "firmware/Dialog1.h"
#include "marks/Dialog6.h"
#include "marks/MarkExport.h"
#include "marks/MarkImport.h"
#include "platform/File.h"
#include "sim/CourseService.h"
#include "sim/FirmwareService.h"
#include "sim/MarkService.h"
#include "tests/app/GuiSupport.h"
#include "tests/course/upload_packages.h"
#include "tests/firmware/FirmwareImageMaker.h"
#include "tests/support/Environment.h"
#include "widgets/ButtonST.h"
#include "widgets/Resources.h"
#include "widgets/TextProgressCtrl.h"

using namespace veldrant::guitest;
using veldrant::g_bBusy;
using veldrant::g_bConnected;
using veldrant::app::CDevicePage;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(veldrant::platform::Utf8Path(path), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(veldrant::platform::Utf8Path(path), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// A folder named in Japanese in `dir`, as a golfer's own folders are: the page must hand the
// chosen path on whole, whatever the system's code page.
std::string JapaneseFolder(const veldrant::testing::TempDir& dir, const char* name) {
    const std::string folder = dir.Path() + "/" + name;
    std::filesystem::create_directory(veldrant::platform::Utf8Path(folder));
    return folder;
}

CTextProgressCtrl& Bar(CBrassieDlg& w) {
    return w.ProgressBar();
}

// Presses the page's button and waits until the page has its button back.
void PressAndWait(CBrassieDlg& w, int tab, CDevicePage* page, int ms = 60000) {
    ClickTab(w, tab);
    Click(page->StartButton());
    ASSERT_TRUE(WaitFor([&] { return page->StartButton()->isEnabled(); }, ms));
    // Let the last queued progress reach the bar.
    QTest::qWait(20);
}

// What the window looks like while an operation runs: busy, locked, button disabled with its
// busy face, and the tabs refused.
struct RunningView {
    bool seen = false;
    bool busy = false, exitEnabled = true, buttonEnabled = true, tabRefused = false;
    int face = 0;
};

RunningView Observe(CBrassieDlg& w, CDevicePage* page, int tab) {
    RunningView v;
    v.seen = true;
    v.busy = g_bBusy.load() == 1;
    v.exitEnabled = w.ExitButton()->isEnabled();
    v.buttonEnabled = page->StartButton()->isEnabled();
    v.face = page->FaceIn();
    ClickTab(w, (tab + 1) % CBrassieDlg::kTabCount);
    v.tabRefused = w.TabCtrl()->GetCurSel() == tab && page->isVisible();
    return v;
}

// Stands in front of a service and holds the request it is told to hold (counted from 0) until
// the test lets it go: the page's worker waits for that reply meanwhile, whatever the speed of
// the build. Holding keeps the watch's lock, so the test must not ask the watch anything then.
class HoldingService : public veldrant::sim::IWatchService {
public:
    HoldingService(std::shared_ptr<veldrant::sim::IWatchService> inner, int hold)
        : inner_(std::move(inner)), hold_(hold) {}
    ~HoldingService() override { Release(); }

    bool Handles(uint8_t code) const override { return inner_->Handles(code); }
    void Handle(const veldrant::sim::Request& request, veldrant::sim::Reply& reply) override {
        std::unique_lock lock(mutex_);
        if (seen_++ == hold_) {
            held_ = true;
            cv_.wait(lock, [this] { return released_; });
        }
        lock.unlock();
        inner_->Handle(request, reply);
    }
    bool Held() {
        std::lock_guard lock(mutex_);
        return held_;
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        cv_.notify_all();
    }

private:
    std::shared_ptr<veldrant::sim::IWatchService> inner_;
    const int hold_;
    std::mutex mutex_;
    std::condition_variable cv_;
    int seen_ = 0;
    bool held_ = false;
    bool released_ = false;
};

void ExpectRestored(CBrassieDlg& w, CDevicePage* page) {
    EXPECT_EQ(g_bBusy.load(), 0);
    EXPECT_TRUE(w.ExitButton()->isEnabled());
    EXPECT_TRUE(page->StartButton()->isEnabled());
}

class PagesTest : public ::testing::Test {
protected:
    veldrant::testing::TempDir dir_;
};

}  // namespace

TEST_F(PagesTest, APressWithoutAWatchShowsTheHintOverTheRefusedFace) {
    WindowRig rig({}, /*plugged=*/false);
    CBrassieDlg& w = rig.Open();
    struct Case {
        int tab;
        CDevicePage* page;
        int refused, absentIn, absentOut;
    };
    for (Case c :
         {Case{0, w.MarkPage(), IDB_MARK_REFUSED, IDB_MARK_ABSENT_IN, IDB_MARK_ABSENT_OUT},
          Case{1, w.CoursePage(), IDB_UPLOAD_REFUSED, IDB_UPLOAD_ABSENT_IN, IDB_UPLOAD_ABSENT_OUT},
          Case{2, w.FirmwarePage(), IDB_UPLOAD_REFUSED, IDB_UPLOAD_ABSENT_IN,
               IDB_UPLOAD_ABSENT_OUT}}) {
        ClickTab(w, c.tab);
        Bar(w).SetPos(40);
        Bar(w).SetWindowText("old");
        MessageBoxCatcher catcher;
        int faceWhileShown = -1;
        catcher.whileShown = [&](QMessageBox*) { faceWhileShown = c.page->FaceIn(); };
        Click(c.page->StartButton());
        ASSERT_EQ(catcher.seen.size(), 1u) << "tab " << c.tab;
        EXPECT_EQ(catcher.seen[0].text, "端末とUSBの接続を確認してください");
        EXPECT_EQ(catcher.seen[0].title, " ");
        EXPECT_EQ(catcher.seen[0].icon, QMessageBox::NoIcon);
        EXPECT_EQ(faceWhileShown, c.refused);
        EXPECT_EQ(c.page->FaceIn(), c.absentIn);
        EXPECT_EQ(c.page->FaceOut(), c.absentOut);
        EXPECT_EQ(Bar(w).GetPos(), 0);
        EXPECT_TRUE(Bar(w).WindowText().isEmpty());
        ExpectRestored(w, c.page);
    }
    EXPECT_TRUE(rig.Dialogs().requests.empty());
}

TEST_F(PagesTest, CancellingTheOpenDialogLeavesTheBarAtZeroAndTheButtonReady) {
    WindowRig rig;
    auto firmware = std::make_shared<veldrant::sim::FirmwareService>();
    rig.Sim().GetWatch().AddService(firmware);
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());

    struct Case {
        int tab;
        CDevicePage* page;
        const char* filter;
    };
    for (Case c : {Case{1, w.CoursePage(), "Golf Files(*.zip);;All File(*.*)"},
                   Case{2, w.FirmwarePage(), "Bin Files(*.bin);;All File(*.*)"}}) {
        rig.Dialogs().requests.clear();
        Bar(w).SetPos(70);
        int faceWhileOpen = 0;
        bool enabledWhileOpen = true;
        rig.Dialogs().whileOpen = [&] {
            faceWhileOpen = c.page->FaceIn();
            enabledWhileOpen = c.page->StartButton()->isEnabled();
        };
        PressAndWait(w, c.tab, c.page);
        ASSERT_EQ(rig.Dialogs().requests.size(), 1u);
        EXPECT_EQ(rig.Dialogs().requests[0].title, "開く");
        EXPECT_EQ(rig.Dialogs().requests[0].filter, c.filter);
        EXPECT_EQ(rig.Dialogs().requests[0].owner, c.page);
        EXPECT_EQ(faceWhileOpen, IDB_UPLOAD_BUSY);
        EXPECT_FALSE(enabledWhileOpen);
        EXPECT_EQ(Bar(w).GetPos(), 0);
        EXPECT_TRUE(Bar(w).WindowText().isEmpty());
        EXPECT_EQ(c.page->FaceIn(), IDB_UPLOAD_IN);
        EXPECT_EQ(c.page->FaceOut(), IDB_UPLOAD_OUT);
        ExpectRestored(w, c.page);
    }
    EXPECT_EQ(firmware->Snapshot().starts, 0u);
}

TEST_F(PagesTest, TheFirmwarePageWritesTheChosenImageToTheWatch) {
    // The link waits as long as the test takes to look at the window.
    WindowRig rig({}, true, kNever);
    auto firmware = std::make_shared<veldrant::sim::FirmwareService>();
    // Requests under code 2: the start, then blocks 0, 1, ...; block 1 is held.
    auto holding = std::make_shared<HoldingService>(firmware, 2);
    rig.Sim().GetWatch().AddService(holding);
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());

    const uint32_t p = rig.Sim().GetWatch().PayloadSize();
    std::vector<uint8_t> image =
        veldrant::firmware::test::ImageOfLength(40 * p + 7, rig.Sim().GetWatch().Identity().Name());
    rig.Dialogs().answer = QString::fromStdString(
        WriteFile(JapaneseFolder(dir_, "ファームウェア") + "/更新.bin", image));
    MessageBoxCatcher catcher;
    ClickTab(w, 2);
    Click(w.FirmwarePage()->StartButton());
    // Looked at while the worker waits for the reply to block 1.
    ASSERT_TRUE(WaitFor([&] { return holding->Held(); }, kLongWait));
    RunningView running = Observe(w, w.FirmwarePage(), 2);
    holding->Release();
    ASSERT_TRUE(WaitFor([&] { return w.FirmwarePage()->StartButton()->isEnabled(); }, kLongWait));

    auto state = firmware->Snapshot();
    EXPECT_TRUE(state.complete);
    EXPECT_EQ(state.image, image);
    EXPECT_TRUE(catcher.seen.empty());
    EXPECT_EQ(Bar(w).GetPos(), 100);
    EXPECT_EQ(Bar(w).WindowText(), "完了しました。");
    ExpectRestored(w, w.FirmwarePage());
    EXPECT_EQ(w.FirmwarePage()->FaceIn(), IDB_UPLOAD_IN);
    EXPECT_TRUE(running.busy);
    EXPECT_FALSE(running.exitEnabled);
    EXPECT_FALSE(running.buttonEnabled);
    EXPECT_EQ(running.face, IDB_UPLOAD_BUSY);
    EXPECT_TRUE(running.tabRefused);
}

TEST_F(PagesTest, TheFirmwarePageRefusesAnImageForAnotherWatchInAnOpenFileBox) {
    WindowRig rig;
    auto firmware = std::make_shared<veldrant::sim::FirmwareService>();
    rig.Sim().GetWatch().AddService(firmware);
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());
    rig.Dialogs().answer = QString::fromStdString(WriteFile(
        dir_.Path() + "/other.bin", veldrant::firmware::test::NameImage(3000, "ANOTHER_WATCH")));
    MessageBoxCatcher catcher;
    PressAndWait(w, 2, w.FirmwarePage());
    ASSERT_EQ(catcher.seen.size(), 1u);
    EXPECT_EQ(catcher.seen[0].text, "Incorrect firmwarefile!");
    EXPECT_EQ(catcher.seen[0].title, "Open File");
    EXPECT_EQ(catcher.seen[0].icon, QMessageBox::Critical);
    EXPECT_EQ(firmware->Snapshot().starts, 0u);
    ExpectRestored(w, w.FirmwarePage());
}

TEST_F(PagesTest, ANameOfAFileThatDoesNotExistReachesTheJobWhichSaysItCannotReadIt) {
    WindowRig rig;
    auto firmware = std::make_shared<veldrant::sim::FirmwareService>();
    auto courses = std::make_shared<veldrant::sim::CourseService>();
    rig.Sim().GetWatch().AddService(firmware);
    rig.Sim().GetWatch().AddService(courses);
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());
    struct Case {
        int tab;
        CDevicePage* page;
        QStringList texts;  // the last one with the caption "Error"
    };
    for (const Case& c :
         {Case{2, w.FirmwarePage(), {"Failed to Open firmware file"}},
          Case{1, w.CoursePage(), {"Failed to read zip file!", "Failed to read course file"}}}) {
        rig.Dialogs().answer = QString::fromStdString(dir_.Path() + "/no-such-file");
        MessageBoxCatcher catcher;
        PressAndWait(w, c.tab, c.page);
        QStringList texts;
        for (const SeenMessage& m : catcher.seen)
            texts << m.text;
        EXPECT_EQ(texts, c.texts) << "tab " << c.tab;
        if (!catcher.seen.empty()) {
            EXPECT_EQ(catcher.seen.back().title, "Error");
        }
        ExpectRestored(w, c.page);
    }
    EXPECT_EQ(firmware->Snapshot().starts, 0u);
    EXPECT_FALSE(courses->Snapshot().directoryComplete);
}

TEST_F(PagesTest, TheCoursePageWritesThePackagesImagesToTheWatch) {
    WindowRig rig;
    auto courses = std::make_shared<veldrant::sim::CourseService>();
    rig.Sim().GetWatch().AddService(courses);
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());

    std::string package = veldrant::course::test::Write(
        veldrant::course::test::Package(3), JapaneseFolder(dir_, "コース") + "/ゴルフ場.zip");
    auto expected = veldrant::course::test::BuildExpected(package);
    rig.Dialogs().answer = QString::fromStdString(package);
    MessageBoxCatcher catcher;
    PressAndWait(w, 1, w.CoursePage(), 60000);

    auto state = courses->Snapshot();
    EXPECT_TRUE(catcher.seen.empty());
    EXPECT_TRUE(state.directoryComplete);
    EXPECT_EQ(state.directory, expected.directory);
    EXPECT_EQ(state.courses, expected.courses);
    EXPECT_EQ(state.ends, 1u);
    EXPECT_EQ(Bar(w).GetPos(), 100);
    EXPECT_EQ(Bar(w).WindowText(), "完了しました。");
    ExpectRestored(w, w.CoursePage());
}

TEST_F(PagesTest, TheCoursePageReportsAnUnreadablePackage) {
    WindowRig rig;
    rig.Sim().GetWatch().AddService(std::make_shared<veldrant::sim::CourseService>());
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());
    rig.Dialogs().answer =
        QString::fromStdString(WriteFile(dir_.Path() + "/broken.zip", {'n', 'o', 't', 'z'}));
    MessageBoxCatcher catcher;
    PressAndWait(w, 1, w.CoursePage());
    ASSERT_FALSE(catcher.seen.empty());
    EXPECT_EQ(catcher.seen.back().text, "Failed to read course file");
    EXPECT_EQ(catcher.seen.back().title, "Error");
    EXPECT_EQ(catcher.seen.back().icon, QMessageBox::Critical);
    ExpectRestored(w, w.CoursePage());
}

TEST_F(PagesTest, TheMarkPageSavesTheSameCsvAsTheMarkImportOperation) {
    veldrant::sim::MarkData data = veldrant::sim::EncodeSample(veldrant::sim::GenerateMarkSample());
    WindowRig rig;
    rig.Sim().GetWatch().AddService(std::make_shared<veldrant::sim::MarkService>(data));
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());

    const std::string fromPage = JapaneseFolder(dir_, "地点データ") + "/地点.csv";
    rig.Dialogs().answer = QString::fromStdString(fromPage);
    const QByteArray logbookBefore = qgetenv("VELDRANT_LOGBOOK");
    veldrant::testing::SetEnvironment("VELDRANT_LOGBOOK", dir_.Path() + "/ログブック.sqlite3");
    MessageBoxCatcher catcher;
    PressAndWait(w, 0, w.MarkPage());
    veldrant::testing::SetEnvironment("VELDRANT_LOGBOOK", logbookBefore.toStdString());
    // What the file holds went into the logbook too, once it was in place; the page says so.
    if (veldrant::app::HasLogbook()) {
        const QString line = w.MarkPage()->LogbookLine()->text();
        EXPECT_TRUE(w.MarkPage()->OpenLogbookButton()->isVisibleTo(w.MarkPage()));
        EXPECT_TRUE(QRegularExpression("^ログブック：([1-9]\\d*)ラウンド：新規 \\1、記録済み 0$")
                        .match(line)
                        .hasMatch())
            << line.toStdString();
    }
    ASSERT_EQ(rig.Dialogs().requests.size(), 1u);
    const auto& request = rig.Dialogs().requests[0];
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.owner, w.MarkPage());
    EXPECT_EQ(request.filter, "CSV Files(*.csv);;All File(*.*)");
    EXPECT_TRUE(
        QRegularExpression("^\\d{8}_\\d{6}_MARK\\.csv$").match(request.defaultName).hasMatch())
        << request.defaultName.toStdString();
    EXPECT_TRUE(catcher.seen.empty());
    EXPECT_EQ(Bar(w).WindowText(), "完了しました。");
    ExpectRestored(w, w.MarkPage());
    EXPECT_EQ(w.MarkPage()->FaceIn(), IDB_MARK_IN);

    // The same watch read by the operation on its own, as the command line does.
    veldrant::testing::SimHarness other;
    other.GetWatch().AddService(std::make_shared<veldrant::sim::MarkService>(data));
    auto link = other.MakeLink();
    ASSERT_EQ(link->Discover(), 1);
    struct Host : veldrant::marks::IMarkImportHost {
        std::string path;
        void SetProgressPos(int) override {}
        void SetProgressText(const std::string&) override {}
        void ShowMessage(const std::string&, const std::string&,
                         veldrant::ops::MessageIcon) override {}
        void SetOperationRunning(bool) override {}
        bool IsConnected() override { return true; }
        std::optional<std::string> ChooseOutputPath(const std::string&) override { return path; }
    } host;
    host.path = dir_.Path() + "/operation.csv";
    veldrant::marks::MarkImport import(*link);
    ASSERT_EQ(import.Start(host), veldrant::marks::StartOutcome::Ready);
    import.Run(host);

    std::string page = ReadAll(fromPage);
    EXPECT_GT(page.size(), 100u);
    EXPECT_EQ(page, ReadAll(host.path));
}

// A set lost on the way: the bar says the import failed, the file the user had stays, and what
// arrived is written beside it and offered to the rounds page under that name.
TEST_F(PagesTest, TheMarkPageKeepsTheUsersFileWhenASetIsLost) {
    veldrant::sim::MarkData data = veldrant::sim::EncodeSample(veldrant::sim::GenerateMarkSample());
    veldrant::sim::MarkFaults faults;
    faults.failReadSet = 0;
    WindowRig rig;
    rig.Sim().GetWatch().AddService(std::make_shared<veldrant::sim::MarkService>(data, faults));
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());
    const std::string keep = dir_.Path() + "/keep.csv";
    std::ofstream(keep) << "old";
    rig.Dialogs().answer = QString::fromStdString(keep);
    MessageBoxCatcher catcher;
    PressAndWait(w, 0, w.MarkPage());
    EXPECT_EQ(Bar(w).WindowText(), "一部の地点データを取り込めませんでした。");
    EXPECT_EQ(ReadAll(keep), "old");
    EXPECT_EQ(ReadAll(dir_.Path() + "/keep.partial.csv"),
              "\xEF\xBB\xBF" + veldrant::marks::ExportMarkSetToString(data.sets[1], data.score));
    ASSERT_EQ(catcher.seen.size(), 1u);
    EXPECT_TRUE(catcher.seen[0].text.contains("keep.partial.csv"))
        << catcher.seen[0].text.toStdString();
    ExpectRestored(w, w.MarkPage());
    ASSERT_TRUE(WaitFor([&] { return !w.MarkPage()->LastFile().isEmpty(); }, kLongWait));
    EXPECT_EQ(
        QDir::fromNativeSeparators(w.MarkPage()->LastFile()),
        QDir::fromNativeSeparators(QString::fromStdString(dir_.Path() + "/keep.partial.csv")));
}

TEST_F(PagesTest, TheMarkPageWithoutMarkSetsShowsNoDialogAndSaysSo) {
    WindowRig rig;
    rig.Sim().GetWatch().AddService(
        std::make_shared<veldrant::sim::MarkService>(veldrant::sim::MarkData{}));
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());
    rig.Dialogs().answer = QString::fromStdString(dir_.Path() + "/never.csv");
    MessageBoxCatcher catcher;
    PressAndWait(w, 0, w.MarkPage());
    EXPECT_TRUE(rig.Dialogs().requests.empty());
    EXPECT_TRUE(catcher.seen.empty());
    EXPECT_EQ(Bar(w).GetPos(), 100);
    EXPECT_EQ(Bar(w).WindowText(), "地点データがありません。");
    EXPECT_FALSE(std::ifstream(dir_.Path() + "/never.csv").good());
    ExpectRestored(w, w.MarkPage());
    EXPECT_EQ(w.MarkPage()->FaceIn(), IDB_MARK_IN);
}

TEST_F(PagesTest, AMarkFileThatCannotBeCreatedIsReportedInJapanese) {
    WindowRig rig;
    rig.Sim().GetWatch().AddService(std::make_shared<veldrant::sim::MarkService>(
        veldrant::sim::EncodeSample(veldrant::sim::GenerateMarkSample())));
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());
    // The chosen "folder" is a file.
    const std::string notAFolder = WriteFile(JapaneseFolder(dir_, "地点") + "/メモ", {'x'});
    rig.Dialogs().answer = QString::fromStdString(notAFolder + "/地点.csv");
    MessageBoxCatcher catcher;
    PressAndWait(w, 0, w.MarkPage());
    ASSERT_EQ(catcher.seen.size(), 1u);
    EXPECT_TRUE(catcher.seen[0].text.startsWith("地点データのファイルを作成できませんでした。\n「"))
        << catcher.seen[0].text.toStdString();
    EXPECT_TRUE(catcher.seen[0].text.contains(QDir::toNativeSeparators(rig.Dialogs().answer)))
        << catcher.seen[0].text.toStdString();
    EXPECT_EQ(catcher.seen[0].title, "Error");
    EXPECT_EQ(ReadAll(notAFolder), "x");
    ExpectRestored(w, w.MarkPage());
}

TEST_F(PagesTest, TheWindowStaysResponsiveWhileTheWatchIsSlowToAnswerTheMarkPage) {
    // A link that would wait an hour for a reply: the press returns only because the waiting is
    // left to the worker.
    WindowRig rig({}, true, kNever);
    auto marks = std::make_shared<veldrant::sim::MarkService>(
        veldrant::sim::EncodeSample(veldrant::sim::GenerateMarkSample()));
    rig.Sim().GetWatch().AddService(marks);
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());
    // Request 10 goes unanswered.
    rig.Sim().GetWatch().SetFault(
        {veldrant::sim::Fault::NoAnswer, veldrant::CMD_MARK_COUNT, 0, /*times=*/1});

    Click(w.MarkPage()->StartButton());
    ASSERT_TRUE(
        WaitFor([&] { return rig.Sim().GetWatch().Stats().perCode[veldrant::CMD_MARK_COUNT] >= 1; },
                kLongWait));

    // Meanwhile the window goes on: timers tick, and the press holds the window.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    ASSERT_TRUE(WaitFor([&] { return ticks >= 3; }, kLongWait));
    RunningView running = Observe(w, w.MarkPage(), 0);
    EXPECT_TRUE(running.busy);
    EXPECT_FALSE(running.exitEnabled);
    EXPECT_FALSE(running.buttonEnabled);
    EXPECT_EQ(running.face, IDB_MARK_BUSY);
    EXPECT_TRUE(running.tabRefused);
    EXPECT_FALSE(w.close());
    EXPECT_EQ(rig.Sim().GetWatch().Stats().perCode[veldrant::CMD_MARK_COUNT], 1u);

    // The watch is pulled out: the waiting request fails at once, and the press ends without a
    // message or a dialog.
    MessageBoxCatcher catcher;
    rig.Sim().Server().Unplug();
    ASSERT_TRUE(WaitFor([&] { return w.MarkPage()->StartButton()->isEnabled(); }, kLongWait));
    EXPECT_TRUE(catcher.seen.empty());
    EXPECT_TRUE(rig.Dialogs().requests.empty());
    ExpectRestored(w, w.MarkPage());
    EXPECT_EQ(marks->GetStats().scoreInfoRequests, 0u);
}

TEST_F(PagesTest, ClosingTheWindowDuringAnUpdateLeavesNoWorkerBehind) {
    // The watch stops answering after three blocks, and the link would wait an hour for it: the
    // window closes only because closing cuts the exchange short.
    WindowRig rig({}, true, kNever);
    veldrant::sim::FirmwarePolicy policy;
    policy.silentAfterBlocks = 3;
    auto firmware = std::make_shared<veldrant::sim::FirmwareService>(policy);
    rig.Sim().GetWatch().AddService(firmware);
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());
    const uint32_t p = rig.Sim().GetWatch().PayloadSize();
    rig.Dialogs().answer = QString::fromStdString(WriteFile(
        dir_.Path() + "/fw.bin",
        veldrant::firmware::test::ImageOfLength(20 * p, rig.Sim().GetWatch().Identity().Name())));
    ClickTab(w, 2);
    Click(w.FirmwarePage()->StartButton());
    ASSERT_TRUE(WaitFor([&] { return firmware->Snapshot().blocksReceived >= 3; }, kLongWait));
    // The worker waits, or is about to wait, for an answer that will not come.
    ASSERT_TRUE(w.FirmwarePage()->OperationInFlight());

    rig.Close();
    EXPECT_EQ(veldrant::g_pDeviceLink.load(), nullptr);
    EXPECT_EQ(g_bBusy.load(), 0);
}

TEST_F(PagesTest, PullingTheWatchOutDuringAnUpdateEndsItAndThePageWorksAgain) {
    WindowRig rig;
    veldrant::sim::FirmwarePolicy policy;
    policy.unplugAfterBlocks = 4;
    auto firmware = std::make_shared<veldrant::sim::FirmwareService>(policy);
    rig.Sim().GetWatch().AddService(firmware);
    CBrassieDlg& w = rig.Open();
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());
    const uint32_t p = rig.Sim().GetWatch().PayloadSize();
    std::vector<uint8_t> image =
        veldrant::firmware::test::ImageOfLength(30 * p, rig.Sim().GetWatch().Identity().Name());
    rig.Dialogs().answer = QString::fromStdString(WriteFile(dir_.Path() + "/fw.bin", image));
    MessageBoxCatcher catcher;
    PressAndWait(w, 2, w.FirmwarePage());
    // Whether the page saw the flag drop before a block or the block failed twice first, the
    // user hears that the watch went, once.
    EXPECT_NE(Bar(w).WindowText(), "完了しました。");
    ASSERT_EQ(catcher.seen.size(), 1u);
    EXPECT_EQ(catcher.seen[0].text, "Device removed!");
    EXPECT_EQ(catcher.seen[0].title, "Error");
    EXPECT_EQ(catcher.seen[0].icon, QMessageBox::Critical);
    ExpectRestored(w, w.FirmwarePage());
    // The removal notice may come after the job has ended (it comes from another thread); then
    // nothing is connected.
    EXPECT_TRUE(WaitFor([] { return g_bConnected.load() == 0; }, kLongWait));

    // Back in: found again, and the same page writes the whole image.
    firmware->SetPolicy({});
    ASSERT_TRUE(WaitFor([&] { return !rig.Sim().Server().Plugged(); }, kLongWait));
    ASSERT_TRUE(rig.Sim().Server().Plug());
    ASSERT_TRUE(rig.WaitConnected());
    ASSERT_TRUE(rig.WaitFacesSettled());
    PressAndWait(w, 2, w.FirmwarePage());
    EXPECT_EQ(firmware->Snapshot().image, image);
    EXPECT_EQ(Bar(w).WindowText(), "完了しました。");
}
