// The pieces of a mark CSV line: numbers as the file's printf-style formats print them (always
// with "." and never touched by the locale) and names turned from code page 932 into the UTF-8
// text of a quoted field.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace veldrant::marks {

// "%d" (and "%u" for the unsigned words).
void AppendDecimal(std::string& out, int64_t value);
// "%0Nd": at least `width` digits, leading zeros.
void AppendPadded(std::string& out, int64_t value, int width);
// "%lf" of units / 600000.0: fixed point, six digits after ".".
void AppendCoordinate(std::string& out, int32_t units);

// Code page 932 text -> UTF-8 for a field inside double quotes. A byte sequence that is not code
// page 932 becomes U+FFFD. A double quote inside the text is doubled so that the field still
// ends where it should. Names repeat from mark to mark, so the last conversion is kept.
class FieldText {
public:
    const std::string& Convert(std::string_view cp932);

private:
    std::string lastIn_;
    std::string lastOut_;
    bool valid_ = false;
};

// The same conversion without the cache.
std::string ToFieldText(std::string_view cp932);
// UTF-8 text as the inside of a quoted field: a double quote doubled.
std::string QuotedFieldText(std::string_view utf8);

}  // namespace veldrant::marks
