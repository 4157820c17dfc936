// Deciphering and reading one member that is already in memory. The reader (CoursePackage)
// runs these over its buffers; every range taken from the member is checked against the
// member's size before it is touched.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "course/CoursePackage.h"
#include "course/PackageData.h"

namespace veldrant::course {

struct DecodeError {
    ReadFailure kind = ReadFailure::None;
    std::string message;
};

// Each deciphers `member` in place and fills `out` with views into it.
bool DecodeIndex(std::span<uint8_t> member, IndexData& out, DecodeError& error);
bool DecodeAppend(std::span<uint8_t> member, AppendData& out, DecodeError& error);
bool DecodePictures(std::span<uint8_t> member, PictureFile& out, DecodeError& error);

// Reads the fields of one golf course's deciphered data block (items and holes included).
bool ParseGolfCourseBlock(std::span<const uint8_t> block, GolfCourseBlock& out, std::string& error);

}  // namespace veldrant::course
