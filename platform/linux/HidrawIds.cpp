#include "platform/linux/HidrawIds.h"

namespace veldrant::platform::linux_hid {

namespace {
// Hexadecimal digits only, at most `maxDigits`, at least one.
std::optional<uint32_t> Hex(std::string_view text, size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    uint32_t v = 0;
    for (char c : text) {
        int d = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
        if (d < 0)
            return std::nullopt;
        v = v << 4 | uint32_t(d);
    }
    return v;
}
}  // namespace

std::optional<HidIdText> ParseHidId(std::string_view text) {
    size_t a = text.find(':');
    size_t b = a == std::string_view::npos ? a : text.find(':', a + 1);
    if (b == std::string_view::npos)
        return std::nullopt;
    auto bus = Hex(text.substr(0, a), 4);
    auto vendor = Hex(text.substr(a + 1, b - a - 1), 8);
    auto product = Hex(text.substr(b + 1), 8);
    if (!bus || !vendor || !product || *vendor > 0xFFFF || *product > 0xFFFF)
        return std::nullopt;
    return HidIdText{uint16_t(*bus), uint16_t(*vendor), uint16_t(*product)};
}

std::optional<uint16_t> ParseRelease(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.remove_suffix(1);
    if (text.size() != 4)
        return std::nullopt;
    auto v = Hex(text, 4);
    if (!v)
        return std::nullopt;
    return uint16_t(*v);
}

}  // namespace veldrant::platform::linux_hid
