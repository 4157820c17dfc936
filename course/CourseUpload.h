// The course data upload: reads a course package, builds the directory image and one course
// image a golf course, and writes them to the watch under code 3 while the front end's progress
// bar advances. UI-neutral: the desktop page and the CLI run the same routine.
//
// On the wire: directory begin (0x55, T), the directory in blocks; then per golf course a begin
// (CRC, L, id | word << 16) that the watch may answer 0xAAAAAAAA ("have it already"), the
// course image in blocks, and a confirm (… , 0xAA55AA55) that the watch answers 0xBBBBBBBB when
// it has taken the golf course; finally the end record (0, 0, 0, 51).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "course/CoursePackage.h"
#include "devicelink/DeviceLink.h"
#include "ops/OperationHost.h"

namespace veldrant::course {

// Argument words and reply words of code 3.
inline constexpr uint32_t kDirectoryBeginWord = 0x55;
inline constexpr uint32_t kConfirmWord = 0xAA55AA55;  // argument word 3 of a confirm
inline constexpr uint32_t kEndWord = 51;              // argument word 3 of the end record
inline constexpr uint32_t kReplyNotNeeded = 0xAAAAAAAA;
inline constexpr uint32_t kReplyAccepted = 0xBBBBBBBB;

// Tries a block gets before the upload gives up.
inline constexpr int kCourseBlockTries = 10;
// Rounds (begin, blocks, confirm) one golf course gets before the upload gives up. A watch that
// keeps refusing a confirm while every exchange succeeds would otherwise hold the upload, and the
// user with it, for ever.
inline constexpr int kCourseRounds = 10;

inline constexpr const char* kTextCourseFailed = "Failed to read course file";
// The caption of the application's own message box: the program file's name.
inline constexpr const char* kApplicationName = "veldrant";

// What happened, for the CLI's closing lines.
struct UploadSummary {
    bool ok = false;
    uint32_t golfCourses = 0;   // N, the golf courses of the package
    uint32_t sent = 0;          // golf courses the watch took (confirmed, or id 0 sent)
    uint32_t skipped = 0;       // golf courses whose begin the watch answered 0xAAAAAAAA
    uint32_t repeated = 0;      // rounds sent again after a confirm was not accepted
    uint32_t blocks = 0;        // blocks the watch acknowledged, directory included
    uint32_t blockRetries = 0;  // failed tries of blocks, all later ones included
    std::string failure;        // what stopped a failed upload
    bool stopped = false;       // the user asked to stop (between two blocks)
    bool packageRead = false;   // the index and the append file were read
};

struct UploadOptions {
    std::string applicationName = kApplicationName;  // caption of "Failed to read zip file!"
    // Asked after a failure that came once the package was read: true when the watch was
    // pulled out, which is then shown as "Device removed!" rather than as a course file that
    // could not be read. Without it every failure is "Failed to read course file".
    std::function<bool()> watchRemoved;
};

// What an upload of a package would write, every image built as the upload builds it and
// nothing sent: for a dry run.
struct UploadPlan {
    uint32_t golfCourses = 0;
    uint32_t payload = 0;  // P, bytes of image a block carries
    uint64_t directoryBytes = 0;
    uint32_t directoryBlocks = 0;
    uint64_t courseBytes = 0;  // every golf course's image
    uint32_t courseBlocks = 0;
    uint32_t records = 0;  // begins, confirms and the end record
    std::string failure;   // why the upload would stop before it sends anything
    // Exchanges of an upload the watch takes whole at the first try and skips nothing of.
    uint64_t Exchanges() const { return uint64_t(directoryBlocks) + courseBlocks + records; }
};

// The upload routine: reads the package at `path` into `package`, then writes it to the watch.
// Returns 1 when the end record was accepted, else 0 (the zip problems have been shown on
// `host`; every other failure is left to the caller to report). Nothing is sent unless the
// reader has accepted the index and the append file.
int UploadCoursePackage(CDeviceLink& link, ops::IOperationHost& host, CoursePackage& package,
                        const std::string& path, UploadSummary& summary,
                        const UploadOptions& options = {});

// The upload up to the first request that changes the watch: the package read (its zip
// problems shown on `host` as the upload shows them) and every image built for the watch's
// payload size. True when the upload would start sending.
bool PlanCourseUpload(CDeviceLink& link, ops::IOperationHost& host, const std::string& path,
                      UploadPlan& plan, const UploadOptions& options = {});

// The worker: holds the busy state, runs the upload on a package of its own and reports the
// outcome ("Failed to read course file", or 100 and "完了しました。").
UploadSummary UpdateCourses(CDeviceLink& link, ops::IOperationHost& host, const std::string& path,
                            const UploadOptions& options = {});

}  // namespace veldrant::course
