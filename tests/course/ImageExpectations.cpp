#include "tests/course/ImageExpectations.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/course/PackageFixture.h"

namespace veldrant::course::test {

namespace {

const char* const kPrefectures[47] = {
    "北海道", "青森県", "岩手県", "宮城県", "秋田県", "山形県",   "福島県", "茨城県",
    "栃木県", "群馬県", "埼玉県", "千葉県", "東京都", "神奈川県", "新潟県", "富山県",
    "石川県", "福井県", "山梨県", "長野県", "岐阜県", "静岡県",   "愛知県", "三重県",
    "滋賀県", "京都府", "大阪府", "兵庫県", "奈良県", "和歌山県", "鳥取県", "島根県",
    "岡山県", "広島県", "山口県", "徳島県", "香川県", "愛媛県",   "高知県", "福岡県",
    "佐賀県", "長崎県", "熊本県", "大分県", "宮崎県", "鹿児島県", "沖縄県"};

std::vector<uint8_t> ExpectedArrays(const HoleDescription& h) {
    std::vector<uint8_t> out;
    auto put = [&](uint16_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    };
    for (const auto& e : h.array1)
        std::for_each(e.begin(), e.end(), put);
    for (const auto& e : h.array2)
        std::for_each(e.begin(), e.end(), put);
    for (const auto& e : h.array3)
        std::for_each(e.begin(), e.end(), put);
    return out;
}

void ExpectLinksMatch(const DecodedCourse& image, const GolfCourseDescription& g,
                      const PackageDescription& d) {
    const size_t n = g.links ? g.links->size() : 0;
    ASSERT_EQ(image.links.size(), n);
    std::vector<std::string> listA, listB;
    auto note = [](std::vector<std::string>& list, const std::string& text) {
        if (std::find(list.begin(), list.end(), text) == list.end())
            list.push_back(text);
    };
    for (size_t r = 0; r < n; ++r) {
        const LinkDescription& l = (*g.links)[r];
        for (size_t k = 0; k < 2; ++k)
            note(listA, Cp(d.nameTableA.at(l.nameA[k])));
    }
    for (size_t r = 0; r < n; ++r) {
        const LinkDescription& l = (*g.links)[r];
        for (size_t k = 0; k < 2; ++k)
            note(listB, Cp(d.nameTableB.at(l.nameB[k])));
    }
    // Distinct texts here are distinct entries: the sample tables hold no duplicates.
    EXPECT_EQ(image.namesA, listA);
    EXPECT_EQ(image.namesB, listB);
    for (size_t r = 0; r < n; ++r) {
        const LinkDescription& l = (*g.links)[r];
        const DecodedLink& got = image.links[r];
        EXPECT_EQ(got.part1, static_cast<uint8_t>(l.part1 - 1));
        EXPECT_EQ(got.part2, static_cast<uint8_t>(l.part2 - 1));
        for (size_t k = 0; k < 2; ++k) {
            EXPECT_EQ(got.textA[k], Cp(d.nameTableA[l.nameA[k]])) << "record " << r;
            EXPECT_EQ(got.textB[k], Cp(d.nameTableB[l.nameB[k]])) << "record " << r;
        }
        EXPECT_EQ(got.value, l.value);
        EXPECT_EQ(got.tail, l.tail);
    }
}

void ExpectPicturesMatch(const DecodedCourse& image, const GolfCourseDescription& g,
                         bool withPictures) {
    const size_t covered = g.pictureItems.value_or(static_cast<uint16_t>(g.items.size()));
    size_t p = 0;
    size_t pictures = 0;
    for (size_t i = 0; i < g.items.size(); ++i) {
        for (size_t h = 0; h < g.items[i].holes.size(); ++h) {
            const uint16_t offset = image.items[i].holes[h].pictureOffset;
            if (!withPictures) {
                EXPECT_EQ(offset, 0xFFFF) << "item " << i << " hole " << h;
                continue;
            }
            EXPECT_EQ(size_t{offset} * 2, p) << "item " << i << " hole " << h;
            const auto& want = g.items[i].holes[h].picture;
            if (i >= covered || !want || want->kind != 2)
                continue;
            const DecodedPicture* got = image.PictureAt(offset);
            ASSERT_NE(got, nullptr) << "item " << i << " hole " << h;
            EXPECT_EQ(got->width, want->width);
            EXPECT_EQ(got->height, want->rows.size());
            EXPECT_EQ(got->rows, ExpectedRows(*want)) << "item " << i << " hole " << h;
            const size_t bytes = 2 + got->rows.size() * ((want->width + 7) / 8);
            p += bytes + bytes % 2;
            ++pictures;
        }
    }
    EXPECT_EQ(image.pictures.size(), pictures);
    EXPECT_EQ(image.pictureSectionSize, p);
}

}  // namespace

std::vector<std::vector<uint8_t>> ExpectedRows(const PictureDescription& p) {
    std::vector<std::vector<uint8_t>> rows;
    for (size_t r = p.rows.size(); r-- > 0;) {
        std::vector<uint8_t> row((p.width + 7) / 8, 0);
        for (size_t x = 0; x < p.width; ++x) {
            if (p.rows[r][x] == '#')
                row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        }
        rows.push_back(row);
    }
    return rows;
}

void ExpectDirectoryMatches(const DecodedDirectory& dir, const PackageDescription& d) {
    size_t m = 47;
    for (const AreaDescription& a : d.areas)
        m = std::max<size_t>(m, a.code);
    ASSERT_EQ(dir.m, m);
    ASSERT_EQ(dir.n, d.golfCourses.size());
    EXPECT_EQ(dir.word1, d.word1);
    EXPECT_EQ(dir.word2, d.word2);
    EXPECT_EQ(dir.format, 2u);
    EXPECT_EQ(dir.value3, d.value3);
    for (size_t code = 1; code <= m; ++code) {
        std::string name = code <= 47 ? Cp(kPrefectures[code - 1]) : "";
        uint16_t value = 0;
        for (const AreaDescription& a : d.areas) {
            if (a.code == code) {
                name = Cp(a.name);
                value = a.value;
            }
        }
        const DirectoryArea& got = dir.areas[code - 1];
        EXPECT_EQ(got.name, name) << "area " << code;
        EXPECT_EQ(got.value, value) << "area " << code;
        std::vector<uint16_t> ids;
        std::vector<std::vector<uint16_t>> groups(44);
        std::array<int32_t, 4> bounds{};
        for (const GolfCourseDescription& g : d.golfCourses) {
            if (g.area != code || name.empty())
                continue;
            const uint16_t id = g.directoryId.value_or(g.id);
            if (ids.empty())
                bounds = g.bounds;
            bounds = {std::max(bounds[0], g.bounds[0]), std::max(bounds[1], g.bounds[1]),
                      std::min(bounds[2], g.bounds[2]), std::min(bounds[3], g.bounds[3])};
            ids.push_back(id);
            if (g.initial >= 0xB1 && g.initial <= 0xDC)
                groups[g.initial - 0xB1].push_back(id);
        }
        EXPECT_EQ(dir.AreaIds(code), ids) << "area " << code;
        EXPECT_EQ(got.bounds, bounds) << "area " << code;
        for (size_t gr = 0; gr < 44; ++gr) {
            EXPECT_EQ(dir.GroupIds(code, gr), groups[gr]) << "area " << code << " group " << gr;
        }
    }
}

void ExpectCourseMatches(const DecodedCourse& image, const GolfCourseDescription& g,
                         const PackageDescription& d, bool withPictures) {
    EXPECT_EQ(image.crc, image.computedCrc);
    EXPECT_EQ(image.id, g.id);
    EXPECT_EQ(image.courseWord, g.courseWord);
    EXPECT_EQ(image.value1, g.value1);
    EXPECT_EQ(image.value2, g.value2);
    EXPECT_EQ(image.courseByte, g.courseByte);
    EXPECT_EQ(image.name, Cp(g.name));
    EXPECT_EQ(image.poolSize % 2, 0u);
    ASSERT_EQ(image.items.size(), g.items.size());
    for (size_t i = 0; i < g.items.size(); ++i) {
        const ItemDescription& want = g.items[i];
        const DecodedItem& got = image.items[i];
        EXPECT_EQ(got.byte0, want.byte0);
        EXPECT_EQ(got.byte1, want.byte1);
        EXPECT_EQ(got.extra, want.extra);
        EXPECT_EQ(got.name, Cp(want.name));
        ASSERT_EQ(got.holes.size(), want.holes.size());
        for (size_t h = 0; h < want.holes.size(); ++h) {
            const HoleDescription& wh = want.holes[h];
            const DecodedHole& gh = got.holes[h];
            const std::array<uint8_t, 8> head{wh.kind,
                                              wh.bytes[0],
                                              wh.bytes[1],
                                              wh.bytes[2],
                                              wh.bytes[3],
                                              static_cast<uint8_t>(wh.array1.size()),
                                              static_cast<uint8_t>(wh.array2.size()),
                                              static_cast<uint8_t>(wh.array3.size())};
            EXPECT_EQ(gh.head, head) << "item " << i << " hole " << h;
            EXPECT_EQ(gh.values, wh.values) << "item " << i << " hole " << h;
            EXPECT_EQ(gh.arrays, ExpectedArrays(wh)) << "item " << i << " hole " << h;
        }
    }
    ExpectLinksMatch(image, g, d);
    ExpectPicturesMatch(image, g, withPictures);
}

}  // namespace veldrant::course::test
