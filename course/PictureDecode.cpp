#include <string>

#include "course/Bytes.h"
#include "course/CipherKeys.h"
#include "course/MemberDecode.h"
#include "course/PackageLayout.h"
#include "course/Rc4.h"

namespace veldrant::course {

namespace L = layout;

namespace {

constexpr int32_t kMaxPictureSide = 255;  // the course image keeps one byte a side

bool Damaged(DecodeError& error, std::string message) {
    error.kind = ReadFailure::Damaged;
    error.message = std::move(message);
    return false;
}

std::string SlotName(size_t slot) {
    return "the picture record of item " + std::to_string(slot / L::kPictureEntriesPerItem + 1) +
           ", hole " + std::to_string(slot % L::kPictureEntriesPerItem + 1);
}

// Reads a deciphered record of kind 2: its BMP's pixel offset, width and height, and where its
// rows lie. Every row must lie inside the record.
bool ReadBitmap(std::span<const uint8_t> record, size_t slot, Picture& out, DecodeError& error) {
    if (record.size() < L::kRecordHeaderNeeded) {
        return Damaged(error, SlotName(slot) + " is too short for a bitmap header");
    }
    const uint32_t total = Le32(record, L::kRecordTotalLength);
    const uint32_t offBits = Le32(record, L::kRecordBfOffBits);
    const int32_t width = LeS32(record, L::kRecordBiWidth);
    const int32_t height = LeS32(record, L::kRecordBiHeight);
    if (width < 0 || height < 0 || width > kMaxPictureSide || height > kMaxPictureSide) {
        return Damaged(error, SlotName(slot) + " is " + std::to_string(width) + " by " +
                                  std::to_string(height) + " pixels (0 to 255 fit)");
    }
    out.width = static_cast<uint8_t>(width);
    out.height = static_cast<uint8_t>(height);
    out.rowBytes = (static_cast<uint32_t>(width) + 7) / 8;
    if (height == 0) {
        return true;
    }
    const uint64_t rowsStart = uint64_t{L::kRecordBmp} + offBits;
    if (total < rowsStart) {
        return Damaged(error, SlotName(slot) + " ends before its pixel rows begin");
    }
    out.rowPitch = static_cast<uint32_t>((total - rowsStart) / static_cast<uint32_t>(height));
    const uint64_t span = uint64_t{out.rowPitch} * static_cast<uint32_t>(height - 1) + out.rowBytes;
    if (!RangeFits(rowsStart, span, record.size())) {
        return Damaged(error, SlotName(slot) + ": its pixel rows run past the record");
    }
    out.pixels = record.subspan(static_cast<size_t>(rowsStart), static_cast<size_t>(span));
    return true;
}

bool ReadSlot(std::span<const uint8_t> area, size_t slot, PictureSlot& s, DecodeError& error) {
    if (!RangeFits(s.recordOffset, s.recordLength, area.size())) {
        return Damaged(error, SlotName(slot) + " lies past the end of the file");
    }
    auto record = area.subspan(s.recordOffset, s.recordLength);
    // A record too short to carry its kind holds no picture.
    s.kind = record.size() >= 4 ? Le32(record, L::kRecordKind) : 0;
    if (s.kind != L::kRecordKindPicture) {
        return true;
    }
    s.hasPicture = true;
    return ReadBitmap(record, slot, s.picture, error);
}

}  // namespace

bool DecodePictures(std::span<uint8_t> m, PictureFile& out, DecodeError& error) {
    const uint16_t id = out.golfCourseId;
    out = PictureFile{};
    out.golfCourseId = id;
    if (m.size() < L::kPictureItemCount) {
        return Damaged(error, "only " + std::to_string(m.size()) + " bytes");
    }
    const uint32_t format = Le32(m, L::kPictureFormat);
    if (format != L::kPictureFormatValue) {
        error = {ReadFailure::Format, "format " + std::to_string(format) + ", not 1"};
        return false;
    }
    if (m.size() < L::kPictureTable) {
        return Damaged(error, "the file ends before its item count");
    }
    const auto key = MemberKey(MemberKind::Picture, m);
    Rc4 stream(key);
    stream.Apply(m.subspan(L::kPictureItemCount, 2));
    out.itemCount = Le16(m, L::kPictureItemCount);
    const size_t slots = size_t{out.itemCount} * L::kPictureEntriesPerItem;
    const size_t tableBytes = slots * L::kPictureEntrySize;
    if (!RangeFits(L::kPictureTable, tableBytes, m.size())) {
        return Damaged(error, "the picture table of " + std::to_string(out.itemCount) +
                                  " items runs past the end of the file");
    }
    stream.Apply(m.subspan(L::kPictureTable, tableBytes));
    const size_t areaStart = L::kPictureTable + tableBytes;
    auto area = m.subspan(areaStart);
    out.slots.resize(slots);
    Rc4FreshStreams fresh(key);
    size_t pos = 0;
    for (size_t n = 0; n < slots; ++n) {
        auto entry = m.subspan(L::kPictureTable + n * L::kPictureEntrySize, L::kPictureEntrySize);
        out.slots[n].recordOffset = Le32(entry, L::kPictureEntryOffset);
        out.slots[n].recordLength = Le32(entry, L::kPictureEntryLength);
        if (!RangeFits(pos, out.slots[n].recordLength, area.size())) {
            return Damaged(error, SlotName(n) + " runs past the end of the file");
        }
        fresh.Apply(area.subspan(pos, out.slots[n].recordLength));
        pos += out.slots[n].recordLength;
    }
    for (size_t n = 0; n < slots; ++n) {
        if (!ReadSlot(area, n, out.slots[n], error)) {
            return false;
        }
    }
    return true;
}

const PictureSlot* PictureFile::Slot(size_t item, size_t hole) const {
    if (item >= itemCount || hole >= layout::kPictureEntriesPerItem) {
        return nullptr;
    }
    return &slots[item * layout::kPictureEntriesPerItem + hole];
}

}  // namespace veldrant::course
