#include "marks/CsvText.h"

#include <charconv>
#include <system_error>

#include "platform/CodePage.h"

namespace veldrant::marks {

void AppendDecimal(std::string& out, int64_t value) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

void AppendPadded(std::string& out, int64_t value, int width) {
    char buf[24];
    char* begin = buf;
    uint64_t magnitude = static_cast<uint64_t>(value);
    if (value < 0) {
        out.push_back('-');
        magnitude = 0 - magnitude;
        --width;  // printf counts the sign in the width
    }
    auto r = std::to_chars(begin, buf + sizeof buf, magnitude);
    for (long pad = width - (r.ptr - begin); pad > 0; --pad)
        out.push_back('0');
    out.append(begin, r.ptr);
}

void AppendCoordinate(std::string& out, int32_t units) {
    // to_chars with a precision gives what printf gives in the "C" locale, whatever the
    // process's locale is.
    char buf[48];
    auto r = std::to_chars(buf, buf + sizeof buf, units / 600000.0, std::chars_format::fixed, 6);
    out.append(buf, r.ptr);
}

std::string ToFieldText(std::string_view cp932) {
    return QuotedFieldText(platform::Cp932ToUtf8(cp932));
}

std::string QuotedFieldText(std::string_view utf8) {
    if (utf8.find('"') == std::string::npos)
        return std::string(utf8);
    std::string quoted;
    quoted.reserve(utf8.size() + 4);
    for (char c : utf8) {
        quoted.push_back(c);
        if (c == '"')
            quoted.push_back('"');
    }
    return quoted;
}

const std::string& FieldText::Convert(std::string_view cp932) {
    if (!valid_ || cp932 != lastIn_) {
        lastIn_.assign(cp932);
        lastOut_ = ToFieldText(cp932);
        valid_ = true;
    }
    return lastOut_;
}

}  // namespace veldrant::marks
