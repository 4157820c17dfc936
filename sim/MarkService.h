// The simulated watch's marks and scores: the number of mark sets (code 10), one set's length and
// blocks (code 11), whether score data is held (code 18), its length and blocks (code 19). Faults
// can be asked for: a failing request 11, a block that fails once or twice, the watch pulled out
// while a given set is read, and lengths a real watch could never send.
#pragma once

#include <functional>
#include <mutex>
#include <optional>

#include "sim/MarkSample.h"
#include "sim/WatchService.h"

namespace veldrant::sim {

struct MarkFaults {
    // Request 11 for this set fails (the reply carries another command code).
    std::optional<uint32_t> failReadSet;
    // Block `failBlock` of set `failBlockSet` is refused (wrong echo) the first
    // `failBlockTimes` times it is asked for; 2 makes the host give the set up.
    std::optional<uint32_t> failBlockSet;
    uint32_t failBlock = 0;
    uint32_t failBlockTimes = 1;
    // The watch is pulled out after it has answered `removeAfterBlocks` blocks of set
    // `removeDuringSet`: the next request finds it gone. Plays once.
    std::optional<uint32_t> removeDuringSet;
    uint32_t removeAfterBlocks = 1;
    // Request 11 for this set claims `claimedLength` bytes instead of the set's own length.
    std::optional<uint32_t> lieAboutSet;
    uint32_t claimedLength = 0;
    // Request 19 claims this many bytes instead of the score data's length.
    std::optional<uint32_t> claimedScoreLength;
};

class MarkService : public IWatchService {
public:
    explicit MarkService(MarkData data = {}, MarkFaults faults = {});

    bool Handles(uint8_t code) const override;
    void Handle(const Request& request, Reply& reply) override;

    // Runs the moment the watch decides to go, right after the reply to its last block is made
    // (with the watch's lock held, so it must not block): tests drop their connected flag here,
    // as the desktop's removal handling would, before the host can ask for another block.
    void SetRemovalHook(std::function<void()> fn);
    void SetData(MarkData data);
    void SetFaults(MarkFaults faults);

    struct Stats {
        uint32_t countRequests = 0;      // code 10
        uint32_t setRequests = 0;        // code 11 with arguments
        uint32_t scoreInfoRequests = 0;  // code 18
        uint32_t scoreRequests = 0;      // code 19 with arguments
        uint32_t blocks = 0;             // blocks answered, codes 11 and 19
        uint32_t refused = 0;            // requests answered wrongly, on purpose or not
        uint32_t scoreInfoArgument = 0;  // argument word of the last code 18
        uint32_t scoreReadArgument = 0;  // argument word of the last code 19
    };
    Stats GetStats() const;

private:
    void Open(const Request& request, Reply& reply);
    void Block(const Request& request, Reply& reply);
    void CountForRemoval();

    mutable std::mutex mutex_;
    MarkData data_;
    MarkFaults faults_;
    std::function<void()> removalHook_;
    Stats stats_;
    // What the blocks under code 11 or 19 carry: the last opened set or the score data.
    const std::vector<uint8_t>* open_ = nullptr;
    uint8_t openCode_ = 0;
    std::optional<uint32_t> openSet_;
    uint32_t blockFailures_ = 0;
    uint32_t removalBlocks_ = 0;
    enum class Removal { Armed, Pending, Done } removal_ = Removal::Armed;
};

}  // namespace veldrant::sim
