#include "course/CourseUpload.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <span>
#include <vector>

#include "course/CourseImages.h"

namespace veldrant::course {

namespace {

// One argument record of code 3; argument word 4 carries nothing and goes as zero.
struct Record {
    uint32_t words[5] = {0, 0, 0, 0, 0};
};

Record DirectoryBegin(uint32_t length) {
    return {{kDirectoryBeginWord, length, 0, 0, 0}};
}

Record CourseBegin(std::span<const uint8_t> image, uint32_t length) {
    uint32_t idAndWord = uint32_t(CourseImageId(image)) | uint32_t(CourseImageWord(image)) << 16;
    return {{CourseImageCrc(image), length, idAndWord, 0, 0}};
}

Record CourseConfirm(std::span<const uint8_t> image, uint32_t length) {
    Record r = CourseBegin(image, length);
    r.words[3] = kConfirmWord;
    return r;
}

Record EndRecord() {
    return {{0, 0, 0, kEndWord, 0}};
}

// k·100 / N, or 1 while that is still 0 (the directory has gone by then).
int CourseProgress(size_t k, size_t n) {
    uint64_t percent = n == 0 ? 0 : uint64_t(k) * 100 / n;
    return percent == 0 ? 1 : static_cast<int>(std::min<uint64_t>(percent, 100));
}

class Uploader {
public:
    Uploader(CDeviceLink& link, ops::IOperationHost& host, CoursePackage& package,
             UploadSummary& summary)
        : link_(link), host_(host), package_(package), summary_(summary) {}

    int Run(const std::string& path, const UploadOptions& options);
    bool Plan(const std::string& path, const UploadOptions& options, UploadPlan& plan);

private:
    // The steps before anything is sent: the package read, the payload size taken.
    bool Prepare(const std::string& path, const UploadOptions& options);
    bool ReadPackage(const std::string& path, const UploadOptions& options);
    // The images as they are sent, built into buffers_.image; their length in `length`.
    bool BuildDirectory(uint32_t& length);
    bool BuildGolfCourse(size_t k, uint32_t& length);
    bool SendDirectory();
    bool SendGolfCourse(size_t k);
    // One begin, blocks and confirm; `done` says whether the golf course is finished.
    bool SendRound(std::span<const uint8_t> image, uint32_t length, bool& done);
    bool SendRecord(Record record, uint32_t* reply, const char* what);
    bool SendImage(const uint8_t* image, size_t length, const std::string& what);
    bool Fail(std::string why) {
        summary_.failure = std::move(why);
        return false;
    }

