// The course image of one golf course: header, items with their holes, link data and pictures
// built from offset 48, then moved up behind the string pool.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "course/Bytes.h"
#include "course/CourseImages.h"
#include "course/CoursePackage.h"
#include "course/Crc32.h"
#include "course/ImageBuild.h"
#include "course/ImageLayout.h"

namespace veldrant::course {

namespace I = image;

namespace {

void WriteHead(const GolfCourseBlock& b, std::span<uint8_t> img) {
    PutLe16(img, I::kId, b.id);
    PutLe16(img, I::kCourseWord, b.courseWord);
    PutLe32(img, I::kValue1, b.value1);
    PutLe32(img, I::kValue2, b.value2);
    img[I::kCourseByte] = b.courseByte;
    img[I::kItemCount] = static_cast<uint8_t>(b.items.size());
    PutLe16(img, I::kItemListOffset, I::kCourseHeaderSize);
}

bool WriteHole(const Hole& hole, CourseImageWriter& w, std::vector<size_t>& holeAt) {
    uint8_t entry[I::kHoleEntry] = {};
    std::copy(hole.head.begin(), hole.head.end(), entry);
    for (size_t v = 0; v < hole.values.size(); ++v) {
        PutLe16(entry, I::kHoleValues + 2 * v, hole.values[v]);
    }
    holeAt.push_back(w.size);
    return w.Put(entry) && w.Put(hole.arrays);
}

bool WriteItems(const GolfCourseBlock& b, CourseImageWriter& w, StringPool& pool,
                std::vector<size_t>& holeAt) {
    for (const Item& item : b.items) {
        uint16_t nameAt = 0;
        if (!pool.Add(item.name, nameAt)) {
            return w.Fail(pool.Overflow());
        }
        uint8_t entry[I::kItemEntry] = {};
        entry[0] = item.byte0;
        entry[1] = item.byte1;
        entry[2] = static_cast<uint8_t>(item.holes.size());
        entry[3] = static_cast<uint8_t>(item.extra.size());
        PutLe16(entry, 4, nameAt);
        std::copy_n(item.extra.begin(), std::min<size_t>(item.extra.size(), 4),
                    entry + I::kItemEntryExtra);
        if (!w.Put(entry)) {
            return false;
        }
        for (const Hole& hole : item.holes) {
            if (!WriteHole(hole, w, holeAt)) {
                return false;
            }
        }
    }
    return true;
}

// Picture section: each hole's offset in 16-bit units, its picture when its record has one,
// and a pad byte after every picture of odd length.
bool WritePictures(const GolfCourseBlock& b, const PictureFile* pictures, CourseImageWriter& w,
                   const std::vector<size_t>& holeAt) {
    w.pictureStart = w.size;
    PutLe16(w.img, I::kPictureOffset, static_cast<uint16_t>(w.size));
    size_t hole = 0;
    size_t p = 0;
    for (size_t i = 0; i < b.items.size(); ++i) {
        for (size_t h = 0; h < b.items[i].holes.size(); ++h, ++hole) {
            auto entry = w.img.subspan(holeAt[hole] + I::kHolePicture, 2);
            if (!pictures) {
                PutLe16(entry, 0, I::kNoPicture);
                continue;
            }
            PutLe16(entry, 0, static_cast<uint16_t>(p / 2));
            const PictureSlot* slot = pictures->Slot(i, h);
            if (!slot || !slot->hasPicture) {
                continue;
            }
            const Picture& pic = slot->picture;
            const size_t start = w.size;
            const uint8_t size[2] = {pic.width, pic.height};
            if (!w.Put(size)) {
                return false;
            }
            for (uint32_t r = 0; r < pic.height; ++r) {
                if (!w.Put(pic.Row(r))) {
                    return false;
                }
            }
            if (w.size % 2 != 0 && !w.Put(std::span<const uint8_t>(kZeroByte))) {
                return false;
            }
            p += w.size - start;
        }
    }
    return true;
}

// Step 7 and 8: the pool goes in at 48, everything built so far moves up behind it.
bool Finish(CourseImageWriter& w, StringPool& pool) {
    pool.PadEven();
    const size_t y = pool.size;
    const size_t total = w.size + y;
    if (total > kImageSize) {
        return w.Fail("the course image would be " + std::to_string(total) +
                      " bytes; the watch takes at most 131,072");
    }
    // The last of the five table offsets; the others lie before it.
    const size_t pictureAt = w.pictureStart + y;
    if (pictureAt > 0xFFFF) {
        return w.Fail("its texts and tables would put the picture section at byte " +
                      std::to_string(pictureAt) + ", past what the image's 16-bit offsets reach");
    }
    uint8_t* base = w.img.data() + I::kCourseHeaderSize;
    std::memmove(base + y, base, w.size - I::kCourseHeaderSize);
    std::memcpy(base, pool.bytes.data(), y);
    for (size_t at : {I::kItemListOffset, I::kNameAOffset, I::kNameBOffset, I::kLinkOffset,
                      I::kPictureOffset}) {
        PutLe16(w.img, at, static_cast<uint16_t>(Le16(w.img, at) + y));
    }
    PutLe16(w.img, I::kPoolOffset, I::kCourseHeaderSize);
    PutLe32(w.img, I::kLength, static_cast<uint32_t>(total));
    PutLe32(w.img, I::kCrc, Crc32Mpeg2(w.img.subspan(I::kLength, total - I::kLength)));
    w.size = total;
    return true;
}

}  // namespace

ImageResult BuildCourseImage(const IndexData& index, const AppendData& append, size_t courseNumber,
                             const PictureFile* pictures, std::span<uint8_t> img,
                             std::span<uint8_t> poolBuffer) {
    if (img.size() < kImageSize || poolBuffer.size() < kStringPoolSize) {
        return {0, "the image or string pool buffer is too small"};
    }
    if (courseNumber >= index.blocks.size()) {
        return {0, "there is no golf course number " + std::to_string(courseNumber)};
    }
    const GolfCourseBlock& b = index.blocks[courseNumber];
    std::memset(img.data(), 0, kImageSize);
    CourseImageWriter w{img.first(kImageSize), I::kCourseHeaderSize, 0, {}};
    StringPool pool{poolBuffer.first(kStringPoolSize), 0};
    WriteHead(b, img);
    std::vector<size_t> holeAt;
    uint16_t nameAt = 0;
    if (!pool.Add(b.name, nameAt)) {
        w.Fail(pool.Overflow());
    } else if (WriteItems(b, w, pool, holeAt)) {
        PutLe16(img, I::kNameAOffset, static_cast<uint16_t>(w.size));
        PutLe16(img, I::kNameBOffset, static_cast<uint16_t>(w.size));
        PutLe16(img, I::kLinkOffset, static_cast<uint16_t>(w.size));
        if (WriteLinks(b.id, append, w, pool) && WritePictures(b, pictures, w, holeAt)) {
            Finish(w, pool);
        }
    }
    if (!w.error.empty()) {
        std::memset(img.data(), 0, kImageSize);
        return {0, "golf course " + std::to_string(b.id) + ": " + w.error};
    }
    return {w.size, {}};
}

ImageResult BuildCourseImage(const CoursePackage& package, size_t courseNumber,
                             std::span<uint8_t> img, std::span<uint8_t> pool) {
    if (!package.HasIndex()) {
        return {0, "the index has not been read"};
    }
    static const AppendData kNoAppend;
    // The picture file read last belongs to this golf course only if its id says so.
    const PictureFile* pictures = package.Pictures();
    if (pictures && courseNumber < package.Index().blocks.size() &&
        pictures->golfCourseId != package.Index().blocks[courseNumber].id) {
        pictures = nullptr;
    }
    return BuildCourseImage(package.Index(), package.HasAppend() ? package.Append() : kNoAppend,
                            courseNumber, pictures, img, pool);
}

uint32_t CourseImageCrc(std::span<const uint8_t> img) {
    return Le32(img, I::kCrc);
}
uint16_t CourseImageId(std::span<const uint8_t> img) {
    return Le16(img, I::kId);
}
uint16_t CourseImageWord(std::span<const uint8_t> img) {
    return Le16(img, I::kCourseWord);
}

}  // namespace veldrant::course
