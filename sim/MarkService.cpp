#include "sim/MarkService.h"

#include <algorithm>
#include <cstring>

#include "devicelink/Commands.h"

namespace veldrant::sim {
namespace {

constexpr uint8_t kModeCommand = 1;

// A reply to another command: the host's exchange fails at once.
void RefuseCommand(Reply& reply) {
    reply.command = 0;
}
// A block echo that cannot match: the host's block check fails at once.
void RefuseBlock(const Request& request, Reply& reply) {
    reply.value = ~request.value;
}

}  // namespace

MarkService::MarkService(MarkData data, MarkFaults faults)
    : data_(std::move(data)), faults_(faults) {}

bool MarkService::Handles(uint8_t code) const {
    return code == CMD_MARK_COUNT || code == CMD_MARK_READ || code == CMD_SCORE_INFO ||
           code == CMD_SCORE_READ;
}

void MarkService::SetRemovalHook(std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    removalHook_ = std::move(fn);
}

void MarkService::SetData(MarkData data) {
    std::lock_guard lock(mutex_);
    data_ = std::move(data);
    open_ = nullptr;
}

void MarkService::SetFaults(MarkFaults faults) {
    std::lock_guard lock(mutex_);
    faults_ = faults;
    blockFailures_ = 0;
    removalBlocks_ = 0;
    removal_ = Removal::Armed;
}

MarkService::Stats MarkService::GetStats() const {
    std::lock_guard lock(mutex_);
    return stats_;
}

void MarkService::Handle(const Request& request, Reply& reply) {
    std::lock_guard lock(mutex_);
    if (removal_ == Removal::Pending) {
        removal_ = Removal::Done;
        reply.unplug = true;
        return;
    }
    switch (request.command) {
        case CMD_MARK_COUNT:
            ++stats_.countRequests;
            reply.SetWord(0, static_cast<uint32_t>(data_.sets.size()));
            break;
        case CMD_SCORE_INFO:
            ++stats_.scoreInfoRequests;
            stats_.scoreInfoArgument = request.Word(0);
            reply.SetWord(0, data_.score.empty() ? 0 : 1);
            break;
        default:
            if (request.mode == kModeCommand) {
                Open(request, reply);
            } else {
                Block(request, reply);
            }
    }
}

void MarkService::Open(const Request& request, Reply& reply) {
    open_ = nullptr;
    openSet_.reset();
    if (request.command == CMD_SCORE_READ) {
        ++stats_.scoreRequests;
        stats_.scoreReadArgument = request.Word(0);
        open_ = &data_.score;
        openCode_ = CMD_SCORE_READ;
        reply.SetWord(
            0, faults_.claimedScoreLength.value_or(static_cast<uint32_t>(data_.score.size())));
        return;
    }
    ++stats_.setRequests;
    uint32_t index = request.value;
    if (index >= data_.sets.size() || faults_.failReadSet == index) {
        ++stats_.refused;
        RefuseCommand(reply);
        return;
    }
    open_ = &data_.sets[index];
    openCode_ = CMD_MARK_READ;
    openSet_ = index;
    uint32_t length = static_cast<uint32_t>(open_->size());
    if (faults_.lieAboutSet == index)
        length = faults_.claimedLength;
    reply.SetWord(0, length);
}

void MarkService::Block(const Request& request, Reply& reply) {
    const uint32_t payload = request.payloadSize;
    uint64_t offset = uint64_t{request.value} * payload;
    if (!open_ || openCode_ != request.command) {
        ++stats_.refused;
        RefuseBlock(request, reply);
        return;
    }
    if (openSet_ && faults_.failBlockSet == *openSet_ && faults_.failBlock == request.value &&
        blockFailures_ < faults_.failBlockTimes) {
        ++blockFailures_;
        ++stats_.refused;
        RefuseBlock(request, reply);
        return;
    }
    // Past the end the watch sends zeros, as it would for a claimed length longer than the set.
    if (offset < open_->size()) {
        size_t n = std::min<uint64_t>(payload, open_->size() - offset);
        std::memcpy(reply.payload.data(), open_->data() + offset, n);
    }
    ++stats_.blocks;
    CountForRemoval();
}

void MarkService::CountForRemoval() {
    if (removal_ != Removal::Armed || !openSet_ || faults_.removeDuringSet != *openSet_)
        return;
    if (++removalBlocks_ < faults_.removeAfterBlocks)
        return;
    removal_ = Removal::Pending;
    if (removalHook_)
        removalHook_();
}

}  // namespace veldrant::sim
