// The firmware update: loads and checks the image, then writes it to the watch under code 2 (a
// start request carrying the image size, then the image in blocks of P bytes), driving the
// front end's progress bar. UI-neutral: the desktop page and the CLI run the same routine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "devicelink/DeviceLink.h"
#include "firmware/FirmwareFile.h"
#include "ops/OperationHost.h"

namespace veldrant::firmware {

enum class UpdateOutcome {
    Done,           // every block accepted; the bar shows 100 and "完了しました。"
    FileFailed,     // the file could not be loaded or does not fit the watch (message shown)
    StartFailed,    // the watch did not accept the start request (no message)
    BlockFailed,    // a block failed on both tries (no message)
    DeviceRemoved,  // the watch went away between blocks ("Device removed!" shown)
    Stopped,        // the user asked to stop; the watch holds the blocks sent (no message)
};

struct UpdateResult {
    UpdateOutcome outcome = UpdateOutcome::StartFailed;
    LoadOutcome load = LoadOutcome::Ok;
    uint32_t length = 0;      // L, the image size in bytes
    uint32_t blockCount = 0;  // n = ceil(L / P)
    uint32_t blocksSent = 0;  // blocks the watch acknowledged
    uint32_t retries = 0;     // blocks that needed their second try
};

// Tries each block gets before the update gives up.
inline constexpr int kFirmwareBlockTries = 2;

// n = ceil(length / payload); 0 when payload is 0.
uint32_t FirmwareBlockCount(uint32_t length, uint32_t payload);

// The bar after block i: the share of the image sent before block i, i·P·100 / L truncated.
// Worked out in 64 bits: the 32-bit product wraps once i·P exceeds about 42 MB, which would
// send the bar backwards on a large image; below that the figures are identical.
int FirmwareProgress(uint32_t block, uint32_t payload, uint32_t length);

// The update up to the first request that changes the watch: the image file opened, read and
// checked against the watch's identity, the blocks counted for the watch's payload size. The
// real update and a dry run share it; a dry run stops where it ends.
struct FirmwarePlan {
    CFirmwareFile file;
    uint32_t payload = 0;  // P, the watch's payload size
    UpdateResult result;   // length and block count; the outcome when preparing failed
    std::optional<ops::BusyScope> busy;  // held from the moment the file is open and sized
};

// Fills `plan`; true when the start request would be sent next. Otherwise plan.result says
// why (FileFailed with the loading failure shown on `host`, or StartFailed for a link that
// cannot carry blocks).
bool PrepareFirmwareUpdate(CDeviceLink& link, ops::IOperationHost& host, const std::string& path,
                           FirmwarePlan& plan);

// Runs one update of the watch on `link` from the image file at `path`. Shows the loading
// failures and "Device removed!" on `host`, holds the busy state from the moment the file is
// open and sized until the end, and releases the file and the image on every road out.
UpdateResult UpdateFirmware(CDeviceLink& link, ops::IOperationHost& host, const std::string& path);

}  // namespace veldrant::firmware
