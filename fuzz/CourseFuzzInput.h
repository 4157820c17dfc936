// The course package fuzzer's input: one mode byte, then either the three members (index,
// append file, picture file; each but the last preceded by its 32-bit little-endian length) or
// a whole zip archive.
//   mode 0: members in clear; the harness enciphers them the way the writer does, so that the
//           fuzzer mutates the fields the reader compares
//   mode 1: members as stored (enciphered)
//   mode 2: a zip archive, read through the zip library like a package file
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace veldrant::fuzz {

enum class CourseInputMode : uint8_t { PlainMembers = 0, StoredMembers = 1, ZipArchive = 2 };

struct CourseInput {
    CourseInputMode mode = CourseInputMode::PlainMembers;
    std::span<const uint8_t> index;
    std::span<const uint8_t> append;
    std::span<const uint8_t> pictures;
    std::span<const uint8_t> zip;
};

inline CourseInput SplitCourseInput(std::span<const uint8_t> data) {
    CourseInput in;
    if (data.empty())
        return in;
    in.mode = static_cast<CourseInputMode>(data[0] % 3);
    data = data.subspan(1);
    if (in.mode == CourseInputMode::ZipArchive) {
        in.zip = data;
        return in;
    }
    auto take = [&data]() {
        if (data.size() < 4) {
            auto rest = data;
            data = {};
            return rest;
        }
        const size_t n = data[0] | data[1] << 8 | data[2] << 16 | size_t{data[3]} << 24;
        data = data.subspan(4);
        auto part = data.first(n < data.size() ? n : data.size());
        data = data.subspan(part.size());
        return part;
    };
    in.index = take();
    in.append = take();
    in.pictures = data;
    return in;
}

inline void AppendMember(std::vector<uint8_t>& out, std::span<const uint8_t> member) {
    const uint32_t n = static_cast<uint32_t>(member.size());
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(n >> (8 * i)));
    out.insert(out.end(), member.begin(), member.end());
}

}  // namespace veldrant::fuzz
