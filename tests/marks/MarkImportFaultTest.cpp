// The mark import against a watch that fails or lies, and a file that cannot be written.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "marks/MarkExport.h"
#include "marks/MarkImport.h"
#include "sim/MarkService.h"
#include "tests/marks/RecordingHost.h"
#include "tests/support/Files.h"
#include "tests/support/SimHarness.h"

namespace veldrant::marks {
namespace {

namespace fs = std::filesystem;

const std::string kBom = "\xEF\xBB\xBF";

using veldrant::testing::ReadAll;

class MarkImportFaultTest : public ::testing::Test {
protected:
    void Start(sim::MarkData data, sim::MarkFaults faults = {}) {
        data_ = data;
        harness_ = std::make_unique<testing::SimHarness>();
        service_ = std::make_shared<sim::MarkService>(std::move(data), faults);
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

    std::string Expected(size_t set) const {
        return ExportMarkSetToString(data_.sets[set], data_.score);
    }

    testing::TempDir dir_;
    std::string file_ = dir_.Path() + "/marks.csv";
    sim::MarkData data_;
    std::unique_ptr<testing::SimHarness> harness_;
    std::shared_ptr<sim::MarkService> service_;
    std::unique_ptr<CDeviceLink> link_;
    std::unique_ptr<MarkImport> import_;
    test::RecordingHost host_;
};

TEST_F(MarkImportFaultTest, BlockFailingOnceIsFetchedAgain) {
    sim::MarkFaults faults;
    faults.failBlockSet = 1;
    faults.failBlock = 1;
    faults.failBlockTimes = 1;
    Start(sim::EncodeSample(sim::GenerateMarkSample()), faults);
    ImportResult result = Import();
    EXPECT_EQ(result.outcome, RunOutcome::Done);
    EXPECT_EQ(ReadAll(file_), kBom + Expected(0) + Expected(1));
    EXPECT_TRUE(host_.Messages().empty());
}

TEST_F(MarkImportFaultTest, BlockFailingTwiceDropsOnlyThatSet) {
    sim::MarkFaults faults;
    faults.failBlockSet = 0;
    faults.failBlock = 2;
    faults.failBlockTimes = 2;
    Start(sim::EncodeSample(sim::GenerateMarkSample()), faults);
    ImportResult result = Import();
    EXPECT_EQ(result.sets[0].outcome, SetOutcome::BlockFailed);
    EXPECT_EQ(ReadAll(file_), kBom + Expected(1));
    EXPECT_EQ(host_.CountMessages("Device removed!"), 0);
    EXPECT_EQ(result.outcome, RunOutcome::Incomplete);
}

TEST_F(MarkImportFaultTest, ImpossibleSetLengthIsRefusedWithoutAskingForBlocks) {
    sim::MarkFaults faults;
    faults.lieAboutSet = 0;
    faults.claimedLength = 0xFFFFFFFF;
    Start(sim::EncodeSample(sim::GenerateMarkSample()), faults);
    ImportResult result = Import();
    EXPECT_EQ(result.sets[0].outcome, SetOutcome::TooLong);
    EXPECT_EQ(result.sets[0].length, 0xFFFFFFFFu);
    EXPECT_EQ(result.sets[1].outcome, SetOutcome::Written);
    EXPECT_EQ(ReadAll(file_), kBom + Expected(1));
}

TEST_F(MarkImportFaultTest, ImpossibleScoreLengthDropsTheSet) {
    sim::MarkFaults faults;
    faults.claimedScoreLength = 0x7FFFFFFF;
    Start(sim::EncodeSample(sim::GenerateMarkSample()), faults);
    ImportResult result = Import();
    EXPECT_EQ(result.sets[0].outcome, SetOutcome::ScoreTooLong);
    EXPECT_EQ(result.sets[1].outcome, SetOutcome::ScoreTooLong);
    // No set written: no file, rather than one holding the byte order mark alone.
    EXPECT_EQ(result.outcome, RunOutcome::NothingWritten);
    EXPECT_FALSE(fs::exists(file_));
    EXPECT_TRUE(fs::is_empty(dir_.Path()));
    ASSERT_EQ(host_.Messages().size(), 1u);
    EXPECT_EQ(host_.Messages()[0].text,
              "2 of 2 mark sets could not be read from the watch; " + file_ + " was not written.");
}

TEST_F(MarkImportFaultTest, LengthShorterThanTheSetCutsItsLastRecord) {
    sim::MarkData data = sim::EncodeSample(sim::GenerateMarkSample());
    sim::MarkFaults faults;
    faults.lieAboutSet = 1;
    faults.claimedLength = static_cast<uint32_t>(48 + 2 * 116 + 100);  // two whole marks
    Start(data, faults);
    ImportResult result = Import();
    std::vector<uint8_t> cut(data.sets[1].begin(), data.sets[1].begin() + 48 + 3 * 116);
    std::string two = ExportMarkSetToString({cut.data(), 48 + 2 * 116 + 100}, data.score);
    EXPECT_EQ(ReadAll(file_), kBom + Expected(0) + two);
    size_t marks = 0;
    for (size_t p = 0; (p = two.find("\r\n\"3477\",", p)) != std::string::npos; ++p)
        ++marks;
    EXPECT_EQ(marks, 2u);
}

TEST_F(MarkImportFaultTest, ScoreDataBeyondFiveHundredCardsIsTakenButCappedAtFiveHundred) {
    sim::MarkData data = sim::EncodeSample(sim::GenerateMarkSample());
    std::vector<uint8_t> first(data.score.begin(), data.score.begin() + 512);
    data.score.assign(600 * 512, 0);
    std::copy(first.begin(), first.end(), data.score.begin() + 499 * 512);  // card 499 counts
    std::copy(first.begin(), first.end(), data.score.begin() + 500 * 512);  // card 500 does not
    Start(data);
    ImportResult result = Import();
    EXPECT_EQ(result.outcome, RunOutcome::Done);
    std::string csv = ReadAll(file_);
    size_t scoreLines = 0;
    for (size_t p = 0; (p = csv.find("\"SCORE\"", p)) != std::string::npos; ++p)
        ++scoreLines;
    EXPECT_EQ(scoreLines, 1u);
    EXPECT_EQ(csv, kBom + Expected(0) + Expected(1));
}

TEST_F(MarkImportFaultTest, TooManySetsIsRefusedBeforeTheDialog) {
    sim::MarkData data;
    data.sets.resize(kMaxMarkSets + 1);
    Start(data);
    EXPECT_EQ(import_->Start(host_), StartOutcome::TooManySets);
    EXPECT_TRUE(host_.Offered().empty());
    ASSERT_EQ(host_.Messages().size(), 1u);
    EXPECT_EQ(host_.Messages()[0].caption, "Error");
}

TEST_F(MarkImportFaultTest, FileThatCannotBeCreatedEndsAtOnceWithTheWindowRestored) {
    Start(sim::EncodeSample(sim::GenerateMarkSample()));
    file_ = dir_.Path() + "/no/such/dir/marks.csv";
    host_.path = file_;
    ImportResult result = Import();
    EXPECT_EQ(result.outcome, RunOutcome::CreateFailed);
    EXPECT_EQ(service_->GetStats().setRequests, 0u);
    ASSERT_EQ(host_.Messages().size(), 1u);
    EXPECT_NE(host_.Messages()[0].text.find(file_), std::string::npos);
    EXPECT_EQ(host_.Running(), (std::vector<bool>{true, false}));
    EXPECT_EQ(g_bBusy.load(), 0);
    for (const std::string& t : host_.Texts())
        EXPECT_NE(t, "完了しました。");
}

TEST_F(MarkImportFaultTest, OldFileOfTheSameNameIsReplaced) {
    {
        std::ofstream old(file_, std::ios::binary);
        old << std::string(100000, 'x');
    }
    Start(sim::EncodeSample(sim::GenerateMarkSample()));
    Import();
    EXPECT_EQ(ReadAll(file_), kBom + Expected(0) + Expected(1));
}

TEST_F(MarkImportFaultTest, ADeviceIsRefusedAndReadsNoSet) {
    Start(sim::EncodeSample(sim::GenerateMarkSample()));
    host_.path = "/dev/full";
    ImportResult result = Import();
    EXPECT_EQ(result.outcome, RunOutcome::CreateFailed);
    EXPECT_EQ(service_->GetStats().setRequests, 0u);
    ASSERT_EQ(host_.Messages().size(), 1u);
    EXPECT_NE(host_.Messages()[0].text.find("'/dev/full' is a device, not a file"),
              std::string::npos);
    for (const std::string& t : host_.Texts())
        EXPECT_NE(t, "完了しました。");
    EXPECT_EQ(g_bBusy.load(), 0);
}

TEST_F(MarkImportFaultTest, DiskFullingUpMidFileStopsTheImportAndKeepsTheOlderFile) {
    std::ofstream(file_, std::ios::binary) << "older";
    sim::MarkData data = sim::EncodeSample(sim::GenerateMarkSample());
    data.sets.push_back(data.sets[0]);
    Start(data);
    const rlim_t limit = 3 + Expected(0).size() + 1000;  // fails inside set 1

    auto old = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &small);
    ImportResult result = Import();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old);

