// The mark import end to end: the operation drives a device link to a simulated watch over the
// sim transport, and the file it writes is read back with a CSV parser.
#include <gtest/gtest.h>

#include <filesystem>

#include <fstream>
#include <regex>
#include <sstream>

#include "marks/MarkExport.h"
#include "marks/MarkImport.h"
#include "sim/MarkService.h"
#include "tests/marks/RecordingHost.h"
#include "tests/marks/SampleRecords.h"
#include "tests/support/Csv.h"
#include "tests/support/Files.h"
#include "tests/support/SimHarness.h"

namespace veldrant::marks {
namespace {

const std::string kBom = "\xEF\xBB\xBF";

using veldrant::testing::ReadAll;

bool Exists(const std::string& path) {
    return std::ifstream(path).good();
}

class MarkImportTest : public ::testing::Test {
protected:
    void Start(sim::MarkData data, sim::MarkFaults faults = {}, uint32_t reportLength = 525) {
        sim::WatchOptions options;
        options.reportLength = reportLength;
        harness_ = std::make_unique<testing::SimHarness>(options);
        service_ = std::make_shared<sim::MarkService>(std::move(data), faults);
        // The desktop's removal handling drops the flag; here the watch does it as it goes.
        service_->SetRemovalHook([this] { host_.connected = false; });
        harness_->GetWatch().AddService(service_);
        link_ = harness_->MakeLink();
        ASSERT_EQ(link_->Discover(), 1);
        import_ = std::make_unique<MarkImport>(*link_);
        host_.path = file_;
    }

    ImportResult Import() {
        EXPECT_EQ(import_->Start(host_), StartOutcome::Ready);
        return import_->Run(host_);
    }

    std::string Csv() {
        std::string text = ReadAll(file_);
        EXPECT_EQ(text.substr(0, 3), kBom);
        return text.size() >= 3 ? text.substr(3) : "";
    }

