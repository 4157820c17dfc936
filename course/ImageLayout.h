// Offsets and sizes of the directory image and the course image.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veldrant::course::image {

// Directory image.
inline constexpr size_t kDirSalt = 0;
inline constexpr size_t kDirWord1 = 8;
inline constexpr size_t kDirWord2 = 10;
inline constexpr size_t kDirFormat = 12;
inline constexpr size_t kDirValue3 = 16;
inline constexpr size_t kDirCourseCount = 20;
inline constexpr size_t kDirAreaCount = 24;
inline constexpr size_t kDirCourseListOffset = 28;
inline constexpr size_t kDirInitialListOffset = 32;
inline constexpr size_t kDirBoundsOffset = 36;
inline constexpr size_t kDirAreaTableOffset = 40;
inline constexpr size_t kDirSignature = 510;  // 0x55, 0xAA
inline constexpr size_t kDirHeaderSize = 512;
inline constexpr size_t kDirCourseEntry = 20;
inline constexpr size_t kDirInitialEntry = 4;
inline constexpr size_t kDirBoundsEntry = 20;
inline constexpr size_t kDirBoundsFirst = 16;
inline constexpr size_t kDirBoundsCount = 18;
inline constexpr size_t kDirAreaEntry = 230;
inline constexpr size_t kDirAreaName = 0;
inline constexpr size_t kDirAreaNameField = 50;
inline constexpr size_t kDirAreaValue = 50;
inline constexpr size_t kDirAreaGroups = 54;
inline constexpr size_t kDirGroupEntry = 4;
inline constexpr size_t kInitialGroups = 44;
inline constexpr uint8_t kFirstInitialCode = 0xB1;  // ｱ; group g holds code 0xB1 + g
inline constexpr size_t kDefaultAreas = 47;
inline constexpr size_t kMaxAreaNameBytes = 49;

// Course image.
inline constexpr size_t kCrc = 0;
inline constexpr size_t kLength = 4;
inline constexpr size_t kId = 8;
inline constexpr size_t kCourseWord = 10;
inline constexpr size_t kValue1 = 16;
inline constexpr size_t kValue2 = 20;
inline constexpr size_t kCourseByte = 24;
inline constexpr size_t kItemCount = 25;
inline constexpr size_t kNameACount = 26;
inline constexpr size_t kNameBCount = 27;
inline constexpr size_t kLinkCount = 28;
inline constexpr size_t kPoolOffset = 32;
inline constexpr size_t kItemListOffset = 34;
inline constexpr size_t kNameAOffset = 36;
inline constexpr size_t kNameBOffset = 38;
inline constexpr size_t kLinkOffset = 40;
inline constexpr size_t kPictureOffset = 42;
inline constexpr size_t kCourseHeaderSize = 48;
inline constexpr size_t kItemEntry = 10;
inline constexpr size_t kItemEntryExtra = 6;
inline constexpr size_t kHoleEntry = 26;
inline constexpr size_t kHolePicture = 8;
inline constexpr size_t kHoleValues = 10;
inline constexpr size_t kLinkRecord = 10;
inline constexpr uint16_t kNoPicture = 0xFFFF;

}  // namespace veldrant::course::image