    CDeviceLink& link_;
    ops::IOperationHost& host_;
    CoursePackage& package_;
    UploadSummary& summary_;
    uint32_t payload_ = 0;
    ImageBuffers buffers_;
    std::vector<uint8_t> tail_;
};

bool Uploader::ReadPackage(const std::string& path, const UploadOptions& options) {
    package_.SetZipFailureHandler([this, &options](std::string_view message) {
        host_.ShowMessage(std::string(message), options.applicationName,
                          ops::MessageIcon::Exclamation);
    });
    // The append file is read before anything goes to the watch: a package whose append file
    // is missing or damaged must not leave the watch with a new directory and no golf courses.
    bool ok = package_.Open(path) && package_.ReadIndex() && package_.ReadAppend();
    package_.SetZipFailureHandler(nullptr);
    if (!ok)
        return Fail("the course package cannot be used: " + package_.LastError());
    summary_.golfCourses = static_cast<uint32_t>(package_.Index().courses.size());
    summary_.packageRead = true;
    return true;
}

bool Uploader::Prepare(const std::string& path, const UploadOptions& options) {
    if (!ReadPackage(path, options))
        return false;
    payload_ = link_.m_dwHIDPacketSize;
    if (payload_ == 0)
        return Fail("no watch is connected");
    tail_.assign(payload_, 0);
    return true;
}

bool Uploader::BuildDirectory(uint32_t& length) {
    ImageResult directory = BuildDirectoryImage(package_, buffers_.image);
    if (!directory)
        return Fail("the directory image cannot be built: " + directory.error);
    length = static_cast<uint32_t>(directory.length);
    return true;
}

bool Uploader::BuildGolfCourse(size_t k, uint32_t& length) {
    package_.ReadPictures(package_.Index().blocks[k].id);  // none usable: holes get 0xFFFF
    ImageResult built = BuildCourseImage(package_, k, buffers_.image, buffers_.pool);
    if (!built) {
        return Fail("the course image of golf course " +
                    std::to_string(package_.Index().blocks[k].id) +
                    " cannot be built: " + built.error);
    }
    length = static_cast<uint32_t>(built.length);
    return true;
}

bool Uploader::SendRecord(Record record, uint32_t* reply, const char* what) {
    if (host_.StopRequested()) {
        summary_.stopped = true;
        return Fail(std::string("stopped at the user's request before the ") + what);
    }
    if (!link_.SendArgs(CMD_COURSE_DATA, record.words)) {
        return Fail(std::string("the watch did not answer the ") + what);
    }
    if (reply)
        *reply = record.words[0];
    return true;
}

bool Uploader::SendImage(const uint8_t* image, size_t length, const std::string& what) {
    size_t blocks = length / payload_ + (length % payload_ != 0 ? 1 : 0);
    for (size_t i = 0; i < blocks; ++i) {
        size_t offset = i * payload_;
        const uint8_t* src = image + offset;
        if (length - offset < payload_) {
            // The last block: the image's last bytes, then zeros.
            std::fill(tail_.begin(), tail_.end(), uint8_t{0});
            std::memcpy(tail_.data(), src, length - offset);
            src = tail_.data();
        }
        if (host_.StopRequested()) {
            summary_.stopped = true;
            return Fail("stopped at the user's request after " + std::to_string(i) + " of " +
                        std::to_string(blocks) + " blocks of " + what);
        }
        int tries = 0;
        bool sent = false;
        while (!sent && tries < kCourseBlockTries) {
            // A watch found again with another report size would take more bytes than the
            // block holds: the blocks are cut for the watch the upload started on.
            if (link_.m_dwHIDPacketSize != payload_)
                return Fail("the watch was replaced by one with another report size");
            sent = link_.SendBlock(src, static_cast<uint32_t>(i), payload_) == 1;
            if (!sent)
                ++summary_.blockRetries;
            ++tries;
        }
        if (!sent) {
            return Fail("block " + std::to_string(i) + " of " + what + " failed " +
                        std::to_string(kCourseBlockTries) + " times");
        }
        ++summary_.blocks;
    }
    return true;
}

bool Uploader::SendDirectory() {
    uint32_t length = 0;
    if (!BuildDirectory(length))
        return false;
    host_.SetProgressLabel("directory");
    host_.SetProgressPos(1);
    if (!SendRecord(DirectoryBegin(length), nullptr, "directory begin"))
        return false;
    return SendImage(buffers_.image.data(), length, "the directory");
}

bool Uploader::SendRound(std::span<const uint8_t> image, uint32_t length, bool& done) {
    done = false;
    uint32_t reply = 0;
    std::string name = "golf course " + std::to_string(CourseImageId(image));
    if (!SendRecord(CourseBegin(image, length), &reply, "course begin"))
        return false;
    if (reply == kReplyNotNeeded) {
        ++summary_.skipped;
        done = true;
        return true;
    }
    if (!SendImage(image.data(), length, name))
        return false;
    // Golf course 0 is taken without a confirm. A confirm that fails or is answered with
    // anything but 0xBBBBBBBB sends the golf course again.
    Record confirm = CourseConfirm(image, length);
    if (CourseImageId(image) == 0 ||
        (link_.SendArgs(CMD_COURSE_DATA, confirm.words) && confirm.words[0] == kReplyAccepted)) {
        ++summary_.sent;
        done = true;
    }
    return true;
}

bool Uploader::SendGolfCourse(size_t k) {
    host_.SetProgressLabel("golf course " + std::to_string(k + 1) + " of " +
                           std::to_string(package_.Index().courses.size()));
    host_.SetProgressPos(CourseProgress(k, package_.Index().courses.size()));
    uint32_t length = 0;
    if (!BuildGolfCourse(k, length))
        return false;
    std::span<const uint8_t> image(buffers_.image.data(), length);
    for (int round = 0; round < kCourseRounds; ++round) {
        if (round > 0)
            ++summary_.repeated;
        bool done = false;
        if (!SendRound(image, length, done))
            return false;
        if (done)
            return true;
    }
    return Fail("the watch did not accept golf course " + std::to_string(CourseImageId(image)) +
                " in " + std::to_string(kCourseRounds) + " rounds");
}

int Uploader::Run(const std::string& path, const UploadOptions& options) {
    if (!Prepare(path, options))
        return 0;
    if (!SendDirectory())
        return 0;
    for (size_t k = 0; k < package_.Index().courses.size(); ++k) {
        if (!SendGolfCourse(k))
            return 0;
    }
    if (!SendRecord(EndRecord(), nullptr, "end record"))
        return 0;
    package_.Close();
    summary_.ok = true;
    return 1;
}

bool Uploader::Plan(const std::string& path, const UploadOptions& options, UploadPlan& plan) {
    auto blocks = [this](uint32_t length) {
        return length / payload_ + (length % payload_ != 0 ? 1 : 0);
    };
    if (!Prepare(path, options))
        return false;
    plan.golfCourses = summary_.golfCourses;
    plan.payload = payload_;
    uint32_t length = 0;
    if (!BuildDirectory(length))
        return false;
    plan.directoryBytes = length;
    plan.directoryBlocks = blocks(length);
    plan.records = 2;  // the directory begin and the end record
    for (size_t k = 0; k < package_.Index().courses.size(); ++k) {
        if (!BuildGolfCourse(k, length))
            return false;
        plan.courseBytes += length;
        plan.courseBlocks += blocks(length);
        // A begin, and a confirm for every golf course but id 0.
        plan.records +=
            CourseImageId(std::span<const uint8_t>(buffers_.image.data(), length)) == 0 ? 1 : 2;
    }
    package_.Close();
    return true;
}

}  // namespace

bool PlanCourseUpload(CDeviceLink& link, ops::IOperationHost& host, const std::string& path,
                      UploadPlan& plan, const UploadOptions& options) {
    plan = UploadPlan{};
    UploadSummary summary;
    try {
        CoursePackage package;
        Uploader uploader(link, host, package, summary);
        if (uploader.Plan(path, options, plan))
            return true;
        plan.failure = summary.failure;
    } catch (const std::bad_alloc&) {
        plan.failure = "not enough memory for the course package";
    }
    return false;
}

int UploadCoursePackage(CDeviceLink& link, ops::IOperationHost& host, CoursePackage& package,
                        const std::string& path, UploadSummary& summary,
                        const UploadOptions& options) {
    summary = UploadSummary{};
    try {
        Uploader uploader(link, host, package, summary);
        return uploader.Run(path, options);
    } catch (const std::bad_alloc&) {
        summary.failure = "not enough memory for the upload";
        return 0;
    }
}

UploadSummary UpdateCourses(CDeviceLink& link, ops::IOperationHost& host, const std::string& path,
                            const UploadOptions& options) {
    ops::BusyScope busy(host);
    UploadSummary summary;
    int ok = 0;
    try {
        CoursePackage package;
        ok = UploadCoursePackage(link, host, package, path, summary, options);
    } catch (const std::bad_alloc&) {
        summary.failure = "not enough memory for the course package";
    }
    if (!ok && !summary.stopped) {
        const bool removed = summary.packageRead && options.watchRemoved && options.watchRemoved();
        host.ShowMessage(removed ? ops::kTextDeviceRemoved : kTextCourseFailed, ops::kCaptionError,
                         ops::MessageIcon::Error);
    } else if (ok) {
        host.SetProgressPos(100);
        host.SetProgressText(ops::kTextDone);
    }
    return summary;
}

}  // namespace veldrant::course
