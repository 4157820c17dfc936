#include "sim/FirmwareService.h"

#include <algorithm>
#include <cstring>
#include <fstream>

#include "devicelink/Commands.h"
#include "platform/File.h"

namespace veldrant::sim {

namespace {
// Refusing a request: an echo that cannot match, so the host's block check fails at once
// instead of waiting out its time-out.
void Refuse(const Request& request, Reply& reply) {
    reply.value = ~request.value;
}
}  // namespace

FirmwareService::FirmwareService(FirmwarePolicy policy, std::string storeDir)
    : policy_(policy), storeDir_(std::move(storeDir)) {}

bool FirmwareService::Handles(uint8_t code) const {
    return code == CMD_FW_UPDATE;
}

void FirmwareService::SetOnComplete(std::function<void(const std::vector<uint8_t>&)> fn) {
    std::lock_guard lock(mutex_);
    onComplete_ = std::move(fn);
}

void FirmwareService::SetPolicy(const FirmwarePolicy& policy) {
    std::lock_guard lock(mutex_);
    policy_ = policy;
    failuresPlayed_ = 0;
    accepted_ = 0;
    unplugged_ = false;
}

FirmwareService::State FirmwareService::Snapshot() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void FirmwareService::Handle(const Request& request, Reply& reply) {
    std::lock_guard lock(mutex_);
    if (policy_.silentAfterBlocks && accepted_ >= *policy_.silentAfterBlocks) {
        reply.send = false;
        return;
    }
    if (request.mode == 1) {
        Start(request, reply);
    } else {
        Block(request, reply);
    }
}

void FirmwareService::Start(const Request& request, Reply& reply) {
    uint32_t length = request.Word(0);
    ++state_.starts;
    if (request.value != 0 || length == 0 || length > policy_.maxImageSize ||
        request.payloadSize == 0) {
        ++state_.refused;
        reply.command = 0;  // a reply to another command: the start request fails
        state_.started = false;
        return;
    }
    payload_ = request.payloadSize;
    state_ = State{};
    state_.starts = 1;
    state_.started = true;
    state_.length = length;
    state_.blockCount = length / payload_ + (length % payload_ != 0 ? 1 : 0);
    state_.image.assign(length, 0);
}

void FirmwareService::Block(const Request& request, Reply& reply) {
    uint32_t n = request.value;
    // The next block, or the last one again when its acknowledgement went missing.
    bool inOrder = n == state_.blocksReceived || (n + 1 == state_.blocksReceived);
    if (!state_.started || n >= state_.blockCount || !inOrder || request.payloadSize != payload_) {
        ++state_.refused;
        Refuse(request, reply);
        return;
    }
    if (policy_.failBlock && *policy_.failBlock == n && failuresPlayed_ < policy_.failTimes) {
        ++failuresPlayed_;
        ++state_.refused;
        Refuse(request, reply);
        return;
    }
    uint64_t offset = uint64_t(n) * payload_;
    size_t count = static_cast<size_t>(std::min<uint64_t>(payload_, state_.length - offset));
    std::memcpy(state_.image.data() + offset, request.payload, count);
    if (n + 1 == state_.blockCount) {
        state_.tailZero = std::all_of(request.payload + count, request.payload + payload_,
                                      [](uint8_t b) { return b == 0; });
    }
    if (n == state_.blocksReceived) {
        ++state_.blocksReceived;
        ++accepted_;
        if (state_.blocksReceived == state_.blockCount)
            Complete();
    }
    if (policy_.unplugAfterBlocks && accepted_ >= *policy_.unplugAfterBlocks && !unplugged_) {
        unplugged_ = true;
        reply.unplug = true;  // the block arrived, but the watch goes before it answers
    }
}

void FirmwareService::Complete() {
    state_.complete = true;
    if (!storeDir_.empty()) {
        std::ofstream out(platform::Utf8Path(storeDir_ + "/firmware.bin"),
                          std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(state_.image.data()),
                  static_cast<std::streamsize>(state_.image.size()));
    }
    if (onComplete_)
        onComplete_(state_.image);
}

}  // namespace veldrant::sim
