// The simulated watch's firmware update (code 2): a start request announces the image size,
// then the blocks arrive numbered from 0. The service checks the size and the numbering, keeps
// the image, and can play the faults a real update meets (a block that fails, a watch that
// stops answering or is unplugged part way).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/WatchService.h"

namespace veldrant::sim {

struct FirmwarePolicy {
    // Block `failBlock` is refused (its echo is wrong) the first `failTimes` times it arrives.
    std::optional<uint32_t> failBlock;
    uint32_t failTimes = 0;
    // After this many accepted blocks the watch answers nothing more under code 2.
    std::optional<uint32_t> silentAfterBlocks;
    // After this many accepted blocks the watch pulls itself out.
    std::optional<uint32_t> unplugAfterBlocks;
    // Largest image the watch takes; a larger start request is refused.
    uint32_t maxImageSize = 16u << 20;
};

class FirmwareService : public IWatchService {
public:
    // `storeDir`: where a completed image is written as firmware.bin (empty: kept in memory only).
    explicit FirmwareService(FirmwarePolicy policy = {}, std::string storeDir = {});

    bool Handles(uint8_t code) const override;
    void Handle(const Request& request, Reply& reply) override;

    // Runs (with the watch's lock held) when the last block of an image has arrived.
    void SetOnComplete(std::function<void(const std::vector<uint8_t>& image)> fn);
    void SetPolicy(const FirmwarePolicy& policy);

    struct State {
        bool started = false;
        bool complete = false;
        uint32_t length = 0;          // announced by the start request
        uint32_t blockCount = 0;      // ceil(length / P)
        uint32_t blocksReceived = 0;  // next block expected
        uint32_t starts = 0;          // start requests seen
        uint32_t refused = 0;         // requests answered wrongly on purpose or for bad numbering
        bool tailZero = true;         // the last block's bytes past the image were all zero
        std::vector<uint8_t> image;   // what has arrived, `length` bytes
    };
    State Snapshot() const;

private:
    void Start(const Request& request, Reply& reply);
    void Block(const Request& request, Reply& reply);
    void Complete();

    mutable std::mutex mutex_;
    FirmwarePolicy policy_;
    std::string storeDir_;
    State state_;
    uint32_t payload_ = 0;
    uint32_t failuresPlayed_ = 0;
    uint32_t accepted_ = 0;  // blocks accepted under this policy, for the fault policies
    bool unplugged_ = false;
    std::function<void(const std::vector<uint8_t>&)> onComplete_;
};

}  // namespace veldrant::sim
