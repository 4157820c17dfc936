// What the course package reader makes of the deciphered members: plain values and views into
// the reader's buffers. The image builders take these; nothing here touches a file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace veldrant::course {

// Header of "index4.dat" (bytes 0 to 127, deciphered).
struct IndexHeader {
    std::array<uint8_t, 8> salt{};  // bytes 0 to 7, stored in clear
    uint16_t word1 = 0;             // offset 8, passed on unchanged
    uint16_t word2 = 0;             // offset 10, passed on unchanged
    uint32_t format = 0;            // offset 12, 2
    uint32_t value3 = 0;            // offset 16, passed on unchanged
    uint32_t courseCount = 0;       // offset 20, N
    uint32_t recordSize = 0;        // offset 24, 32
    uint32_t courseTableOffset = 0; // offset 28
    uint32_t dataAreaOffset = 0;    // offset 32
    uint32_t areaCount = 0;         // offset 44, A
    uint32_t areaTableOffset = 0;   // offset 52
};

// One 32-byte record of the course table.
struct CourseRecord {
    std::array<int32_t, 4> bounds{};  // bound 1 and 2 kept largest, 3 and 4 smallest per area
    uint16_t id = 0;                  // the id the directory image lists
    uint8_t areaCode = 0;             // 1-based
    uint8_t initialCode = 0;          // 0xB1 (ｱ) to 0xDC (ﾜ)
    uint32_t blockOffset = 0;         // from the start of the course data area
    uint32_t blockLength = 0;
};

// One 64-byte record of the area table.
struct AreaRecord {
    std::string name;  // code page 932 bytes, without the NUL; at most 49 bytes
    uint8_t code = 0;  // 1-based
    uint16_t value = 0;
};

// One hole of an item. `head` is hole bytes 0 to 7 (kind, bytes 1 to 4, a, b, c).
struct Hole {
    std::array<uint8_t, 8> head{};
    std::array<uint16_t, 8> values{};
    std::span<const uint8_t> arrays;  // arrays 1, 2 and 3 back to back, as stored

    uint8_t Kind() const { return head[0]; }
    uint8_t Array1Count() const { return head[5]; }
    uint8_t Array2Count() const { return head[6]; }
    uint8_t Array3Count() const { return head[7]; }
};

struct Item {
    uint8_t byte0 = 0;
    uint8_t byte1 = 0;
    std::vector<uint8_t> extra;  // k bytes, k at most 4
    std::string name;            // code page 932, without the NUL
    std::vector<Hole> holes;     // at most 9
};

// The fields of a golf course's data block that the course image carries.
struct GolfCourseBlock {
    uint16_t id = 0;          // block offset 0: names the picture member, selects the link entry
    std::string name;         // block offset 2, code page 932, without the NUL
    uint16_t courseWord = 0;  // block offset 242
    uint32_t value1 = 0;      // block offset 456
    uint32_t value2 = 0;      // block offset 460
    uint8_t courseByte = 0;   // block offset 464
    std::vector<Item> items;  // at most 5
};

// The deciphered index file.
struct IndexData {
    IndexHeader header;
    std::vector<CourseRecord> courses;      // N, table order
    std::vector<AreaRecord> areas;          // A, table order
    std::vector<GolfCourseBlock> blocks;    // one a course record, same order
};

// One 10-byte link record as the append file stores it.
struct LinkRecord {
    uint8_t part1 = 0;                 // 1-based
    uint8_t part2 = 0;                 // 1-based
    std::array<uint8_t, 2> nameB{};    // indexes into name table B (record bytes 2 and 3)
    std::array<uint8_t, 2> nameA{};    // indexes into name table A (record bytes 4 and 5)
    uint16_t value = 0;                // bytes 6 and 7
    std::array<uint8_t, 2> tail{};     // bytes 8 and 9, passed on unchanged
};

struct LinkEntry {
    uint16_t golfCourseId = 0;
    std::vector<LinkRecord> records;  // at most 255
};

// The deciphered append file. A name table entry is 50 bytes with its text from byte 2; the
// tables are kept as they were stored, their texts looked up when an image needs them.
struct AppendData {
    bool hasNameTableA = false;
    bool hasNameTableB = false;
    bool hasLinkTable = false;
    std::span<const uint8_t> nameTableA;  // section of kind 2
    std::span<const uint8_t> nameTableB;  // section of kind 1
    std::vector<LinkEntry> links;         // empty without a section of kind 3

    // The first link entry of the golf course, or nullptr.
    const LinkEntry* FindLinks(uint16_t golfCourseId) const;
};

// One hole picture of a picture file: a 1-bit bitmap, rows in the order stored.
struct Picture {
    uint8_t width = 0;                // biWidth; wider pictures make the file unusable
    uint8_t height = 0;               // biHeight
    uint32_t rowBytes = 0;            // ceil(width / 8)
    uint32_t rowPitch = 0;            // distance between rows in the record
    std::span<const uint8_t> pixels;  // the first row's first byte onwards

    std::span<const uint8_t> Row(uint32_t r) const {
        return pixels.subspan(static_cast<size_t>(r) * rowPitch, rowBytes);
    }
};

// One entry of the picture table (item·9 + hole) and what its record holds.
struct PictureSlot {
    uint32_t recordOffset = 0;  // from the start of the picture data area
    uint32_t recordLength = 0;
    uint32_t kind = 0;          // record kind; 2 is a picture, 0 when the record is too short
    bool hasPicture = false;    // kind 2 with a usable bitmap
    Picture picture;
};

// The deciphered picture file of one golf course.
struct PictureFile {
    uint16_t golfCourseId = 0;
    uint16_t itemCount = 0;          // G
    std::vector<PictureSlot> slots;  // G·9 in table order

    // The slot of a hole, or nullptr when the table does not cover it.
    const PictureSlot* Slot(size_t item, size_t hole) const;
};

}  // namespace veldrant::course
