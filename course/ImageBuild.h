// Helpers the course image builder shares between its files: the growing image and the
// string pool, both refusing to run past their buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>

#include "course/PackageData.h"

namespace veldrant::course {

inline constexpr uint8_t kZeroByte[1] = {0};

struct CourseImageWriter {
    std::span<uint8_t> img;   // kImageSize bytes
    size_t size;              // the running size s
    size_t pictureStart = 0;  // s where the picture section begins, before the pool moves in
    std::string error;

    bool Fail(std::string message) {
        if (error.empty()) {
            error = std::move(message);
        }
        return false;
    }
    bool Put(std::span<const uint8_t> bytes) {
        if (bytes.size() > img.size() - size) {
            return Fail("the course image would exceed 131,072 bytes");
        }
        if (!bytes.empty()) {
            std::memcpy(img.data() + size, bytes.data(), bytes.size());
        }
        size += bytes.size();
        return true;
    }
};

struct StringPool {
    std::span<uint8_t> bytes;  // kStringPoolSize bytes
    size_t size;

    // Appends `text` and its NUL; `at` receives the text's pool offset.
    bool Add(std::string_view text, uint16_t& at) {
        if (text.size() + 1 > bytes.size() - size) {
            return false;
        }
        at = static_cast<uint16_t>(size);
        std::memcpy(bytes.data() + size, text.data(), text.size());
        bytes[size + text.size()] = 0;
        size += text.size() + 1;
        return true;
    }
    void PadEven() {
        if (size % 2 != 0) {
            bytes[size++] = 0;  // the pool's size is even, so an odd size leaves room
        }
    }
    static std::string Overflow() { return "its texts need more than the 65,536-byte pool"; }
};

// Step 5 of the course image: name A and name B lists with their offset tables and the link
// records of golf course `id`.
bool WriteLinks(uint16_t id, const AppendData& append, CourseImageWriter& w, StringPool& pool);

}  // namespace veldrant::course
