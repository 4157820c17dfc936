// Course packages for the upload tests, written with the package writer, and the images the
// builders make of them: what the watch must end up holding.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "course/CourseImages.h"
#include "course/CoursePackage.h"
#include "course/PackageDescription.h"
#include "course/PackageWriter.h"

namespace veldrant::course::test {

// Golf course k: id 1000 + k (unless ids are given), one or two items of two holes, a picture
// for the first hole of each item, and one link record.
inline GolfCourseDescription GolfCourse(size_t k, uint16_t id) {
    GolfCourseDescription g;
    g.id = id;
    g.area = static_cast<uint8_t>(1 + k % 47);
    g.initial = static_cast<uint8_t>(0xB1 + k % 44);
    g.bounds = {int32_t(1000 + k), int32_t(2000 + k), int32_t(-3000 - int(k)), int32_t(-4000)};
    g.name = "ゴルフ場" + std::to_string(k);
    g.courseWord = static_cast<uint16_t>(0x0100 + k);
    g.value1 = 0x11111111u * uint32_t(k % 15);
    g.value2 = uint32_t(k) * 77;
    g.courseByte = static_cast<uint8_t>(k);
    for (int i = 0; i < 1 + int(k % 2); ++i) {
        ItemDescription item;
        item.byte0 = uint8_t(i);
        item.byte1 = uint8_t(k);
        item.extra = {uint8_t(k), 0x5A};
        item.name = i == 0 ? "OUT" : "IN";
        for (int h = 0; h < 2; ++h) {
            HoleDescription hole;
            hole.kind = uint8_t(1 + h);
            hole.bytes = {uint8_t(h), 4, 3, 2};
            hole.values = {1, 2, 3, 4, 5, 6, 7, uint16_t(k)};
            hole.array1.push_back(std::vector<uint16_t>(hole.kind == 1 ? 4 : 5, uint16_t(h + 9)));
            hole.array2.push_back({7, 8, 9});
            if (h == 0) {
                hole.picture = PictureDescription{
                    2,
                    21,
                    {"#....#....#....#....#", ".#.#.#.#.#.#.#.#.#.#.", "#####################"}};
            }
            item.holes.push_back(hole);
        }
        g.items.push_back(item);
    }
    g.links = std::vector<LinkDescription>{{1, 2, {0, 1}, {1, 2}, 77, {9, 8}}};
    if (k % 3 == 2)
        g.pictureMember = PictureMember::Never;  // its holes carry 0xFFFF
    return g;
}

inline PackageDescription Package(size_t n, const std::vector<uint16_t>& ids = {}) {
    PackageDescription d;
    d.word1 = 0x1234;
    d.word2 = 0x5678;
    d.value3 = 0xCAFEF00D;
    d.nameTableA = {"東コース", "西コース", "南コース"};
    d.nameTableB = {"B0", "B1"};
    for (size_t k = 0; k < n; ++k) {
        d.golfCourses.push_back(GolfCourse(k, k < ids.size() ? ids[k] : uint16_t(1000 + k)));
    }
    return d;
}

inline std::string Write(const PackageDescription& d, const std::string& path) {
    std::string error;
    EXPECT_TRUE(WritePackage(d, path, error)) << error;
    return path;
}

// What the builders make of the package at `path`.
struct ExpectedImages {
    std::vector<uint8_t> directory;
    std::map<uint16_t, std::vector<uint8_t>> courses;  // by the id at image offset 8
    std::vector<uint16_t> order;                       // ids in index order
};

inline ExpectedImages BuildExpected(const std::string& path) {
    ExpectedImages e;
    CoursePackage package;
    EXPECT_TRUE(package.Open(path) && package.ReadIndex() && package.ReadAppend())
        << package.LastError();
    ImageBuffers buffers;
    ImageResult dir = BuildDirectoryImage(package, buffers.image);
    EXPECT_TRUE(dir) << dir.error;
    e.directory.assign(buffers.image.begin(), buffers.image.begin() + long(dir.length));
    for (size_t k = 0; k < package.Index().courses.size(); ++k) {
        package.ReadPictures(package.Index().blocks[k].id);
        ImageResult built = BuildCourseImage(package, k, buffers.image, buffers.pool);
        EXPECT_TRUE(built) << built.error;
        std::vector<uint8_t> image(buffers.image.begin(),
                                   buffers.image.begin() + long(built.length));
        uint16_t id = CourseImageId(image);
        e.order.push_back(id);
        e.courses[id] = std::move(image);
    }
    return e;
}

}  // namespace veldrant::course::test
