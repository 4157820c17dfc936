// The default names of areas 1 to 47: Japan's prefectures in the order of their JIS X 0401
// codes, as code page 932 text.
#pragma once

#include <cstddef>
#include <string_view>

namespace veldrant::course {

inline constexpr size_t kPrefectureCount = 47;

// The name of prefecture `code` (1 to 47) in code page 932; empty for other codes.
std::string_view PrefectureName(size_t code);

}  // namespace veldrant::course
