// A synthetic course package of the size real ones reach: golf courses of two items of nine holes
// with their arrays, a 1-bit picture a hole and a few link records, spread over the 47 areas and
// the 44 initial groups.
#pragma once

#include <string>

#include "course/PackageDescription.h"

namespace veldrant::bench {

inline course::PictureDescription SyntheticPicture(uint32_t seed) {
    course::PictureDescription p;
    p.width = 40;
    for (int r = 0; r < 48; ++r) {
        std::string row(p.width, '.');
        for (uint32_t c = 0; c < p.width; ++c) {
            if (((c * 7 + uint32_t(r) * 13 + seed) % 5) == 0)
                row[c] = '#';
        }
        p.rows.push_back(row);
    }
    return p;
}

inline course::HoleDescription SyntheticHole(size_t k, int h) {
    course::HoleDescription hole;
    hole.kind = uint8_t(1 + h % 2);
    hole.bytes = {uint8_t(h), 4, uint8_t(k), 2};
    for (int v = 0; v < 8; ++v)
        hole.values[size_t(v)] = uint16_t(k * 8 + size_t(v));
    for (int a = 0; a < 6; ++a) {
        hole.array1.push_back(std::vector<uint16_t>(hole.kind == 1 ? 4 : 5, uint16_t(a + h)));
    }
    for (int b = 0; b < 4; ++b)
        hole.array2.push_back({uint16_t(b), uint16_t(h), uint16_t(k)});
    for (int c = 0; c < 3; ++c)
        hole.array3.push_back({uint16_t(c), 1, 2});
    hole.picture = SyntheticPicture(uint32_t(k * 18 + size_t(h)));
    return hole;
}

inline course::PackageDescription SyntheticPackage(size_t golfCourses) {
    course::PackageDescription d;
    d.word1 = 3;
    d.word2 = 7;
    d.value3 = 20260101;
    for (int i = 0; i < 40; ++i)
        d.nameTableA.push_back("グリーン" + std::to_string(i));
    for (int i = 0; i < 16; ++i)
        d.nameTableB.push_back("ティー" + std::to_string(i));
    for (size_t k = 0; k < golfCourses; ++k) {
        course::GolfCourseDescription g;
        g.id = uint16_t(1 + k);
        g.area = uint8_t(1 + k % 47);
        g.initial = uint8_t(0xB1 + k % 44);
        g.bounds = {int32_t(k), int32_t(k + 10), -int32_t(k), -int32_t(k + 10)};
        g.name = "シンセティックゴルフ倶楽部" + std::to_string(k);
        g.courseWord = uint16_t(k);
        g.value1 = uint32_t(k * 3);
        g.value2 = uint32_t(k * 5);
        g.courseByte = uint8_t(k);
        for (int i = 0; i < 2; ++i) {
            course::ItemDescription item;
            item.name = i == 0 ? "OUTコース" : "INコース";
            item.extra = {1, 2};
            for (int h = 0; h < 9; ++h)
                item.holes.push_back(SyntheticHole(k, h));
            g.items.push_back(item);
        }
        std::vector<course::LinkDescription> links;
        for (int l = 0; l < 4; ++l) {
            links.push_back({1,
                             2,
                             {uint8_t((k + l) % 16), uint8_t(l)},
                             {uint8_t((k + l) % 40), uint8_t((k * 3 + l) % 40)},
                             uint16_t(l),
                             {0, 0}});
        }
        g.links = links;
        d.golfCourses.push_back(std::move(g));
    }
    return d;
}

}  // namespace veldrant::bench
