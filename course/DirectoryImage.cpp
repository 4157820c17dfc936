// The directory image: every golf course listed by area and, within each area, by initial.
#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "course/Bytes.h"
#include "course/CourseImages.h"
#include "course/CoursePackage.h"
#include "course/ImageLayout.h"
#include "course/Prefectures.h"

namespace veldrant::course {

namespace I = image;

namespace {

struct AreaSlot {
    std::string name;
    uint16_t value = 0;
    std::vector<size_t> courses;  // course table numbers, index order
};

struct Layout {
    size_t n = 0;
    size_t m = 0;
    size_t courseList = I::kDirHeaderSize;
    size_t initialList = 0;
    size_t bounds = 0;
    size_t areaTable = 0;
    size_t total = 0;
};

Layout Plan(const IndexData& index) {
    Layout l;
    l.n = index.courses.size();
    l.m = I::kDefaultAreas;
    for (const AreaRecord& a : index.areas) {
        l.m = std::max<size_t>(l.m, a.code);
    }
    l.initialList = l.courseList + I::kDirCourseEntry * l.n;
    l.bounds = l.initialList + I::kDirInitialEntry * l.n;
    l.areaTable = l.bounds + I::kDirBoundsEntry * l.m;
    l.total = l.areaTable + I::kDirAreaEntry * l.m;
    return l;
}

// Areas 1 to M (slot 0 unused): default names, overridden by the area records in index order,
// and each area's golf courses in index order.
std::vector<AreaSlot> CollectAreas(const IndexData& index, size_t m) {
    std::vector<AreaSlot> areas(m + 1);
    for (size_t code = 1; code <= kPrefectureCount; ++code) {
        areas[code].name = PrefectureName(code);
    }
    for (const AreaRecord& a : index.areas) {
        if (a.code == 0) {
            continue;  // there is no area 0 to rename
        }
        areas[a.code].name = a.name.substr(0, I::kMaxAreaNameBytes);
        areas[a.code].value = a.value;
    }
    for (size_t i = 0; i < index.courses.size(); ++i) {
        const uint8_t code = index.courses[i].areaCode;
        if (code >= 1 && code <= m) {
            areas[code].courses.push_back(i);
        }
    }
    return areas;
}

void WriteHeader(const IndexData& index, const Layout& l, std::span<uint8_t> img) {
    const IndexHeader& h = index.header;
    std::copy(h.salt.begin(), h.salt.end(), img.begin() + I::kDirSalt);
    PutLe16(img, I::kDirWord1, h.word1);
    PutLe16(img, I::kDirWord2, h.word2);
    PutLe32(img, I::kDirFormat, h.format);
    PutLe32(img, I::kDirValue3, h.value3);
    PutLe32(img, I::kDirCourseCount, static_cast<uint32_t>(l.n));
    PutLe32(img, I::kDirAreaCount, static_cast<uint32_t>(l.m));
    PutLe32(img, I::kDirCourseListOffset, static_cast<uint32_t>(l.courseList));
    PutLe32(img, I::kDirInitialListOffset, static_cast<uint32_t>(l.initialList));
    PutLe32(img, I::kDirBoundsOffset, static_cast<uint32_t>(l.bounds));
    PutLe32(img, I::kDirAreaTableOffset, static_cast<uint32_t>(l.areaTable));
    img[I::kDirSignature] = 0x55;
    img[I::kDirSignature + 1] = 0xAA;
}

// Golf course list and the area bounds table.
void WriteCourseList(const IndexData& index, const std::vector<AreaSlot>& areas, const Layout& l,
                     std::span<uint8_t> img) {
    size_t c = 0;
    for (size_t code = 1; code <= l.m; ++code) {
        const AreaSlot& area = areas[code];
        if (area.name.empty()) {
            continue;
        }
        auto entry = img.subspan(l.bounds + (code - 1) * I::kDirBoundsEntry, I::kDirBoundsEntry);
        std::array<int32_t, 4> bounds{};
        for (size_t k = 0; k < area.courses.size(); ++k) {
            const CourseRecord& r = index.courses[area.courses[k]];
            auto item = img.subspan(l.courseList + c * I::kDirCourseEntry, I::kDirCourseEntry);
            PutLe16(item, 0, r.id);
            for (size_t b = 0; b < 4; ++b) {
                PutLe32(item, 4 + 4 * b, static_cast<uint32_t>(r.bounds[b]));
            }
            if (k == 0) {
                bounds = r.bounds;
            } else {
                bounds[0] = std::max(bounds[0], r.bounds[0]);
                bounds[1] = std::max(bounds[1], r.bounds[1]);
                bounds[2] = std::min(bounds[2], r.bounds[2]);
                bounds[3] = std::min(bounds[3], r.bounds[3]);
            }
            ++c;
        }
        for (size_t b = 0; b < 4; ++b) {
            PutLe32(entry, 4 * b, static_cast<uint32_t>(bounds[b]));
        }
        PutLe16(entry, I::kDirBoundsFirst, static_cast<uint16_t>(c - area.courses.size()));
        PutLe16(entry, I::kDirBoundsCount, static_cast<uint16_t>(area.courses.size()));
    }
}

// Area table: names, values and each area's 44 initial groups over the initial list.
void WriteAreasAndInitials(const IndexData& index, const std::vector<AreaSlot>& areas,
                           const Layout& l, std::span<uint8_t> img) {
    size_t d = 0;
    for (size_t code = 1; code <= l.m; ++code) {
        const AreaSlot& area = areas[code];
        auto entry = img.subspan(l.areaTable + (code - 1) * I::kDirAreaEntry, I::kDirAreaEntry);
        std::copy(area.name.begin(), area.name.end(), entry.begin() + I::kDirAreaName);
        PutLe16(entry, I::kDirAreaValue, area.value);
        if (area.name.empty()) {
            continue;
        }
        for (size_t g = 0; g < I::kInitialGroups; ++g) {
            const size_t first = d;
            for (size_t i : area.courses) {
                if (index.courses[i].initialCode == I::kFirstInitialCode + g) {
                    PutLe16(img, l.initialList + d * I::kDirInitialEntry, index.courses[i].id);
                    ++d;
                }
            }
            auto group = entry.subspan(I::kDirAreaGroups + g * I::kDirGroupEntry);
            PutLe16(group, 0, static_cast<uint16_t>(first));
            PutLe16(group, 2, static_cast<uint16_t>(d - first));
        }
    }
}

}  // namespace

ImageResult BuildDirectoryImage(const IndexData& index, std::span<uint8_t> img) {
    if (img.size() < kImageSize) {
        return {0, "the image buffer is smaller than 131,072 bytes"};
    }
    const Layout l = Plan(index);
    if (l.total > kImageSize) {
        return {0, "the directory image of " + std::to_string(l.n) + " golf courses in " +
                       std::to_string(l.m) + " areas would be " + std::to_string(l.total) +
                       " bytes; the watch takes at most 131,072"};
    }
    std::memset(img.data(), 0, kImageSize);
    const std::vector<AreaSlot> areas = CollectAreas(index, l.m);
    WriteHeader(index, l, img);
    WriteCourseList(index, areas, l, img);
    WriteAreasAndInitials(index, areas, l, img);
    return {l.total, {}};
}

ImageResult BuildDirectoryImage(const CoursePackage& package, std::span<uint8_t> img) {
    if (!package.HasIndex()) {
        return {0, "the index has not been read"};
    }
    return BuildDirectoryImage(package.Index(), img);
}

}  // namespace veldrant::course
