// Code page 932 to UTF-8 gives the same bytes on every platform (iconv on Linux, Windows' own
// table there), invalid bytes included: the mark CSV file must not depend on where it was made.
#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace veldrant::platform {
namespace {

TEST(CodePage932, SameBytesOnEveryPlatform) {
    struct Row {
        const char* name;
        std::string cp932;
        std::string utf8;
    };
    const Row rows[] = {
        {"ASCII, 0x5C and 0x7E stay ASCII", "A\\~z", "A\\~z"},
        {"hiragana", "\x82\xA0", "\xE3\x81\x82"},
        {"full-width space", "\x81\x40", "\xE3\x80\x80"},
        {"half-width katakana", "\xA1\xDF", "\xEF\xBD\xA1\xEF\xBE\x9F"},
        {"NEC row 13", "\x87\x40", "\xE2\x91\xA0"},
        {"NEC-selected IBM extension", "\xED\x40", "\xE7\xBA\x8A"},
        {"IBM extension", "\xFA\x40", "\xE2\x85\xB0"},
        {"user-defined row", "\xF0\x40", "\xEE\x80\x80"},
        {"undefined single bytes", std::string("\x80\xA0\xFD\xFE\xFF", 5),
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"unassigned lead: one U+FFFD, the next byte starts anew", "\x85\x90\x41",
         "\xEF\xBF\xBD\xE6\xA4\x8D"},
        {"bad trail byte", "\x81\xFF\x41", "\xEF\xBF\xBD\xEF\xBF\xBD\x41"},
        {"lead byte at the end", "A\x82", "A\xEF\xBF\xBD"},
        {"NUL passes", std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Cp932ToUtf8(row.cp932), row.utf8);
    }
}

TEST(CodePage932, BackFromUtf8) {
    EXPECT_EQ(Utf8ToCp932("\xE3\x81\x82"
                          "A"),
              "\x82\xA0"
              "A");
    EXPECT_EQ(Utf8ToCp932("\xF0\x9F\x98\x80"), "?");  // no such character in code page 932
}

}  // namespace
}  // namespace veldrant::platform
