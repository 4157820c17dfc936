// The course upload end to end: the operation on a real device link, over the simulated
// transport, against the simulated watch's course service; what the watch keeps is compared
// byte for byte with what the image builders make of the same package.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "course/CourseUpload.h"
#include "course/PackageWriter.h"
#include "sim/CourseService.h"
#include "tests/course/upload_packages.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/SimHarness.h"

namespace veldrant::course {
namespace {

using Step = sim::CourseService::Step;
using testing::RecordingHost;
using testing::SimHarness;

class CourseUploadTest : public ::testing::Test {
protected:
    void SetUp() override { Connect(525); }

    void Connect(uint32_t reportLength,
                 std::chrono::milliseconds timeout = ::veldrant::testing::kTestTimeout) {
        sim::WatchOptions options;
        options.reportLength = reportLength;
        link_.reset();
        sim_ = std::make_unique<SimHarness>(options);
        service_ = std::make_shared<sim::CourseService>();
        sim_->GetWatch().AddService(service_);
        link_ = sim_->MakeLink(timeout);
        ASSERT_EQ(link_->Discover(), 1);
    }
    std::string Path(const std::string& name) const { return sim_->Directory() + "/" + name; }
    std::string WritePackage(const PackageDescription& d, const std::string& name = "pkg.zip") {
        return test::Write(d, Path(name));
    }
    uint64_t Requests() const { return sim_->GetWatch().Stats().perCode[CMD_COURSE_DATA]; }
    UploadSummary Upload(const std::string& path) { return UpdateCourses(*link_, host_, path); }

    // The steps of one kind in the watch's log.
    std::vector<sim::CourseService::Event> Steps(Step step) const {
        std::vector<sim::CourseService::Event> out;
        for (const auto& e : service_->Snapshot().events) {
            if (e.step == step)
                out.push_back(e);
        }
        return out;
    }
    void ExpectFailedWithMessage() {
        auto m = host_.Messages();
        ASSERT_FALSE(m.empty());
        EXPECT_EQ(m.back().text, "Failed to read course file");
        EXPECT_EQ(m.back().caption, "Error");
        EXPECT_EQ(m.back().icon, ops::MessageIcon::Error);
        EXPECT_TRUE(host_.Texts().empty()) << "the bar keeps its text";
    }
    void ExpectReleased() {
        EXPECT_EQ(g_bBusy.load(), 0);
        EXPECT_EQ(host_.Running(), (std::vector<bool>{true, false}));
    }

