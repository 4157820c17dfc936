#include "course/ZipArchive.h"

#include <minizip/unzip.h>

#include <cstring>

namespace veldrant::course {

namespace {
constexpr size_t kChunkSize = 4096;
constexpr int kCaseInsensitive = 2;  // unzLocateFile's iCaseSensitivity
}  // namespace

bool ZipArchive::Open(const std::string& path) {
    Close();
    file_ = unzOpen(path.c_str());
    return file_ != nullptr;
}

void ZipArchive::Close() {
    if (file_) {
        unzClose(static_cast<unzFile>(file_));
        file_ = nullptr;
    }
}

bool ZipArchive::ReadMember(const std::string& name, std::span<uint8_t> buffer, size_t& size,
                            std::string& error) {
    size = 0;
    unzFile zf = static_cast<unzFile>(file_);
    if (!zf) {
        error = "no package is open";
        return false;
    }
    if (unzLocateFile(zf, name.c_str(), kCaseInsensitive) != UNZ_OK) {
        error = name + ": not in the package";
        return false;
    }
    if (unzOpenCurrentFile(zf) != UNZ_OK) {
        error = name + ": cannot be opened (an encrypted member or an unknown method?)";
        return false;
    }
    uint8_t chunk[kChunkSize];
    for (;;) {
        std::memset(chunk, 0, sizeof chunk);
        const int got = unzReadCurrentFile(zf, chunk, sizeof chunk);
        if (got == 0) {
            break;
        }
        if (got < 0 || static_cast<size_t>(got) > buffer.size() - size) {
            unzCloseCurrentFile(zf);
            error = got < 0 ? name + ": damaged, cannot be decompressed (error " +
                                  std::to_string(got) + ")"
                            : name + ": larger than the " + std::to_string(buffer.size()) +
                                  " bytes this reader holds";
            size = 0;
            return false;
        }
        std::memcpy(buffer.data() + size, chunk, static_cast<size_t>(got));
        size += static_cast<size_t>(got);
    }
    // Only a member read to its end has its CRC checked on close.
    if (unzCloseCurrentFile(zf) != UNZ_OK) {
        error = name + ": damaged (its CRC does not match)";
        size = 0;
        return false;
    }
    return true;
}

}  // namespace veldrant::course
