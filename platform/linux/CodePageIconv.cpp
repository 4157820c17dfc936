// Code page 932 conversion through glibc's iconv ("CP932": the Windows table, with the NEC and IBM
// rows and 0x5C, 0x7E as ASCII).
#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>

#include "platform/CodePage.h"

namespace veldrant::platform {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// The length of the UTF-8 character a byte starts; 1 for a byte that starts none.
size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 1;
}

// One conversion descriptor per direction and thread: iconv_t is not thread-safe.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`; on an invalid or incomplete sequence appends `replacement` and skips one
    // input byte, or, with `wholeUtf8`, the whole UTF-8 character that its lead byte announces
    // (a character the target cannot hold is one replacement, not one per byte).
    std::string Run(std::string_view in, std::string_view replacement, bool wholeUtf8 = false) {
        std::string out;
        out.reserve(in.size() * 2 + 8);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char buf[1024];
        while (srcLeft > 0) {
            char* dst = buf;
            size_t dstLeft = sizeof buf;
            size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, static_cast<size_t>(dst - buf));
            if (r != static_cast<size_t>(-1))
                continue;
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL: replace one byte and go on.
            out.append(replacement);
            size_t skip = 1;
            if (wholeUtf8) {
                size_t length = std::min(Utf8Length(static_cast<unsigned char>(*src)), srcLeft);
                while (skip < length && (static_cast<unsigned char>(src[skip]) & 0xC0) == 0x80)
                    ++skip;
            }
            src += skip;
            srcLeft -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
        out.append(buf, static_cast<size_t>(dst - buf));
        return out;
    }

private:
    iconv_t cd_;
};

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
    // Pure ASCII is by far the common case (numbers, markers): skip iconv for it.
    bool ascii = true;
    for (unsigned char c : cp932) {
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return std::string(cp932);
    thread_local Converter conv("UTF-8", "CP932");
    return conv.Run(cp932, kReplacementUtf8);
}

std::string Utf8ToCp932(std::string_view utf8) {
    thread_local Converter conv("CP932", "UTF-8");
    return conv.Run(utf8, "?", true);
}

}  // namespace veldrant::platform
