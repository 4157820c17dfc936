// The course upload on the fault rig: a package of three golf courses written with the package
// writer, the images the builders make of it (what the watch must end up holding), and the
// simulated watch's course store.
#pragma once

#include <string>
#include <vector>

#include "course/CourseUpload.h"
#include "sim/CourseService.h"
#include "tests/course/upload_packages.h"
#include "tests/faults/Rig.h"

namespace veldrant::faults {

class CourseRig : public Rig {
public:
    explicit CourseRig(std::chrono::milliseconds timeout = kAnsweringTimeout);

    void Run(SeenHost& host) override;
    std::string ExpectSuccess(const Seen& seen) override;
    std::vector<SentRequest> Probe();

    const course::UploadSummary& LastSummary() const { return lastSummary_; }
    sim::CourseService::State WatchState() const { return service_->Snapshot(); }
    const course::test::ExpectedImages& Expected() const { return expected_; }

private:
    std::string path_;
    course::test::ExpectedImages expected_;
    std::shared_ptr<sim::CourseService> service_;
    course::UploadSummary lastSummary_;
};

// "Failed to read course file", and the bar's text left as it was.
void ExpectUploadFailed(const Seen& seen);

}  // namespace veldrant::faults
