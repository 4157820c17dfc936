// Reading whole members of a zip archive through minizip's unzip API: located without regard to
// letter case, read in 4096-byte chunks into the caller's buffer, checked on close.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>

namespace veldrant::course {

class ZipArchive {
public:
    ZipArchive() = default;
    ~ZipArchive() { Close(); }
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // The path goes to the zip library as the platform's narrow file API takes it (on Linux,
    // its bytes as given).
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }

    // Reads member `name` whole into `buffer` and sets `size` to its length. A member that
    // does not fit, cannot be found, opened or decompressed, or fails its CRC, is an error.
    bool ReadMember(const std::string& name, std::span<uint8_t> buffer, size_t& size,
                    std::string& error);

private:
    struct MemberPos {
        unsigned long directoryOffset = 0;  // unz_file_pos
        unsigned long number = 0;
    };
    void IndexMembers();
    bool Locate(const std::string& name);

    void* file_ = nullptr;                                // unzFile
    std::unordered_map<std::string, MemberPos> members_;  // by name, letter case folded
    bool indexed_ = false;
};

}  // namespace veldrant::course
