// Conversion between code page 932 (Shift-JIS as Windows has it) and UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace veldrant::platform {

// Converts code page 932 bytes to UTF-8. A byte sequence that is not valid code page 932 becomes
// U+FFFD and the conversion goes on with the next byte. NUL bytes pass through.
std::string Cp932ToUtf8(std::string_view cp932);

// Converts UTF-8 to code page 932. A character that code page 932 cannot hold becomes '?'.
std::string Utf8ToCp932(std::string_view utf8);

}  // namespace veldrant::platform
