// A cursor over a fuzzer's input: bytes, words and runs of bytes taken from the front, zeros
// once it is used up.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace veldrant::fuzz {

class FuzzBytes {
public:
    explicit FuzzBytes(std::span<const uint8_t> data) : data_(data) {}

    bool Empty() const { return data_.empty(); }
    size_t Left() const { return data_.size(); }

    uint8_t Byte() {
        if (data_.empty())
            return 0;
        uint8_t b = data_[0];
        data_ = data_.subspan(1);
        return b;
    }
    uint16_t Half() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
    uint32_t Word() { return uint32_t{Half()} | uint32_t{Half()} << 16; }
    // Up to `n` bytes, fewer when the input ends first.
    std::span<const uint8_t> Take(size_t n) {
        auto part = data_.first(std::min(n, data_.size()));
        data_ = data_.subspan(part.size());
        return part;
    }

private:
    std::span<const uint8_t> data_;
};

}  // namespace veldrant::fuzz