    std::unique_ptr<SimHarness> sim_;
    std::shared_ptr<sim::CourseService> service_;
    std::unique_ptr<CDeviceLink> link_;
    RecordingHost host_;
};

TEST_F(CourseUploadTest, WatchKeepsExactlyTheBuiltImages) {
    std::string path = WritePackage(test::Package(5));
    test::ExpectedImages expected = test::BuildExpected(path);
    UploadSummary s = Upload(path);
    ASSERT_TRUE(s.ok) << s.failure;
    EXPECT_EQ(s.golfCourses, 5u);
    EXPECT_EQ(s.sent, 5u);
    EXPECT_EQ(s.skipped, 0u);
    EXPECT_EQ(s.repeated, 0u);
    auto state = service_->Snapshot();
    EXPECT_TRUE(state.directoryComplete);
    EXPECT_EQ(state.directory, expected.directory);
    EXPECT_EQ(state.courses, expected.courses);
    EXPECT_EQ(state.badImages, 0u);
    EXPECT_EQ(state.dirtyTails, 0u) << "bytes past an image are zero";
    EXPECT_EQ(state.ends, 1u);
    EXPECT_TRUE(host_.Messages().empty());
    EXPECT_EQ(host_.Texts(), (std::vector<std::string>{"完了しました。"}));
    ExpectReleased();

    // Order on the wire: directory begin, its blocks, then per golf course begin, blocks from
    // 0, confirm; last the end record.
    auto events = state.events;
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().step, Step::DirectoryBegin);
    EXPECT_EQ(events.back().step, Step::End);
    auto begins = Steps(Step::CourseBegin);
    ASSERT_EQ(begins.size(), 5u);
    for (size_t k = 0; k < 5; ++k)
        EXPECT_EQ(begins[k].courseId, expected.order[k]);
}

TEST_F(CourseUploadTest, ProgressForNoGolfCourseAndForThree) {
    UploadSummary none = Upload(WritePackage(test::Package(0), "none.zip"));
    ASSERT_TRUE(none.ok) << none.failure;
    EXPECT_EQ(host_.Positions(), (std::vector<int>{1, 100}));
    EXPECT_EQ(Steps(Step::End).size(), 1u);
    EXPECT_TRUE(Steps(Step::CourseBegin).empty());

    host_.Clear();
    UploadSummary three = Upload(WritePackage(test::Package(3), "three.zip"));
    ASSERT_TRUE(three.ok) << three.failure;
    EXPECT_EQ(host_.Positions(), (std::vector<int>{1, 1, 33, 66, 100}));
}

TEST_F(CourseUploadTest, EveryBeginDeclinedSendsNoCourseBlocks) {
    sim::CoursePolicy policy;
    policy.declineIds = {1000, 1001, 1002, 1003};
    service_->SetPolicy(policy);
    UploadSummary s = Upload(WritePackage(test::Package(4)));
    ASSERT_TRUE(s.ok) << s.failure;
    EXPECT_EQ(s.skipped, 4u);
    EXPECT_EQ(s.sent, 0u);
    auto events = service_->Snapshot().events;
    size_t courseBlocks = std::count_if(events.begin(), events.end(), [](const auto& e) {
        return e.step == Step::Block && !e.directory;
    });
    EXPECT_EQ(courseBlocks, 0u);
    EXPECT_EQ(Steps(Step::CourseBegin).size(), 4u);
    for (const auto& b : Steps(Step::CourseBegin))
        EXPECT_EQ(b.reply, 0xAAAAAAAAu);
    EXPECT_TRUE(Steps(Step::Confirm).empty());
    EXPECT_EQ(Steps(Step::End).size(), 1u);
    EXPECT_TRUE(service_->Snapshot().directoryComplete);
}

TEST_F(CourseUploadTest, ConfirmAnsweredWronglyOnceSendsTheGolfCourseAgainFromBlockZero) {
    sim::CoursePolicy policy;
    policy.wrongConfirms = 1;
    service_->SetPolicy(policy);
    std::string path = WritePackage(test::Package(2));
    UploadSummary s = Upload(path);
    ASSERT_TRUE(s.ok) << s.failure;
    EXPECT_EQ(s.repeated, 1u);
    EXPECT_EQ(s.sent, 2u);
    std::vector<uint32_t> first;  // block numbers of golf course 1000, in order
    for (const auto& e : service_->Snapshot().events) {
        if (e.step == Step::Block && !e.directory && e.courseId == 1000)
            first.push_back(e.block);
    }
    size_t perCopy = first.size() / 2;
    ASSERT_GT(perCopy, 0u);
    ASSERT_EQ(first.size(), 2 * perCopy);
    for (size_t i = 0; i < perCopy; ++i) {
        EXPECT_EQ(first[i], i);
        EXPECT_EQ(first[perCopy + i], i);
    }
    auto confirms = Steps(Step::Confirm);
    ASSERT_EQ(confirms.size(), 3u);
    EXPECT_EQ(confirms[0].reply, 0u);
    EXPECT_EQ(confirms[1].reply, 0xBBBBBBBBu);
    EXPECT_EQ(service_->Snapshot().courses, test::BuildExpected(path).courses);
}

TEST_F(CourseUploadTest, ConfirmNeverAcceptedFailsAfterTenRounds) {
    sim::CoursePolicy policy;
    policy.wrongConfirms = 1000;
    service_->SetPolicy(policy);
    UploadSummary s = Upload(WritePackage(test::Package(2)));
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.repeated, 9u);
    EXPECT_EQ(Steps(Step::CourseBegin).size(), 10u);
    EXPECT_EQ(Steps(Step::Confirm).size(), 10u);
    EXPECT_TRUE(Steps(Step::End).empty()) << "the upload stops at that golf course";
    ExpectFailedWithMessage();
    ExpectReleased();
}