    testing::TempDir dir_;
    std::string file_ = dir_.Path() + "/marks.csv";
    std::unique_ptr<testing::SimHarness> harness_;
    std::shared_ptr<sim::MarkService> service_;
    std::unique_ptr<CDeviceLink> link_;
    std::unique_ptr<MarkImport> import_;
    test::RecordingHost host_;
};

TEST_F(MarkImportTest, WholeSampleReadsBackAsTheWatchsMarksAndCards) {
    sim::MarkSample sample = sim::GenerateMarkSample();
    Start(sim::EncodeSample(sample));
    ImportResult result = Import();
    EXPECT_EQ(result.outcome, RunOutcome::Done);
    ASSERT_EQ(result.sets.size(), 2u);
    EXPECT_EQ(result.Count(SetOutcome::Written), 2u);

    testing::CsvParse csv = testing::ParseCsv(Csv());
    ASSERT_TRUE(csv.ok()) << csv.error;
    std::vector<test::Record> expected = test::ExpectedFileRecords(sample, true);
    ASSERT_EQ(csv.records.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(testing::Texts(csv.records[i]), expected[i]) << "record " << i;
        for (const auto& field : csv.records[i])
            ASSERT_TRUE(field.quoted) << "record " << i;
    }
    // The sample is what it claims to be: several sessions and cards, Japanese names.
    size_t sessions = 0, cards = 0;
    for (const auto& r : expected) {
        sessions += r[0].rfind("SESSION", 0) == 0;
        cards += r[0] == "SCORE";
    }
    EXPECT_GE(sessions, 5u);
    EXPECT_EQ(cards, 3u);
    EXPECT_NE(ReadAll(file_).find("那須髙原ゴルフクラブ"), std::string::npos);

    EXPECT_TRUE(host_.Messages().empty());
    EXPECT_EQ(host_.Texts().back(), "完了しました。");
    EXPECT_EQ(host_.Positions().back(), 100);
    EXPECT_EQ(host_.Running(), (std::vector<bool>{true, false}));
    EXPECT_EQ(host_.BusyAtRunning(), (std::vector<int>{1, 1}));
    EXPECT_EQ(g_bBusy.load(), 0);
}

TEST_F(MarkImportTest, StartAsksForCountAndScoresThenOffersTheDefaultName) {
    Start(sim::EncodeSample(sim::GenerateMarkSample()));
    EXPECT_EQ(import_->Start(host_), StartOutcome::Ready);
    EXPECT_EQ(import_->MarkSetCount(), 2u);
    EXPECT_NE(import_->ScoreIndicator(), 0u);
    ASSERT_EQ(host_.Offered().size(), 1u);
    EXPECT_TRUE(std::regex_match(host_.Offered()[0], std::regex(R"(\d{8}_\d{6}_MARK\.csv)")))
        << host_.Offered()[0];
    EXPECT_EQ(host_.Positions(), std::vector<int>{0});
    EXPECT_EQ(host_.Texts(), std::vector<std::string>{""});
    EXPECT_EQ(service_->GetStats().scoreInfoArgument, 0u);
    // The indicator of one press is the argument of the next.
    EXPECT_EQ(import_->Start(host_), StartOutcome::Ready);
    EXPECT_EQ(service_->GetStats().scoreInfoArgument, import_->ScoreIndicator());
    EXPECT_FALSE(Exists(file_)) << "the start creates no file";
}

TEST_F(MarkImportTest, NoMarkSetsShowsTheNoDataTextAndCreatesNoFile) {
    sim::MarkData data;
    Start(data);
    EXPECT_EQ(import_->Start(host_), StartOutcome::NoMarkData);
    EXPECT_TRUE(host_.Offered().empty());
    EXPECT_EQ(host_.Positions(), (std::vector<int>{0, 100}));
    EXPECT_EQ(host_.Texts(), (std::vector<std::string>{"", "地点データがありません。"}));
    EXPECT_TRUE(host_.Messages().empty());
    EXPECT_FALSE(Exists(file_));
}

TEST_F(MarkImportTest, PressWithoutAWatchShowsTheHintAndSendsNothing) {
    Start(sim::EncodeSample(sim::GenerateMarkSample()));
    host_.connected = false;
    EXPECT_EQ(import_->Start(host_), StartOutcome::NotConnected);
    ASSERT_EQ(host_.Messages().size(), 1u);
    EXPECT_EQ(host_.Messages()[0].text, "端末とUSBの接続を確認してください");
    EXPECT_EQ(host_.Messages()[0].caption, " ");
    EXPECT_EQ(host_.Messages()[0].icon, ops::MessageIcon::None);
    EXPECT_EQ(service_->GetStats().countRequests, 0u);
}

TEST_F(MarkImportTest, CancelledDialogCreatesNoFile) {
    Start(sim::EncodeSample(sim::GenerateMarkSample()));
    host_.path.reset();
    EXPECT_EQ(import_->Start(host_), StartOutcome::Cancelled);
    EXPECT_FALSE(Exists(file_));
    // A worker started anyway does nothing: it needs a start that gave Ready.
    EXPECT_EQ(import_->Run(host_).outcome, RunOutcome::CreateFailed);
    EXPECT_FALSE(Exists(file_));
    EXPECT_EQ(service_->GetStats().setRequests, 0u);
}

TEST_F(MarkImportTest, FailedReadOfSetZeroLeavesTheOrderMarkAndSetOne) {
    sim::MarkData data = sim::EncodeSample(sim::GenerateMarkSample());
    sim::MarkFaults faults;
    faults.failReadSet = 0;
    Start(data, faults);
    ImportResult result = Import();
    EXPECT_EQ(ReadAll(file_), kBom + ExportMarkSetToString(data.sets[1], data.score));
    EXPECT_EQ(result.sets[0].outcome, SetOutcome::ReadFailed);
    EXPECT_EQ(result.sets[1].outcome, SetOutcome::Written);
    EXPECT_EQ(result.outcome, RunOutcome::Incomplete);
    // A lost set makes the import a failed one; a note says what is missing.
    EXPECT_EQ(host_.Texts().back(), "一部の地点データを取り込めませんでした。");
    ASSERT_EQ(host_.Messages().size(), 1u);
    EXPECT_EQ(host_.Messages()[0].caption, "Error");
    EXPECT_NE(host_.Messages()[0].text.find("1 of 2 mark sets"), std::string::npos);
}

// An import that lost a set, or got one cut short, never replaces a file: what arrived goes
// beside it under the first free partial name. Without a file there it is written as chosen.
TEST_F(MarkImportTest, APartialImportKeepsTheFileThatWasThere) {
    namespace fs = std::filesystem;
    struct Row {
        bool cut;                        // set 1 ends 10 bytes into a record, else set 0 is lost
        std::vector<std::string> there;  // files in the folder before
        std::string placed;              // where the partial file goes
    } rows[] = {
        {false, {}, "marks.csv"},
        {false, {"marks.csv"}, "marks.partial.csv"},
        {false, {"marks.csv", "marks.partial.csv"}, "marks.partial-2.csv"},
        {true, {}, "marks.csv"},
        {true, {"marks.csv"}, "marks.partial.csv"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.placed + (row.cut ? ", cut short" : ", set lost"));
        for (const auto& e : fs::directory_iterator(dir_.Path()))
            fs::remove(e.path());
        for (const std::string& name : row.there)
            std::ofstream(dir_.Path() + "/" + name) << "old " << name;
        sim::MarkData data = sim::EncodeSample(sim::GenerateMarkSample());
        sim::MarkFaults faults;
        if (row.cut)
            data.sets[1].resize(data.sets[1].size() - 10);
        else
            faults.failReadSet = 0;
        host_.Clear();
        import_.reset();
        link_.reset();
        Start(data, faults);
        ImportResult result = Import();
        EXPECT_EQ(result.outcome, RunOutcome::Incomplete);
        EXPECT_EQ(result.sets[1].outcome, row.cut ? SetOutcome::CutShort : SetOutcome::Written);
        const std::string placed = dir_.Path() + "/" + row.placed;
        EXPECT_EQ(result.path, placed);
        EXPECT_EQ(result.kept, row.there.empty() ? "" : file_);
        std::string expected = kBom;
        for (size_t a = row.cut ? 0 : 1; a < 2; ++a)
            expected += ExportMarkSetToString(data.sets[a], data.score);
        EXPECT_EQ(ReadAll(placed), expected);
        for (const std::string& name : row.there)
            EXPECT_EQ(ReadAll(dir_.Path() + "/" + name), "old " + name);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_.Path()), fs::directory_iterator()),
                  static_cast<long>(row.there.size() + 1));
        EXPECT_EQ(host_.Texts().back(), "一部の地点データを取り込めませんでした。");
        ASSERT_EQ(host_.Messages().size(), 1u);
        const std::string note = host_.Messages()[0].text;
        EXPECT_NE(note.find(row.cut ? "1 of 2 mark sets came cut short"
                                    : "1 of 2 mark sets could not be read"),
                  std::string::npos)
            << note;
        EXPECT_NE(note.find(placed), std::string::npos) << note;
        if (!row.there.empty()) {
            EXPECT_NE(note.find(file_ + " was left as it was"), std::string::npos) << note;
        }
    }
}

