// Picture files in clear: the picture table, then one record a table entry, back to back. A
// hole with a picture gets a record of its kind holding a 1-bit BMP (rows bottom-up, as BMP
// files keep them); every other entry gets a 16-byte record of kind 0, so that no entry is
// empty.
#include <algorithm>

#include "course/Bytes.h"
#include "course/MemberBuild.h"
#include "course/PackageLayout.h"

namespace veldrant::course {

namespace L = layout;

namespace {

constexpr uint32_t kBmpHeaders = 14 + 40 + 8;  // file header, info header, two-colour palette

std::vector<uint8_t> EmptyRecord() {
    std::vector<uint8_t> out;
    AppendLe32(out, 0);
    AppendLe32(out, 16);
    out.resize(16, 0);
    return out;
}

void AppendBmp(std::vector<uint8_t>& out, const PictureDescription& p) {
    const uint32_t height = static_cast<uint32_t>(p.rows.size());
    const uint32_t pitch = ((p.width + 31) / 32) * 4;
    const uint32_t pixels = pitch * height;
    out.insert(out.end(), {'B', 'M'});
    AppendLe32(out, kBmpHeaders + pixels);
    AppendLe32(out, 0);
    AppendLe32(out, kBmpHeaders);
    AppendLe32(out, 40);
    AppendLe32(out, p.width);
    AppendLe32(out, height);
    AppendLe16(out, 1);  // planes
    AppendLe16(out, 1);  // bits a pixel
    AppendLe32(out, 0);  // no compression
    AppendLe32(out, pixels);
    AppendLe32(out, 2835);  // 72 dpi
    AppendLe32(out, 2835);
    AppendLe32(out, 2);
    AppendLe32(out, 0);
    AppendLe32(out, 0x00FFFFFF);  // colour 0: paper
    AppendLe32(out, 0x00000000);  // colour 1: ink
    for (uint32_t r = height; r-- > 0;) {
        std::vector<uint8_t> row(pitch, 0);
        const std::string& text = p.rows[r];
        for (size_t x = 0; x < text.size() && x / 8 < pitch; ++x) {
            if (text[x] == '#') {
                row[x / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
}

std::vector<uint8_t> PictureRecord(const PictureDescription& p) {
    std::vector<uint8_t> out;
    AppendLe32(out, p.kind);
    AppendLe32(out, 0);
    out.resize(16, 0);
    AppendBmp(out, p);
    PutLe32(out, L::kRecordTotalLength, static_cast<uint32_t>(out.size()));
    return out;
}

const PictureDescription* HolePicture(const GolfCourseDescription& g, size_t item, size_t hole) {
    if (item >= g.items.size() || hole >= g.items[item].holes.size()) {
        return nullptr;
    }
    const auto& picture = g.items[item].holes[hole].picture;
    return picture ? &*picture : nullptr;
}

}  // namespace

bool WantsPictureMember(const GolfCourseDescription& g) {
    switch (g.pictureMember) {
        case PictureMember::Always:
            return true;
        case PictureMember::Never:
            return false;
        case PictureMember::Auto:
            break;
    }
    for (const ItemDescription& item : g.items) {
        for (const HoleDescription& h : item.holes) {
            if (h.picture) {
                return true;
            }
        }
    }
    return false;
}

std::vector<uint8_t> BuildPictureMember(const GolfCourseDescription& g) {
    const uint16_t items = g.pictureItems.value_or(static_cast<uint16_t>(g.items.size()));
    std::vector<uint8_t> out(L::kPictureItemCount, 0);
    PutLe32(out, L::kPictureFormat, L::kPictureFormatValue);
    AppendLe16(out, items);
    std::vector<uint8_t> records;
    for (size_t i = 0; i < items; ++i) {
        for (size_t h = 0; h < L::kPictureEntriesPerItem; ++h) {
            const PictureDescription* p = HolePicture(g, i, h);
            const std::vector<uint8_t> record = p ? PictureRecord(*p) : EmptyRecord();
            AppendLe16(out, 0);
            AppendLe32(out, static_cast<uint32_t>(records.size()));
            AppendLe32(out, static_cast<uint32_t>(record.size()));
            records.insert(records.end(), record.begin(), record.end());
        }
    }
    out.insert(out.end(), records.begin(), records.end());
    PutSalt(out, 0x50);
    return out;
}

}  // namespace veldrant::course
