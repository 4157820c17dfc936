// Offsets, sizes and limits of the course package's members, as the reader finds them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veldrant::course::layout {

// "index4.dat"
inline constexpr size_t kIndexWord1 = 8;
inline constexpr size_t kIndexWord2 = 10;
inline constexpr size_t kIndexFormat = 12;
inline constexpr size_t kIndexValue3 = 16;
inline constexpr size_t kIndexCourseCount = 20;
inline constexpr size_t kIndexRecordSize = 24;
inline constexpr size_t kIndexCourseTable = 28;
inline constexpr size_t kIndexDataArea = 32;
inline constexpr size_t kIndexAreaCount = 44;
inline constexpr size_t kIndexAreaTable = 52;
inline constexpr size_t kIndexHeaderSize = 128;
inline constexpr size_t kIndexStreamStart = 16;  // stream 1 runs over bytes 16 to 127
inline constexpr uint32_t kIndexFormatValue = 2;

// Course record.
inline constexpr size_t kCourseRecordSize = 32;
inline constexpr size_t kRecordBounds = 0;  // four signed 32-bit bounds
inline constexpr size_t kRecordId = 16;
inline constexpr size_t kRecordArea = 18;
inline constexpr size_t kRecordInitial = 19;
inline constexpr size_t kRecordBlockOffset = 20;
inline constexpr size_t kRecordBlockLength = 24;

// Area record.
inline constexpr size_t kAreaRecordSize = 64;
inline constexpr size_t kAreaNameField = 50;  // name and its NUL: at most 49 bytes of text
inline constexpr size_t kAreaCode = 53;
inline constexpr size_t kAreaValue = 54;

// Golf course data block.
inline constexpr size_t kBlockId = 0;
inline constexpr size_t kBlockName = 2;
inline constexpr size_t kBlockCourseWord = 242;
inline constexpr size_t kBlockValue1 = 456;
inline constexpr size_t kBlockValue2 = 460;
inline constexpr size_t kBlockCourseByte = 464;
inline constexpr size_t kBlockItemCount = 465;
inline constexpr size_t kBlockItems = 466;
inline constexpr size_t kMaxItems = 5;

// Item head: byte 0, byte 1, k, k extra bytes, 100-byte name field, hole count.
inline constexpr size_t kItemK = 2;
inline constexpr size_t kItemExtra = 3;
inline constexpr size_t kItemNameField = 100;
inline constexpr size_t kItemHeadFixed = 104;  // the head's size without the k extra bytes
inline constexpr size_t kMaxExtraBytes = 4;
inline constexpr size_t kMaxHoles = 9;

// Hole head.
inline constexpr size_t kHoleHeadSize = 24;
inline constexpr size_t kHoleKind = 0;
inline constexpr size_t kHoleA = 5;
inline constexpr size_t kHoleB = 6;
inline constexpr size_t kHoleC = 7;
inline constexpr size_t kHoleValues = 8;
inline constexpr uint8_t kHoleKindShortArray1 = 1;  // array 1 entries of 8 bytes, else 10
inline constexpr size_t kArray1ShortEntry = 8;
inline constexpr size_t kArray1LongEntry = 10;
inline constexpr size_t kArray23Entry = 6;

// "append.kv1"
inline constexpr size_t kAppendSectionCount = 10;
inline constexpr size_t kAppendFormat = 12;
inline constexpr size_t kAppendDirectory = 16;
inline constexpr size_t kAppendDirectoryEntry = 16;
inline constexpr size_t kAppendDirectoryTail = 4;  // deciphered with the directory, not read
inline constexpr size_t kSectionKind = 0;
inline constexpr size_t kSectionLength = 8;
inline constexpr uint32_t kAppendFormatValue = 1;
inline constexpr uint32_t kSectionNameTableB = 1;
inline constexpr uint32_t kSectionNameTableA = 2;
inline constexpr uint32_t kSectionLinkTable = 3;
inline constexpr size_t kNameEntrySize = 50;
inline constexpr size_t kNameEntryText = 2;

// Link table.
inline constexpr size_t kLinkEntryCount = 0;
inline constexpr size_t kLinkEntryAreaSize = 4;
inline constexpr size_t kLinkEntries = 8;
inline constexpr size_t kLinkEntrySize = 8;
inline constexpr size_t kLinkRecordSize = 10;
inline constexpr size_t kMaxLinkRecords = 255;

// "%d.k16"
inline constexpr size_t kPictureFormat = 12;
inline constexpr size_t kPictureItemCount = 16;
inline constexpr size_t kPictureTable = 18;
inline constexpr size_t kPictureEntrySize = 10;
inline constexpr size_t kPictureEntriesPerItem = 9;
inline constexpr size_t kPictureEntryOffset = 2;
inline constexpr size_t kPictureEntryLength = 6;
inline constexpr uint32_t kPictureFormatValue = 1;

// Picture record: kind, total length, 8 unread bytes, then a BMP file.
inline constexpr size_t kRecordKind = 0;
inline constexpr size_t kRecordTotalLength = 4;
inline constexpr size_t kRecordBmp = 16;
inline constexpr size_t kRecordBfOffBits = 16 + 10;
inline constexpr size_t kRecordBiWidth = 16 + 18;
inline constexpr size_t kRecordBiHeight = 16 + 22;
inline constexpr size_t kRecordHeaderNeeded = 16 + 26;  // through biHeight
inline constexpr uint32_t kRecordKindPicture = 2;

}  // namespace veldrant::course::layout