TEST_F(MarkImportTest, ScoreIndicatorZeroSendsNoScoreRequest) {
    sim::MarkSample sample = sim::GenerateMarkSample();
    sim::MarkData data = sim::EncodeSample(sample);
    data.score.clear();
    Start(data);
    ImportResult result = Import();
    EXPECT_EQ(result.outcome, RunOutcome::Done);
    EXPECT_EQ(service_->GetStats().scoreRequests, 0u);
    testing::CsvParse csv = testing::ParseCsv(Csv());
    ASSERT_TRUE(csv.ok()) << csv.error;
    std::vector<test::Record> expected = test::ExpectedFileRecords(sample, false);
    ASSERT_EQ(csv.records.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(testing::Texts(csv.records[i]), expected[i]);
}

TEST_F(MarkImportTest, ScoreDataIsFetchedForEverySetWithThePreviousLength) {
    sim::MarkData data = sim::EncodeSample(sim::GenerateMarkSample());
    Start(data);
    Import();
    sim::MarkService::Stats stats = service_->GetStats();
    EXPECT_EQ(stats.scoreRequests, 2u);
    EXPECT_EQ(stats.scoreReadArgument, data.score.size());
}

TEST(MarkBlockProgress, EachBlockShowsTheShareReceivedBeforeIt) {
    struct Case {
        uint32_t length, payload;
        std::vector<int> afterBlocks;  // block 0 first
    };
    for (const Case& c :
         {Case{200, 64, {0, 32, 64, 96}}, Case{1000, 128, {0, 12, 25, 38, 51, 64, 76, 89}},
          Case{64, 64, {0}}, Case{65, 64, {0, 98}}, Case{1, 512, {0}}}) {
        std::vector<int> seen;
        for (uint64_t i = 0; i * c.payload < c.length; ++i)
            seen.push_back(MarkBlockProgress(i, c.payload, c.length));
        EXPECT_EQ(seen, c.afterBlocks) << c.length << " bytes, P " << c.payload;
    }
    // Where a 32-bit product would wrap (i·P·100 past 2^32) the bar still climbs.
    EXPECT_EQ(MarkBlockProgress(8000000, 512, 0xFFFFFFFF), 95);
}

TEST_F(MarkImportTest, ProgressClimbsBlockByBlockAndEndsAt100) {
    // Start's 0, the set's 0, one position after each block, 100 after the last.
    struct Case {
        uint32_t reportLength, payload, bytes;
        std::vector<int> positions;
    };
    for (const Case& c :
         {Case{141, 128, 1000, {0, 0, 0, 12, 25, 38, 51, 64, 76, 89, 100}},
          Case{525, 512, 1100, {0, 0, 0, 46, 93, 100}}, Case{525, 512, 512, {0, 0, 0, 100}}}) {
        sim::MarkData data;
        data.sets.push_back(std::vector<uint8_t>(c.bytes, 0));
        host_.Clear();
        import_.reset();
        link_.reset();
        Start(data, {}, c.reportLength);
        ASSERT_EQ(link_->m_dwHIDPacketSize, c.payload);
        std::vector<uint8_t> seen;
        import_->SetRawObserver(
            [&](uint32_t, std::span<const uint8_t> set, std::span<const uint8_t>) {
                seen.assign(set.begin(), set.end());
            });
        ImportResult result = Import();
        EXPECT_EQ(result.sets[0].outcome, SetOutcome::NoMarks);
        EXPECT_EQ(seen.size(), c.bytes);
        EXPECT_EQ(host_.Positions(), c.positions) << c.bytes << " bytes, P " << c.payload;
        EXPECT_FALSE(std::filesystem::exists(file_));  // no set with marks: no file
    }
}

TEST_F(MarkImportTest, RemovalDuringSetZeroIsReportedOnceAndTheRestFailQuietly) {
    sim::MarkData data = sim::EncodeSample(sim::GenerateMarkSample());
    data.sets.push_back(data.sets[0]);
    sim::MarkFaults faults;
    faults.removeDuringSet = 0;
    faults.removeAfterBlocks = 2;
    Start(data, faults);
    ImportResult result = Import();
    EXPECT_EQ(host_.CountMessages("Device removed!"), 1);
    for (const auto& m : host_.Messages()) {
        EXPECT_EQ(m.caption, "Error");
        EXPECT_EQ(m.icon, ops::MessageIcon::Error);
    }
    EXPECT_EQ(result.sets[0].outcome, SetOutcome::DeviceRemoved);
    EXPECT_EQ(result.sets[1].outcome, SetOutcome::ReadFailed);
    EXPECT_EQ(result.sets[2].outcome, SetOutcome::ReadFailed);
    EXPECT_EQ(service_->GetStats().blocks, 2u);
    // No set reached the file: none is made (an older one would be kept).
    EXPECT_FALSE(std::filesystem::exists(file_));
    EXPECT_EQ(host_.Texts().back(), "一部の地点データを取り込めませんでした。");
    EXPECT_EQ(result.outcome, RunOutcome::NothingWritten);
    EXPECT_EQ(g_bBusy.load(), 0);
}

}  // namespace
}  // namespace veldrant::marks