TEST_F(CourseUploadTest, GolfCourseZeroIsSentWithoutConfirm) {
    std::string path = WritePackage(test::Package(3, {5, 0, 6}));
    UploadSummary s = Upload(path);
    ASSERT_TRUE(s.ok) << s.failure;
    auto confirms = Steps(Step::Confirm);
    ASSERT_EQ(confirms.size(), 2u);
    EXPECT_EQ(confirms[0].courseId, 5);
    EXPECT_EQ(confirms[1].courseId, 6);
    EXPECT_EQ(service_->Snapshot().courses, test::BuildExpected(path).courses);
}

// P = 6400 (report length 6413). Twelve golf courses and an area code 48 make the directory
// 512 + 24·12 + 250·48 = 12,800 bytes: exactly two blocks. A thirteenth golf course adds 24
// bytes: a third block holding 24 image bytes and 6,376 zeros.
TEST_F(CourseUploadTest, DirectoryOfTwoBlocksAndOfTwoAndABit) {
    Connect(6413);
    for (size_t n : {12u, 13u}) {
        PackageDescription d = test::Package(n);
        d.areas.push_back({48, "海外", 0});
        std::string path = WritePackage(d, "dir" + std::to_string(n) + ".zip");
        UploadSummary s = Upload(path);
        ASSERT_TRUE(s.ok) << s.failure;
        auto state = service_->Snapshot();
        std::vector<uint32_t> blocks;
        bool inDirectory = false;
        for (const auto& e : state.events) {
            if (e.step == Step::DirectoryBegin)
                blocks.clear(), inDirectory = true;
            if (e.step == Step::CourseBegin)
                inDirectory = false;
            if (inDirectory && e.step == Step::Block)
                blocks.push_back(e.block);
        }
        EXPECT_EQ(state.directory.size(), 512 + 24 * n + 250 * 48);
        EXPECT_EQ(blocks.size(), n == 12 ? 2u : 3u) << n;
        EXPECT_EQ(state.directory, test::BuildExpected(path).directory);
        EXPECT_EQ(state.dirtyTails, 0u);
    }
}

TEST_F(CourseUploadTest, BlockFailingNineTimesThenSucceedingLetsTheUploadGoOn) {
    sim::CoursePolicy policy;
    policy.failBlock = sim::BlockFault{true, 0, 1, 9};
    service_->SetPolicy(policy);
    std::string path = WritePackage(test::Package(2));
    UploadSummary s = Upload(path);
    ASSERT_TRUE(s.ok) << s.failure;
    EXPECT_EQ(s.blockRetries, 9u);
    EXPECT_EQ(service_->Snapshot().directory, test::BuildExpected(path).directory);
}

TEST_F(CourseUploadTest, BlockFailingTenTimesFailsTheUpload) {
    sim::CoursePolicy policy;
    policy.failBlock = sim::BlockFault{false, 1001, 0, 10};
    service_->SetPolicy(policy);
    UploadSummary s = Upload(WritePackage(test::Package(3)));
    EXPECT_FALSE(s.ok);
    EXPECT_NE(s.failure.find("block 0 of golf course 1001"), std::string::npos) << s.failure;
    EXPECT_EQ(Steps(Step::CourseBegin).size(), 2u) << "stops at that golf course";
    EXPECT_TRUE(Steps(Step::End).empty());
    ExpectFailedWithMessage();
    ExpectReleased();
}

// A golf course whose image the builder refuses (more distinct name A texts than an image
// holds) stops the upload there: the golf courses before it stay on the watch.
TEST_F(CourseUploadTest, GolfCourseThatCannotBeBuiltStopsTheUploadThere) {
    PackageDescription d = test::Package(3);
    d.nameTableA.clear();
    for (int i = 0; i < 120; ++i)
        d.nameTableA.push_back("A" + std::to_string(i));
    std::vector<LinkDescription> many;
    for (uint8_t i = 0; i < 51; ++i) {
        many.push_back({1, 1, {0, 1}, {uint8_t(2 * i), uint8_t(2 * i + 1)}, 0, {0, 0}});
    }
    d.golfCourses[1].links = many;  // 102 distinct name A references
    auto members = BuildPlainMembers(d);
    EncipherMembers(members);
    std::string error;
    ASSERT_TRUE(WriteZip(Path("toomany.zip"), members, error)) << error;
    UploadSummary s = Upload(Path("toomany.zip"));
    EXPECT_FALSE(s.ok);
    EXPECT_NE(s.failure.find("golf course 1001 cannot be built"), std::string::npos) << s.failure;
    EXPECT_EQ(s.sent, 1u);
    EXPECT_EQ(Steps(Step::CourseBegin).size(), 1u);
    EXPECT_TRUE(Steps(Step::End).empty());
    ExpectFailedWithMessage();
    ExpectReleased();
}

