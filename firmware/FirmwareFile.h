// Loading a firmware image file, with the outcomes the firmware page reports. The file is opened
// and sized first (before the update marks itself busy), then read whole and checked.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/File.h"

namespace veldrant::firmware {

enum class LoadOutcome {
    Ok,
    CannotOpen,  // "Failed to Open firmware file"
    NoLength,    // "Failed to Get the length of firmware file"
    ReadFailed,  // "Failed to read firmware file!"
    Incorrect,   // "Incorrect firmwarefile!"
};

inline constexpr const char* kTextCannotOpen = "Failed to Open firmware file";
inline constexpr const char* kTextNoLength = "Failed to Get the length of firmware file";
inline constexpr const char* kTextReadFailed = "Failed to read firmware file!";
inline constexpr const char* kTextIncorrect = "Incorrect firmwarefile!";
inline constexpr const char* kCaptionOpenFile = "Open File";

// The message box text and caption of a failed outcome (both empty for Ok).
struct LoadMessage {
    std::string_view text;
    std::string_view caption;
};
LoadMessage MessageFor(LoadOutcome outcome);

// One firmware image file, open from Open() until destruction; the image lives in memory from
// Read() until destruction. Nothing is kept open or allocated past the object's life.
class CFirmwareFile {
public:
    CFirmwareFile() = default;
    ~CFirmwareFile();
    CFirmwareFile(const CFirmwareFile&) = delete;
    CFirmwareFile& operator=(const CFirmwareFile&) = delete;

    // Opens a regular file for reading and takes its size: Ok, CannotOpen or NoLength. A size
    // that a 32-bit count cannot hold is NoLength.
    LoadOutcome Open(const std::string& path);
    // Reads the whole file (Ok or ReadFailed) and checks it against the watch's identity name
    // (Incorrect when it does not fit). Only after a successful Open.
    LoadOutcome ReadAndCheck(std::string_view identityName);
    // Reads the whole file without checking it: Ok or ReadFailed.
    LoadOutcome Read();

    uint32_t Length() const { return length_; }
    const uint8_t* Data() const { return image_.data(); }
    const std::vector<uint8_t>& Image() const { return image_; }
    void Close();

private:
    platform::CInputFile file_;
    uint32_t length_ = 0;
    std::vector<uint8_t> image_;
};

}  // namespace veldrant::firmware
