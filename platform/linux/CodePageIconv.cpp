// Code page 932 conversion through glibc's iconv ("CP932": the Windows table, with the NEC and IBM
// rows and 0x5C, 0x7E as ASCII).
#include <errno.h>
#include <iconv.h>

#include <mutex>
#include <stdexcept>

#include "platform/CodePage.h"

namespace veldrant::platform {
namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

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
    // input byte.
    std::string Run(std::string_view in, std::string_view replacement) {
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
            if (r != static_cast<size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: replace one byte and go on.
            out.append(replacement);
            ++src;
            --srcLeft;
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
    if (ascii) return std::string(cp932);
    thread_local Converter conv("UTF-8", "CP932");
    return conv.Run(cp932, kReplacementUtf8);
}

std::string Utf8ToCp932(std::string_view utf8) {
    thread_local Converter conv("CP932", "UTF-8");
    return conv.Run(utf8, "?");
}

}  // namespace veldrant::platform
