// The simulated watch's course data store (code 3): a directory transfer, then per golf course a
// begin that may be declined, the course image in blocks and a confirm that is accepted only when
// the image arrived whole (its length and CRC-32/MPEG-2 hold), then the end record. The service
// keeps what it accepted, in memory and optionally in a folder, and logs every step so that
// tests can see what the watch was sent.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sim/WatchService.h"

namespace veldrant::sim {

// CRC-32/MPEG-2 (polynomial 0x04C11DB7, initial 0xFFFFFFFF, no reflection, no final XOR), the
// watch's own: computed here rather than borrowed from the image builder, so that a fault in
// the builder's CRC cannot hide behind the same fault on this side.
uint32_t WatchCrc32(const uint8_t* data, size_t size);

// A block that is refused (wrong echo) the first `times` times it arrives.
struct BlockFault {
    bool directory = false;  // a block of the directory, else of golf course `courseId`
    uint16_t courseId = 0;
    uint32_t block = 0;
    uint32_t times = 0;
};

struct CoursePolicy {
    std::set<uint16_t> declineIds;  // course begins of these ids are answered 0xAAAAAAAA
    uint32_t wrongConfirms = 0;     // the first k confirms are answered 0 whatever they carry
    std::optional<BlockFault> failBlock;
    std::optional<uint32_t> silentAfterBlocks;  // answers nothing under code 3 after this many
    std::optional<uint32_t> unplugAfterBlocks;  // pulls itself out after this many blocks
};

class CourseService : public IWatchService {
public:
    static constexpr uint32_t kMaxImage = 131072;

    enum class Step { DirectoryBegin, CourseBegin, Block, Confirm, End, Refused };
    struct Event {
        Step step = Step::Refused;
        bool directory = false;  // for blocks: a directory block, else a course block
        uint16_t courseId = 0;   // course begins, confirms and course blocks
        uint32_t block = 0;      // blocks
        uint32_t reply = 0;      // reply word of begins, confirms and ends
    };
    struct State {
        std::vector<uint8_t> directory;  // the last directory, T bytes
        bool directoryComplete = false;
        std::map<uint16_t, std::vector<uint8_t>> courses;  // accepted course images by id
        std::vector<Event> events;
        uint32_t acceptedCourses = 0;  // acceptances, repeats of one id included
        uint32_t badImages = 0;        // course images whose length or CRC did not hold
        uint32_t ends = 0;
        uint32_t dirtyTails = 0;  // last blocks with non-zero bytes past the image's end
        uint32_t tailBytes = 0;   // bytes past the image's end in the last block received
    };

    // `storeDir`: where directory.bin and course-<id>.bin are written (empty: memory only).
    explicit CourseService(CoursePolicy policy = {}, std::string storeDir = {});

    bool Handles(uint8_t code) const override;
    void Handle(const Request& request, Reply& reply) override;

    void SetPolicy(const CoursePolicy& policy);
    State Snapshot() const;
    // Keep the step log (on by default); a long benchmark run may turn it off.
    void SetLogging(bool on);

private:
    struct Transfer {
        bool active = false;
        bool directory = false;
        uint32_t words[3] = {0, 0, 0};  // the begin record's words 0 to 2
        uint32_t length = 0;
        uint32_t blockCount = 0;
        uint32_t received = 0;
        bool valid = false;  // a course image that arrived whole with its length and CRC right
        std::vector<uint8_t> bytes;
    };

    void Record(const Request& request, Reply& reply);
    void Begin(const Request& request, Reply& reply, bool directory);
    void Confirm(const Request& request, Reply& reply);
    void Block(const Request& request, Reply& reply);
    bool PlayBlockFault(uint32_t n);
    void TransferDone(uint16_t id);
    void Finish();
    void Accept(uint16_t id);
    void Log(const Event& e);
    void Write(const std::string& name, const std::vector<uint8_t>& bytes) const;

    mutable std::mutex mutex_;
    CoursePolicy policy_;
    std::string storeDir_;
    State state_;
    Transfer transfer_;
    uint32_t payload_ = 0;
    uint32_t confirmsSeen_ = 0;
    uint32_t faultsPlayed_ = 0;
    uint32_t blocksAccepted_ = 0;
    bool unplugged_ = false;
    bool logging_ = true;
};

}  // namespace veldrant::sim
