// Code page 932 through Windows' own table: MultiByteToWideChar(932) to UTF-16, then UTF-8.
// Windows, unlike iconv, takes a lead byte and the byte after it together when the pair is not
// a character, and maps 0x80, 0xA0 and 0xFD to 0xFF to private-use characters; so the
// conversion goes one character at a time, and every byte that does not start a valid
// character becomes U+FFFD on its own and the next byte is tried. Both platforms thus give
// the same bytes for every one- and two-byte sequence (the user-defined rows 0xF0 to 0xF9 go
// to the private-use area on both).
#include "platform/CodePage.h"
#include "platform/windows/WinText.h"

namespace veldrant::platform {

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsTrailByte(unsigned char c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// One character of `len` bytes (1 or 2) through the table; empty when it is not one.
std::wstring Convert(const char* p, int len) {
    wchar_t w[2];
    int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, p, len, w, 2);
    if (n <= 0)
        return {};
    return std::wstring(w, size_t(n));
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
    std::string out;
    out.reserve(cp932.size() * 2);
    std::wstring wide;
    size_t i = 0;
    auto flush = [&] {
        out += win::Utf8(wide);
        wide.clear();
    };
    while (i < cp932.size()) {
        unsigned char c = static_cast<unsigned char>(cp932[i]);
        if (c < 0x80) {
            wide.push_back(wchar_t(c));
            ++i;
            continue;
        }
        std::wstring one;
        int len = 1;
        if (IsLeadByte(c)) {
            len = 2;
            if (i + 1 < cp932.size() && IsTrailByte(static_cast<unsigned char>(cp932[i + 1])))
                one = Convert(cp932.data() + i, 2);
        } else if (c >= 0xA1 && c <= 0xDF) {  // half-width katakana
            one = Convert(cp932.data() + i, 1);
        }
        // Single bytes outside ASCII and the half-width katakana (0x80, 0xA0, 0xFD to 0xFF),
        // which Windows maps to private-use characters and iconv refuses, never get here.
        if (one.empty()) {
            flush();
            out += kReplacementUtf8;
            ++i;  // go on with the next byte
            continue;
        }
        wide += one;
        i += size_t(len);
    }
    flush();
    return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
    std::wstring wide = win::Wide(utf8);
    if (wide.empty())
        return {};
    // A character beyond U+FFFF is two UTF-16 units but one character: one '?', as on Linux.
    std::wstring single;
    single.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        bool pair = wide[i] >= 0xD800 && wide[i] <= 0xDBFF && i + 1 < wide.size() &&
                    wide[i + 1] >= 0xDC00 && wide[i + 1] <= 0xDFFF;
        single.push_back(pair ? L'?' : wide[i]);
        i += pair ? 1 : 0;
    }
    wide = std::move(single);
    BOOL usedDefault = FALSE;
    int n =
        WideCharToMultiByte(932, 0, wide.data(), int(wide.size()), nullptr, 0, "?", &usedDefault);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(932, 0, wide.data(), int(wide.size()), out.data(), n, "?",
                            &usedDefault);
    return out;
}

}  // namespace veldrant::platform
