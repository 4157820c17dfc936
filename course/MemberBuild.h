// Pieces of the package writer shared between its files.
#pragma once

#include <cstdint>
#include <vector>

#include "course/PackageDescription.h"

namespace veldrant::course {

inline void AppendLe16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void AppendLe32(std::vector<uint8_t>& out, uint32_t v) {
    AppendLe16(out, static_cast<uint16_t>(v));
    AppendLe16(out, static_cast<uint16_t>(v >> 16));
}

// Fills bytes 0 to 7 with a salt derived from the rest of the member (and `kind`), so that the
// same description always gives the same package.
void PutSalt(std::vector<uint8_t>& member, uint8_t kind);

std::vector<uint8_t> BuildAppendMember(const PackageDescription& d);
bool WantsPictureMember(const GolfCourseDescription& g);
std::vector<uint8_t> BuildPictureMember(const GolfCourseDescription& g);

}  // namespace veldrant::course
