// The hole pictures' PNG files, read back chunk by chunk and inflated: the bytes are zlib's own,
// so both platforms write the same file for the same picture.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "course/PicturePng.h"

namespace veldrant::course::test {
namespace {

uint32_t Be32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

struct Chunk {
    std::string type;
    std::vector<uint8_t> data;
};

// The chunks of a PNG file; fails the test on a bad signature, length or CRC.
std::vector<Chunk> Chunks(const std::vector<uint8_t>& png) {
    std::vector<Chunk> chunks;
    const std::vector<uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8), signature);
    size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = Be32(png, at);
        EXPECT_LE(at + 12 + length, png.size());
        Chunk c{std::string(png.begin() + long(at) + 4, png.begin() + long(at) + 8),
                std::vector<uint8_t>(png.begin() + long(at) + 8,
                                     png.begin() + long(at) + 8 + long(length))};
        const uLong crc = crc32(0L, png.data() + at + 4, uInt(length + 4));
        EXPECT_EQ(Be32(png, at + 8 + length), uint32_t(crc)) << c.type;
        chunks.push_back(std::move(c));
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    return chunks;
}

TEST(PicturePng, RowsTopFirstInkBlackAndEachLedByFilterNone) {
    struct Row {
        uint8_t width, height;
        uint32_t pitch;
        std::vector<uint8_t> stored;    // bottom row first, set bits are ink
        std::vector<uint8_t> expected;  // the inflated IDAT
    };
    const Row rows[] = {
        {8, 2, 1, {0x0F, 0xF0}, {0, 0x0F, 0, 0xF0}},
        {9, 1, 2, {0xFF, 0x80}, {0, 0x00, 0x7F}},
        {3, 3, 4, {0x20, 0, 0, 0, 0x40, 0, 0, 0, 0x80}, {0, 0x7F, 0, 0xBF, 0, 0xDF}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(int(row.width));
        Picture picture;
        picture.width = row.width;
        picture.height = row.height;
        picture.rowBytes = (row.width + 7u) / 8u;
        picture.rowPitch = row.pitch;
        picture.pixels = row.stored;
        std::vector<Chunk> chunks = Chunks(EncodePicturePng(picture));
        ASSERT_EQ(chunks.size(), 3u);
        EXPECT_EQ(chunks[0].type, "IHDR");
        EXPECT_EQ(chunks[0].data,
                  (std::vector<uint8_t>{0, 0, 0, row.width, 0, 0, 0, row.height, 1, 0, 0, 0, 0}));
        EXPECT_EQ(chunks[1].type, "IDAT");
        std::vector<uint8_t> raw(row.expected.size() + 16);
        uLongf rawSize = uLongf(raw.size());
        ASSERT_EQ(
            uncompress(raw.data(), &rawSize, chunks[1].data.data(), uLong(chunks[1].data.size())),
            Z_OK);
        raw.resize(rawSize);
        EXPECT_EQ(raw, row.expected);
        EXPECT_EQ(chunks[2].type, "IEND");
        EXPECT_TRUE(chunks[2].data.empty());
    }
    EXPECT_TRUE(EncodePicturePng(Picture{}).empty());
}

}  // namespace
}  // namespace veldrant::course::test
