// Walks the short and long items of a report descriptor, keeping the global state that sizes
// reports (Report Size, Report Count, Report ID, with Push and Pop) and summing the bits of
// every Input, Output and Feature main item per report ID.
#include "platform/ReportDescriptor.h"

#include <algorithm>
#include <array>
#include <vector>

namespace veldrant::platform {

namespace {

enum : uint8_t {
    kTypeMain = 0,
    kTypeGlobal = 1,
    kTagInput = 0x8,
    kTagOutput = 0x9,
    kTagFeature = 0xB,
    kTagReportSize = 0x7,
    kTagReportId = 0x8,
    kTagReportCount = 0x9,
    kTagPush = 0xA,
    kTagPop = 0xB,
    kLongItem = 0xFE,
};

constexpr size_t kMaxPushDepth = 32;
constexpr uint64_t kMaxBits = uint64_t(1) << 32;  // far beyond any real report; no overflow

struct Globals {
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
};

// Bits per report ID (index 0: the unnumbered report) for input, output and feature.
using BitTable = std::array<std::array<uint64_t, 256>, 3>;

uint32_t LengthOf(const std::array<uint64_t, 256>& bits) {
    uint64_t longest = *std::max_element(bits.begin(), bits.end());
    if (longest == 0)
        return 0;
    return uint32_t(std::min<uint64_t>((longest + 7) / 8 + 1, UINT32_MAX));
}

uint32_t ItemValue(const uint8_t* p, size_t n) {
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i)
        v |= uint32_t(p[i]) << (8 * i);
    return v;
}

}  // namespace

std::optional<ReportLengths> ParseReportDescriptor(const uint8_t* data, size_t size) {
    BitTable bits{};
    Globals g;
    std::vector<Globals> stack;
    bool numbered = false;
    size_t pos = 0;
    while (pos < size) {
        uint8_t prefix = data[pos];
        if (prefix == kLongItem) {  // long items carry nothing that sizes reports
            if (pos + 3 > size)
                return std::nullopt;
            size_t length = size_t(3) + data[pos + 1];
            if (pos + length > size)
                return std::nullopt;
            pos += length;
            continue;
        }
        size_t n = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (pos + 1 + n > size)
            return std::nullopt;
        uint32_t value = ItemValue(data + pos + 1, n);
        uint8_t type = (prefix >> 2) & 3, tag = prefix >> 4;
        pos += 1 + n;
        if (type == kTypeGlobal) {
            switch (tag) {
                case kTagReportSize:
                    g.reportSize = value;
                    break;
                case kTagReportCount:
                    g.reportCount = value;
                    break;
                case kTagReportId:
                    if (value == 0 || value > 255)
                        return std::nullopt;
                    g.reportId = uint8_t(value);
                    numbered = true;
                    break;
                case kTagPush:
                    if (stack.size() >= kMaxPushDepth)
                        return std::nullopt;
                    stack.push_back(g);
                    break;
                case kTagPop:
                    if (stack.empty())
                        return std::nullopt;
                    g = stack.back();
                    stack.pop_back();
                    break;
                default:
                    break;
            }
        } else if (type == kTypeMain) {
            int kind = tag == kTagInput ? 0 : tag == kTagOutput ? 1 : tag == kTagFeature ? 2 : -1;
            if (kind >= 0) {
                uint64_t& total = bits[size_t(kind)][g.reportId];
                total = std::min(kMaxBits, total + uint64_t(g.reportSize) * g.reportCount);
            }
        }
    }
    ReportLengths lengths;
    lengths.input = LengthOf(bits[0]);
    lengths.output = LengthOf(bits[1]);
    lengths.feature = LengthOf(bits[2]);
    lengths.numbered = numbered;
    return lengths;
}

}  // namespace veldrant::platform
