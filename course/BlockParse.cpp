// The fields of a golf course's data block: head, items and holes, each checked against the
// block's length and the limits the watch holds to.
#include <algorithm>
#include <string>

#include "course/Bytes.h"
#include "course/MemberDecode.h"
#include "course/PackageLayout.h"

namespace veldrant::course {

namespace L = layout;

namespace {

bool Fail(std::string& error, std::string message) {
    error = std::move(message);
    return false;
}

size_t Array1EntrySize(uint8_t kind) {
    return kind == L::kHoleKindShortArray1 ? L::kArray1ShortEntry : L::kArray1LongEntry;
}

bool ParseHole(std::span<const uint8_t> block, size_t& pos, Hole& hole, std::string& error) {
    if (!RangeFits(pos, L::kHoleHeadSize, block.size())) {
        return Fail(error, "the block ends inside a hole's head");
    }
    auto head = block.subspan(pos, L::kHoleHeadSize);
    std::copy_n(head.begin(), hole.head.size(), hole.head.begin());
    for (size_t v = 0; v < hole.values.size(); ++v) {
        hole.values[v] = Le16(head, L::kHoleValues + 2 * v);
    }
    const size_t arrays = hole.Array1Count() * Array1EntrySize(hole.Kind()) +
                          (size_t{hole.Array2Count()} + hole.Array3Count()) * L::kArray23Entry;
    pos += L::kHoleHeadSize;
    if (!RangeFits(pos, arrays, block.size())) {
        return Fail(error,
                    "the block ends inside a hole's arrays (" + std::to_string(arrays) + " bytes)");
    }
    hole.arrays = block.subspan(pos, arrays);
    pos += arrays;
    return true;
}

bool ParseItemHead(std::span<const uint8_t> block, size_t& pos, Item& item, size_t& holes,
                   std::string& error) {
    if (!RangeFits(pos, L::kItemExtra, block.size())) {
        return Fail(error, "the block ends inside an item's head");
    }
    item.byte0 = block[pos];
    item.byte1 = block[pos + 1];
    const size_t k = block[pos + L::kItemK];
    if (k > L::kMaxExtraBytes) {
        return Fail(error, "an item has " + std::to_string(k) + " extra bytes (at most 4)");
    }
    if (!RangeFits(pos, L::kItemHeadFixed + k, block.size())) {
        return Fail(error, "the block ends inside an item's head");
    }
    auto extra = block.subspan(pos + L::kItemExtra, k);
    item.extra.assign(extra.begin(), extra.end());
    auto field = block.subspan(pos + L::kItemExtra + k, L::kItemNameField);
    auto nul = std::find(field.begin(), field.end(), uint8_t{0});
    if (nul == field.end()) {
        return Fail(error, "an item name fills its 100-byte field without a NUL");
    }
    item.name.assign(field.begin(), nul);
    holes = block[pos + L::kItemHeadFixed - 1 + k];
    if (holes > L::kMaxHoles) {
        return Fail(error, "an item has " + std::to_string(holes) + " holes (at most 9)");
    }
    pos += L::kItemHeadFixed + k;
    return true;
}

}  // namespace

bool ParseGolfCourseBlock(std::span<const uint8_t> block, GolfCourseBlock& out,
                          std::string& error) {
    out = GolfCourseBlock{};
    if (block.size() < L::kBlockItems) {
        return Fail(error, "its data block is " + std::to_string(block.size()) +
                               " bytes, shorter than the 466-byte head");
    }
    out.id = Le16(block, L::kBlockId);
    auto nameStart = block.begin() + L::kBlockName;
    auto nul = std::find(nameStart, block.end(), uint8_t{0});
    if (nul == block.end()) {
        return Fail(error, "the golf course name runs to the end of its data block");
    }
    out.name.assign(nameStart, nul);
    out.courseWord = Le16(block, L::kBlockCourseWord);
    out.value1 = Le32(block, L::kBlockValue1);
    out.value2 = Le32(block, L::kBlockValue2);
    out.courseByte = block[L::kBlockCourseByte];
    const size_t items = block[L::kBlockItemCount];
    if (items > L::kMaxItems) {
        return Fail(error, "golf course " + std::to_string(out.id) + " has " +
                               std::to_string(items) + " items (at most 5)");
    }
    out.items.resize(items);
    size_t pos = L::kBlockItems;
    for (size_t i = 0; i < items; ++i) {
        size_t holes = 0;
        std::string why;
        if (!ParseItemHead(block, pos, out.items[i], holes, why)) {
            return Fail(error, "golf course " + std::to_string(out.id) + ", item " +
                                   std::to_string(i + 1) + ": " + why);
        }
        out.items[i].holes.resize(holes);
        for (size_t h = 0; h < holes; ++h) {
            if (!ParseHole(block, pos, out.items[i].holes[h], why)) {
                return Fail(error, "golf course " + std::to_string(out.id) + ", item " +
                                       std::to_string(i + 1) + ", hole " + std::to_string(h + 1) +
                                       ": " + why);
            }
        }
    }
    return true;
}

}  // namespace veldrant::course
