#include "tests/faults/CourseRig.h"

#include <gtest/gtest.h>

namespace veldrant::faults {

CourseRig::CourseRig(std::chrono::milliseconds timeout)
    : Rig(timeout),
      path_(course::test::Write(course::test::Package(3), Directory() + "/courses.zip")),
      expected_(course::test::BuildExpected(path_)),
      service_(std::make_shared<sim::CourseService>()) {
    GetWatch().AddService(service_);
}

void CourseRig::Run(SeenHost& host) {
    lastSummary_ = course::UpdateCourses(Link(), host, path_);
}

std::string CourseRig::ExpectSuccess(const Seen& seen) {
    EXPECT_TRUE(lastSummary_.ok) << lastSummary_.failure;
    EXPECT_TRUE(seen.messages.empty()) << seen.Summary();
    EXPECT_EQ(seen.texts, (std::vector<std::string>{ops::kTextDone}));
    EXPECT_FALSE(seen.positions.empty());
    if (!seen.positions.empty()) {
        EXPECT_EQ(seen.positions.back(), 100);
    }
    sim::CourseService::State s = service_->Snapshot();
    EXPECT_TRUE(s.directoryComplete);
    EXPECT_TRUE(s.directory == expected_.directory) << "the watch holds another directory";
    EXPECT_TRUE(s.courses == expected_.courses) << "the watch holds other golf courses";
    EXPECT_EQ(s.badImages, 0u);
    ExpectReleased(seen, true);
    return "upload done, the watch holds the directory and every golf course byte for byte";
}

std::vector<SentRequest> CourseRig::Probe() {
    SeenHost host;
    Run(host);
    ExpectSuccess(host.Get());
    std::vector<SentRequest> log = Wire().Log();
    Wire().ResetCount();
    return log;
}

void ExpectUploadFailed(const Seen& seen) {
    EXPECT_EQ(seen.messages, (std::vector<SeenMessage>{{"Failed to read course file", "Error",
                                                        ops::MessageIcon::Error}}));
    EXPECT_TRUE(seen.texts.empty()) << "the bar keeps its text";
    ExpectReleased(seen, true);
}

}  // namespace veldrant::faults
