#include "firmware/FirmwareUpdate.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace veldrant::firmware {

namespace {

void ShowLoadFailure(ops::IOperationHost& host, LoadOutcome outcome) {
    LoadMessage m = MessageFor(outcome);
    host.ShowMessage(std::string(m.text), std::string(m.caption), ops::MessageIcon::Error);
}

// Points at the P bytes of block i. A block that runs past the end of the image is copied into
// `tail` with zeros after the image's last byte, so nothing past the image is ever read.
const uint8_t* BlockSource(const CFirmwareFile& file, uint32_t block, uint32_t payload,
                           std::vector<uint8_t>& tail) {
    uint64_t offset = uint64_t(block) * payload;
    uint64_t left = file.Length() - offset;
    if (left >= payload)
        return file.Data() + offset;
    std::fill(tail.begin(), tail.end(), uint8_t{0});
    std::memcpy(tail.data(), file.Data() + offset, static_cast<size_t>(left));
    return tail.data();
}

// Sends the blocks; returns Done, BlockFailed, DeviceRemoved or Stopped.
UpdateOutcome SendImage(CDeviceLink& link, ops::IOperationHost& host, const CFirmwareFile& file,
                        uint32_t payload, UpdateResult& result) {
    std::vector<uint8_t> tail(payload, 0);
    for (uint32_t i = 0; i < result.blockCount; ++i) {
        if (!host.IsConnected()) {
            host.ShowMessage(ops::kTextDeviceRemoved, ops::kCaptionError, ops::MessageIcon::Error);
            return UpdateOutcome::DeviceRemoved;
        }
        if (host.StopRequested())
            return UpdateOutcome::Stopped;
        const uint8_t* src = BlockSource(file, i, payload, tail);
        // The blocks are cut for the watch the update started on: a watch found again with
        // another report size refuses them.
        auto send = [&] { return link.SendBlock(src, i, payload) == 1; };
        int tries = 1;
        bool sent = send();
        while (!sent && tries < kFirmwareBlockTries) {
            ++tries;
            sent = send();
        }
        if (!sent)
            return UpdateOutcome::BlockFailed;
        if (tries > 1)
            ++result.retries;
        ++result.blocksSent;
        host.SetProgressPos(FirmwareProgress(i, payload, result.length));
    }
    return UpdateOutcome::Done;
}

}  // namespace

uint32_t FirmwareBlockCount(uint32_t length, uint32_t payload) {
    if (payload == 0)
        return 0;
    return length / payload + (length % payload != 0 ? 1 : 0);
}

int FirmwareProgress(uint32_t block, uint32_t payload, uint32_t length) {
    if (length == 0)
        return 100;
    uint64_t percent = uint64_t(block) * payload * 100 / length;
    return static_cast<int>(std::min<uint64_t>(percent, 100));
}

bool PrepareFirmwareUpdate(CDeviceLink& link, ops::IOperationHost& host, const std::string& path,
                           FirmwarePlan& plan) {
    UpdateResult& result = plan.result;
    // Taken once: the removal handling may clear the link's identity while we run.
    const std::string identityName(link.m_Identity.Name());
    result.load = plan.file.Open(path);
    if (result.load != LoadOutcome::Ok) {
        ShowLoadFailure(host, result.load);
        result.outcome = UpdateOutcome::FileFailed;
        return false;
    }
    plan.busy.emplace(host);
    plan.payload = link.m_dwHIDPacketSize;
    result.length = plan.file.Length();
    result.blockCount = FirmwareBlockCount(result.length, plan.payload);
    result.load = plan.file.ReadAndCheck(identityName);
    if (result.load != LoadOutcome::Ok) {
        ShowLoadFailure(host, result.load);
        result.outcome = UpdateOutcome::FileFailed;
        return false;
    }
    // A link without a frame (never opened) cannot carry blocks; like a refused start request.
    if (plan.payload == 0) {
        result.outcome = UpdateOutcome::StartFailed;
        return false;
    }
    return true;
}

UpdateResult UpdateFirmware(CDeviceLink& link, ops::IOperationHost& host, const std::string& path) {
    FirmwarePlan plan;
    if (!PrepareFirmwareUpdate(link, host, path, plan))
        return plan.result;
    UpdateResult& result = plan.result;
    // The first request that changes the watch.
    if (!link.SendCommand(CMD_FW_UPDATE, 0, result.length)) {
        result.outcome = UpdateOutcome::StartFailed;
        return result;
    }
    host.SetProgressLabel("firmware, " + std::to_string(result.blockCount) + " blocks");
    result.outcome = SendImage(link, host, plan.file, plan.payload, result);
    if (result.outcome == UpdateOutcome::Done) {
        host.SetProgressPos(100);
        host.SetProgressText(ops::kTextDone);
    }
    return result;
}

}  // namespace veldrant::firmware
