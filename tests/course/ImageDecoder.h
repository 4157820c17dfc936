// A reader of the directory and course image layouts written apart from the builders, so that
// tests compare what the watch would find in an image with the description it came from.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace veldrant::course::test {

struct DirectoryArea {
    std::string name;  // bytes up to the NUL (code page 932)
    uint16_t value = 0;
    std::array<int32_t, 4> bounds{};
    uint16_t firstCourse = 0;
    uint16_t courseCount = 0;
    std::array<uint16_t, 44> groupFirst{};
    std::array<uint16_t, 44> groupCount{};
};

struct DirectoryCourse {
    uint16_t id = 0;
    std::array<int32_t, 4> bounds{};
};

struct DecodedDirectory {
    std::array<uint8_t, 8> salt{};
    uint16_t word1 = 0;
    uint16_t word2 = 0;
    uint32_t format = 0;
    uint32_t value3 = 0;
    uint32_t n = 0;
    uint32_t m = 0;
    std::vector<DirectoryCourse> courses;  // n slots of the golf course list
    std::vector<uint16_t> initials;        // n slots of the initial list
    std::vector<DirectoryArea> areas;      // m, area code 1 first

    // Ids of an area's golf courses (1-based code) and of one of its initial groups.
    std::vector<uint16_t> AreaIds(size_t code) const;
    std::vector<uint16_t> GroupIds(size_t code, size_t group) const;
};

// Decodes an image of `length` bytes from `image` (the whole buffer, so that the bytes past
// the image can be checked for zero). Returns an empty string or what is inconsistent.
std::string DecodeDirectory(std::span<const uint8_t> image, size_t length, DecodedDirectory& out);

struct DecodedHole {
    std::array<uint8_t, 8> head{};
    uint16_t pictureOffset = 0;
    std::array<uint16_t, 8> values{};
    std::vector<uint8_t> arrays;
};

struct DecodedItem {
    uint8_t byte0 = 0;
    uint8_t byte1 = 0;
    std::vector<uint8_t> extra;
    std::string name;
    std::vector<DecodedHole> holes;
};

struct DecodedLink {
    uint8_t part1 = 0;  // as stored: the package's part number minus 1
    uint8_t part2 = 0;
    std::array<uint8_t, 2> posA{};
    std::array<uint8_t, 2> posB{};
    std::array<std::string, 2> textA;  // the texts those positions name
    std::array<std::string, 2> textB;
    uint16_t value = 0;
    std::array<uint8_t, 2> tail{};
};

struct DecodedPicture {
    size_t offset = 0;  // from the picture section's start, in bytes
    uint8_t width = 0;
    uint8_t height = 0;
    std::vector<std::vector<uint8_t>> rows;  // as stored
    bool padded = false;
};

struct DecodedCourse {
    uint32_t crc = 0;
    uint32_t computedCrc = 0;
    uint32_t length = 0;
    uint16_t id = 0;
    uint16_t courseWord = 0;
    uint32_t value1 = 0;
    uint32_t value2 = 0;
    uint8_t courseByte = 0;
    size_t poolSize = 0;
    std::string name;
    std::vector<DecodedItem> items;
    std::vector<std::string> namesA;
    std::vector<std::string> namesB;
    std::vector<DecodedLink> links;
    std::vector<DecodedPicture> pictures;  // the picture section, walked from its start
    size_t pictureSectionSize = 0;

    // The picture a hole's offset points at, if one starts there.
    const DecodedPicture* PictureAt(uint16_t offset) const;
};

std::string DecodeCourse(std::span<const uint8_t> image, size_t length, DecodedCourse& out);

// CRC-32/MPEG-2 bit by bit, apart from the table-driven one of the library.
uint32_t BitwiseCrc32Mpeg2(std::span<const uint8_t> data);

}  // namespace veldrant::course::test
