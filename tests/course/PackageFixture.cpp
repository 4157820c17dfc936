#include "tests/course/PackageFixture.h"

#include <stdexcept>

#include "platform/CodePage.h"

namespace veldrant::course::test {

HoleDescription MakeHole(uint8_t kind, size_t a, size_t b, size_t c, uint16_t seed) {
    HoleDescription h;
    h.kind = kind;
    h.bytes = {static_cast<uint8_t>(seed), static_cast<uint8_t>(seed >> 8), 0xA5, 0x5A};
    for (size_t v = 0; v < 8; ++v) {
        h.values[v] = static_cast<uint16_t>(seed * 8 + v);
    }
    const size_t per = kind == 1 ? 4 : 5;
    for (size_t e = 0; e < a; ++e) {
        std::vector<uint16_t> entry;
        for (size_t v = 0; v < per; ++v)
            entry.push_back(static_cast<uint16_t>(seed + 100 * e + v));
        h.array1.push_back(entry);
    }
    for (size_t e = 0; e < b; ++e) {
        h.array2.push_back({static_cast<uint16_t>(seed + e), 0xBEEF, static_cast<uint16_t>(e)});
    }
    for (size_t e = 0; e < c; ++e) {
        h.array3.push_back({0xC0DE, static_cast<uint16_t>(seed ^ e), 7});
    }
    return h;
}

PictureDescription MakePicture(uint32_t width, uint32_t height, uint32_t seed) {
    PictureDescription p;
    p.width = width;
    for (uint32_t y = 0; y < height; ++y) {
        std::string row;
        for (uint32_t x = 0; x < width; ++x) {
            row += ((x * 7 + y * 3 + seed) % 5 < 2) ? '#' : '.';
        }
        p.rows.push_back(row);
    }
    return p;
}

ItemDescription MakeItem(const std::string& name, size_t holes, bool pictures, uint16_t seed) {
    ItemDescription item;
    item.byte0 = static_cast<uint8_t>(seed);
    item.byte1 = 0x42;
    item.extra = {1, 2};
    item.name = name;
    for (size_t h = 0; h < holes; ++h) {
        HoleDescription hole = MakeHole(h % 2 ? 1 : 2, 1 + h % 3, h % 2, 1, seed + h);
        if (pictures)
            hole.picture = MakePicture(16 + static_cast<uint32_t>(h), 5 + h % 4, seed + h);
        item.holes.push_back(hole);
    }
    return item;
}

PackageDescription SampleDescription() {
    PackageDescription d;
    d.word1 = 0x1234;
    d.word2 = 0x5678;
    d.value3 = 0xCAFEF00D;
    d.areas = {{13, "東京", 501}, {27, "大阪", 502}};
    d.nameTableA = {"池", "バンカー", "OB", "林", "谷", "池2", "川", "崖", "ガードバンカー", "水"};
    d.nameTableB = {"左", "右", "手前", "奥"};

    GolfCourseDescription a;
    a.id = 1201;
    a.area = 13;
    a.initial = 0xB1;  // ｱ
    a.bounds = {35700000, 139800000, 35600000, 139700000};
    a.name = "青梅ゴルフ倶楽部";
    a.courseWord = 0x0A0B;
    a.value1 = 11;
    a.value2 = 22;
    a.courseByte = 3;
    a.items = {MakeItem("東コース", 9, true, 10), MakeItem("西コース", 9, true, 40)};
    a.links = std::vector<LinkDescription>{{1, 2, {0, 1}, {7, 3}, 300, {9, 8}},
                                           {2, 1, {1, 2}, {7, 9}, 301, {7, 6}}};

    GolfCourseDescription b;
    b.id = 1305;
    b.area = 13;
    b.initial = 0xB6;  // ｶ
    b.bounds = {35750000, 139900000, 35500000, 139650000};
    b.name = "多摩カントリー";
    b.items = {MakeItem("OUT", 9, false, 70), MakeItem("IN", 9, false, 90),
               MakeItem("EAST", 3, false, 110)};

    GolfCourseDescription c;
    c.id = 2702;
    c.directoryId = 2799;
    c.area = 27;
    c.initial = 0xDC;  // ﾜ
    c.bounds = {-5, -6, -7, -8};
    c.name = "和泉GC";
    c.items = {MakeItem("中", 2, true, 130)};
    c.items[0].holes[1].picture.reset();
    c.links = std::vector<LinkDescription>{{3, 1, {3, 3}, {1, 0}, 5, {0, 0}}};
    d.golfCourses = {a, b, c};
    return d;
}

std::vector<uint8_t>& Member(std::vector<ZipMember>& members, const std::string& name) {
    for (ZipMember& m : members) {
        if (m.name == name)
            return m.bytes;
    }
    throw std::runtime_error("no member " + name);
}

std::string WriteArchive(const TempDir& dir, std::vector<ZipMember> members,
                         const std::string& name) {
    EncipherMembers(members);
    std::string error;
    const std::string path = dir.File(name);
    if (!WriteZip(path, members, error))
        throw std::runtime_error(error);
    return path;
}

bool LoadMembers(CoursePackage& package, std::vector<ZipMember> members) {
    EncipherMembers(members);
    return package.LoadIndex(Member(members, kIndexMemberName)) &&
           package.LoadAppend(Member(members, kAppendMemberName));
}

std::string Cp(const std::string& utf8) {
    return platform::Utf8ToCp932(utf8);
}

std::vector<uint8_t> Enciphered(const ZipMember& plain) {
    std::vector<ZipMember> one{plain};
    EncipherMembers(one);
    return one[0].bytes;
}

}  // namespace veldrant::course::test