TEST_F(CourseUploadTest, PackagesTheReaderRefusesSendNothing) {
    // Not a zip at all.
    std::string junk = Path("junk.zip");
    std::ofstream(junk) << "this is no zip archive";
    UploadSummary s = Upload(junk);
    EXPECT_FALSE(s.ok);
    auto m = host_.Messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].text, "Failed to read zip file!");
    EXPECT_EQ(m[0].caption, "veldrant");
    EXPECT_EQ(m[0].icon, ops::MessageIcon::Exclamation);
    EXPECT_EQ(m[1].text, "Failed to read course file");
    EXPECT_EQ(Requests(), 0u);
    ExpectReleased();

    // No append file: refused before the directory goes out.
    auto members = BuildPlainMembers(test::Package(2));
    members.erase(std::remove_if(members.begin(), members.end(),
                                 [](const ZipMember& z) { return z.name == "append.kv1"; }),
                  members.end());
    EncipherMembers(members);
    std::string error;
    ASSERT_TRUE(WriteZip(Path("noappend.zip"), members, error)) << error;
    host_.Clear();
    EXPECT_FALSE(Upload(Path("noappend.zip")).ok);
    m = host_.Messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].text, "Failed to read zip file!");
    EXPECT_EQ(m[1].text, "Failed to read course file");
    EXPECT_EQ(Requests(), 0u);

    // An index of another format: no zip message, only the upload's.
    members = BuildPlainMembers(test::Package(2));
    members[0].bytes[12] = 3;
    EncipherMembers(members);
    ASSERT_TRUE(WriteZip(Path("format.zip"), members, error)) << error;
    host_.Clear();
    EXPECT_FALSE(Upload(Path("format.zip")).ok);
    m = host_.Messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "Failed to read course file");
    EXPECT_EQ(Requests(), 0u);
}

TEST_F(CourseUploadTest, UnplugDuringUploadFailsAtTheNextBeginAndWorksOnceBack) {
    std::string path = WritePackage(test::Package(4));
    host_.onProgress = [this](int percent) {
        if (percent == 50)
            sim_->Server().Unplug();
    };
    UploadSummary s = Upload(path);
    EXPECT_FALSE(s.ok);
    EXPECT_NE(s.failure.find("course begin"), std::string::npos) << s.failure;
    EXPECT_EQ(s.sent, 2u);
    ExpectFailedWithMessage();
    ExpectReleased();

    link_->Close();
    ASSERT_TRUE(sim_->Server().Plug());
    ASSERT_EQ(link_->Discover(), 1);
    RecordingHost again;
    UploadSummary second = UpdateCourses(*link_, again, path);
    ASSERT_TRUE(second.ok) << second.failure;
    EXPECT_EQ(service_->Snapshot().courses, test::BuildExpected(path).courses);
}

TEST_F(CourseUploadTest, WatchPullingItselfOutMidImageFailsAfterTenTries) {
    sim::CoursePolicy policy;
    policy.unplugAfterBlocks = 27;  // the directory's 25 blocks, then into the golf courses
    service_->SetPolicy(policy);
    UploadSummary s = Upload(WritePackage(test::Package(6)));
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.blocks, 26u) << "the 27th block arrived but was never acknowledged";
    EXPECT_EQ(s.blockRetries, 10u);
    ExpectFailedWithMessage();
    ExpectReleased();
    EXPECT_FALSE(sim_->Server().Plugged());
}

TEST_F(CourseUploadTest, WatchThatStopsAnsweringFailsAfterTenTries) {
    Connect(525, std::chrono::milliseconds(60));
    sim::CoursePolicy policy;
    policy.silentAfterBlocks = 3;
    service_->SetPolicy(policy);
    UploadSummary s = Upload(WritePackage(test::Package(2)));
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(s.blocks, 3u);
    EXPECT_EQ(s.blockRetries, 10u);
    ExpectFailedWithMessage();
    ExpectReleased();
}

}  // namespace
}  // namespace veldrant::course
