#include "course/Rc4.h"

#include <utility>

namespace veldrant::course {

Rc4::Rc4(std::span<const uint8_t> key) {
    for (size_t n = 0; n < s_.size(); ++n) {
        s_[n] = static_cast<uint8_t>(n);
    }
    uint8_t j = 0;
    for (size_t n = 0; n < s_.size(); ++n) {
        j = static_cast<uint8_t>(j + s_[n] + key[n % key.size()]);
        std::swap(s_[n], s_[j]);
    }
}

void Rc4::Apply(std::span<uint8_t> data) {
    // The state in locals: the data bytes cannot alias them, so nothing is reloaded per byte.
    std::array<uint8_t, 256> s = s_;
    uint8_t i = i_;
    uint8_t j = j_;
    for (uint8_t& byte : data) {
        i = static_cast<uint8_t>(i + 1);
        const uint8_t si = s[i];
        j = static_cast<uint8_t>(j + si);
        const uint8_t sj = s[j];
        s[i] = sj;
        s[j] = si;
        byte ^= s[static_cast<uint8_t>(si + sj)];
    }
    s_ = s;
    i_ = i;
    j_ = j;
}

void Rc4FreshStreams::Apply(std::span<uint8_t> data) {
    if (keystream_.size() < data.size()) {
        const size_t have = keystream_.size();
        keystream_.resize(data.size(), 0);
        generator_.Apply(std::span(keystream_).subspan(have));
    }
    const uint8_t* k = keystream_.data();
    uint8_t* d = data.data();
    for (size_t n = 0; n < data.size(); ++n) {
        d[n] ^= k[n];
    }
}

}  // namespace veldrant::course
