#include "course/ZipArchive.h"

#include <minizip/unzip.h>

#include "platform/ZipFile.h"

#include <cstring>
#include <vector>

namespace veldrant::course {

namespace {
constexpr size_t kChunkSize = 4096;
constexpr int kCaseInsensitive = 2;  // unzLocateFile's iCaseSensitivity

// The zip library's case-insensitive comparison folds ASCII letters only.
std::string FoldCase(std::string name) {
    for (char& c : name) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return name;
}
}  // namespace

bool ZipArchive::Open(const std::string& path) {
    Close();
    file_ = platform::OpenUnzipFile(path);
    if (file_)
        IndexMembers();
    return file_ != nullptr;
}

void ZipArchive::Close() {
    if (file_) {
        unzClose(static_cast<unzFile>(file_));
        file_ = nullptr;
    }
    members_.clear();
    indexed_ = false;
}

// unzLocateFile walks the central directory from its start on every call, which makes reading
// one picture member per golf course quadratic in the package's size. The directory is walked
// once here instead; the first member of a name wins, as it does for unzLocateFile.
void ZipArchive::IndexMembers() {
    unzFile zf = static_cast<unzFile>(file_);
    members_.clear();
    indexed_ = false;
    int rc = unzGoToFirstFile(zf);
    for (; rc == UNZ_OK; rc = unzGoToNextFile(zf)) {
        unz_file_info info;
        if (unzGetCurrentFileInfo(zf, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
            return;
        }
        std::vector<char> name(info.size_filename + 1, '\0');
        unz_file_pos pos;
        if (unzGetCurrentFileInfo(zf, &info, name.data(), uLong(name.size()), nullptr, 0, nullptr,
                                  0) != UNZ_OK ||
            unzGetFilePos(zf, &pos) != UNZ_OK) {
            return;
        }
        // Compared as the C string the library sees.
        members_.emplace(FoldCase(std::string(name.data())),
                         MemberPos{pos.pos_in_zip_directory, pos.num_of_file});
    }
    // A directory that cannot be walked to its end leaves the lookups to the library.
    indexed_ = rc == UNZ_END_OF_LIST_OF_FILE;
    if (!indexed_)
        members_.clear();
}

bool ZipArchive::Locate(const std::string& name) {
    unzFile zf = static_cast<unzFile>(file_);
    if (!indexed_)
        return unzLocateFile(zf, name.c_str(), kCaseInsensitive) == UNZ_OK;
    auto it = members_.find(FoldCase(name));
    if (it == members_.end())
        return false;
    unz_file_pos pos{it->second.directoryOffset, it->second.number};
    return unzGoToFilePos(zf, &pos) == UNZ_OK;
}

bool ZipArchive::ReadMember(const std::string& name, std::span<uint8_t> buffer, size_t& size,
                            std::string& error) {
    size = 0;
    unzFile zf = static_cast<unzFile>(file_);
    if (!zf) {
        error = "no package is open";
        return false;
    }
    if (!Locate(name)) {
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
