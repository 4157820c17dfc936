// A course package described as data: golf courses, areas, items, holes, link tables and 1-bit
// hole pictures. The package writer turns it into the zip archive that the reader reads; the
// JSON form (docs/course-description.md) is what people who author course data write. Texts
// are UTF-8 here and become code page 932 in the package.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veldrant::course {

struct PictureDescription {
    uint32_t kind = 2;              // record kind; only 2 is a picture
    uint32_t width = 0;             // pixels
    std::vector<std::string> rows;  // top row first, one char a pixel: '#' ink, '.' paper
};

struct HoleDescription {
    uint8_t kind = 0;                          // 1: array 1 entries of four values, else five
    std::array<uint8_t, 4> bytes{};            // hole bytes 1 to 4
    std::array<uint16_t, 8> values{};          // the eight hole values
    std::vector<std::vector<uint16_t>> array1; // entries of 4 (kind 1) or 5 values
    std::vector<std::array<uint16_t, 3>> array2;
    std::vector<std::array<uint16_t, 3>> array3;
    std::optional<PictureDescription> picture;
};

struct ItemDescription {
    uint8_t byte0 = 0;
    uint8_t byte1 = 0;
    std::vector<uint8_t> extra;  // k bytes, 0 to 4
    std::string name;
    std::vector<HoleDescription> holes;
};

struct LinkDescription {
    uint8_t part1 = 1;  // 1-based
    uint8_t part2 = 1;  // 1-based
    std::array<uint8_t, 2> nameB{};
    std::array<uint8_t, 2> nameA{};
    uint16_t value = 0;
    std::array<uint8_t, 2> tail{};
};

enum class PictureMember {
    Auto,    // written when a hole of the golf course has a picture
    Always,  // written even without pictures (all records of another kind)
    Never,   // not written
};

struct GolfCourseDescription {
    uint16_t id = 0;                          // data block id: picture member, link entry
    std::optional<uint16_t> directoryId;      // course record id; the block id when absent
    uint8_t area = 0;                         // area code, 1-based
    uint8_t initial = 0xB1;                   // 0xB1 (ｱ) to 0xDC (ﾜ)
    std::array<int32_t, 4> bounds{};
    std::string name;
    uint16_t courseWord = 0;
    uint32_t value1 = 0;
    uint32_t value2 = 0;
    uint8_t courseByte = 0;
    std::vector<ItemDescription> items;
    // Link records of the golf course; no link entry at all when absent.
    std::optional<std::vector<LinkDescription>> links;
    PictureMember pictureMember = PictureMember::Auto;
    std::optional<uint16_t> pictureItems;     // G; the item count when absent
};

struct AreaDescription {
    uint8_t code = 0;
    std::string name;
    uint16_t value = 0;
};

struct PackageDescription {
    uint16_t word1 = 0;
    uint16_t word2 = 0;
    uint32_t value3 = 0;
    std::vector<AreaDescription> areas;
    std::vector<GolfCourseDescription> golfCourses;
    std::vector<std::string> nameTableA;  // append section of kind 2
    std::vector<std::string> nameTableB;  // append section of kind 1
    // The append file's link section (kind 3); written when absent and a golf course has links.
    std::optional<bool> linkSection;
};

// Reads the JSON form. False with a message naming the field on bad input.
bool ParseDescription(std::string_view json, PackageDescription& out, std::string& error);

// Checks the limits the reader and the watch hold to (item, hole, link and text sizes, codes).
// Tests that need a bad package skip this and write the members directly.
bool CheckDescription(const PackageDescription& description, std::string& error);

}  // namespace veldrant::course
