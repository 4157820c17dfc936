#include "firmware/FirmwareFile.h"

#include <new>
#include <optional>

#include "firmware/FirmwareImage.h"
#include "ops/OperationHost.h"

namespace veldrant::firmware {

LoadMessage MessageFor(LoadOutcome outcome) {
    switch (outcome) {
        case LoadOutcome::Ok:
            return {};
        case LoadOutcome::CannotOpen:
            return {kTextCannotOpen, ops::kCaptionError};
        case LoadOutcome::NoLength:
            return {kTextNoLength, ops::kCaptionError};
        case LoadOutcome::ReadFailed:
            return {kTextReadFailed, kCaptionOpenFile};
        case LoadOutcome::Incorrect:
            return {kTextIncorrect, kCaptionOpenFile};
    }
    return {};
}

CFirmwareFile::~CFirmwareFile() {
    Close();
}

void CFirmwareFile::Close() {
    file_.Close();
}

LoadOutcome CFirmwareFile::Open(const std::string& path) {
    Close();
    image_.clear();
    length_ = 0;
    if (path.empty())
        return LoadOutcome::CannotOpen;
    // Directories, pipes and devices are refused as files that cannot be opened.
    if (file_.Open(path) != platform::FileOpen::Ok) {
        Close();
        return LoadOutcome::CannotOpen;
    }
    std::optional<uint64_t> size = file_.Size();
    // The image's length is a 32-bit count everywhere downstream (the start request carries
    // it); 0xFFFFFFFF is the failure value of the size query, so it is refused as well.
    if (!size || *size >= 0xFFFFFFFFull)
        return LoadOutcome::NoLength;
    length_ = static_cast<uint32_t>(*size);
    return LoadOutcome::Ok;
}

LoadOutcome CFirmwareFile::Read() {
    if (!file_.IsOpen())
        return LoadOutcome::ReadFailed;
    try {
        image_.assign(length_, 0);
    } catch (const std::bad_alloc&) {
        image_.clear();
        return LoadOutcome::ReadFailed;
    }
    // An error, or a file that shrank since it was sized.
    if (!file_.ReadAt(0, image_.data(), length_)) {
        image_.clear();
        return LoadOutcome::ReadFailed;
    }
    return LoadOutcome::Ok;
}

LoadOutcome CFirmwareFile::ReadAndCheck(std::string_view identityName) {
    LoadOutcome read = Read();
    if (read != LoadOutcome::Ok)
        return read;
    if (!CheckFirmwareImage(identityName, image_.data(), length_))
        return LoadOutcome::Incorrect;
    return LoadOutcome::Ok;
}

}  // namespace veldrant::firmware