    EXPECT_EQ(result.outcome, RunOutcome::WriteFailed);
    EXPECT_EQ(result.sets[0].outcome, SetOutcome::Written);
    EXPECT_EQ(result.sets[1].outcome, SetOutcome::WriteFailed);
    EXPECT_EQ(result.sets[2].outcome, SetOutcome::NotRead);
    EXPECT_EQ(service_->GetStats().setRequests, 2u);
    EXPECT_EQ(ReadAll(file_), "older");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.Path()), fs::directory_iterator()), 1);
    ASSERT_EQ(host_.Messages().size(), 1u);
    EXPECT_NE(host_.Messages()[0].text.find("could not be written"), std::string::npos);
    EXPECT_NE(host_.Messages()[0].text.find(file_ + " was left as it was"), std::string::npos);
    for (const std::string& t : host_.Texts())
        EXPECT_NE(t, "完了しました。");
}

TEST(MarkFileName, LocalTimeInTheFixedPattern) {
    const char* old = std::getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", "UTC", 1);
    tzset();
    EXPECT_EQ(DefaultMarkFileName(1462266930), "20160503_091530_MARK.csv");
    EXPECT_EQ(DefaultMarkFileName(946684800), "20000101_000000_MARK.csv");
    if (old) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

}  // namespace
}  // namespace veldrant::marks
