// RC4 (ARCFOUR), the stream cipher of the course package's members. A key is a member kind's
// 8-byte key text followed by the member's first 8 bytes (its salt, stored in clear).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace veldrant::course {

class Rc4 {
public:
    explicit Rc4(std::span<const uint8_t> key);
    // XORs the keystream onto `data`, continuing where the previous call stopped. The same call
    // enciphers and deciphers.
    void Apply(std::span<uint8_t> data);

private:
    std::array<uint8_t, 256> s_{};
    uint8_t i_ = 0;
    uint8_t j_ = 0;
};

// Fresh streams of one key: each Apply is Rc4(key).Apply(data). Every fresh stream of a key
// begins with the same keystream, so it is made once (as long as the longest range so far)
// and XORed on; a member's many records then cost one key schedule.
class Rc4FreshStreams {
public:
    explicit Rc4FreshStreams(std::span<const uint8_t> key) : generator_(key) {}
    void Apply(std::span<uint8_t> data);

private:
    Rc4 generator_;
    std::vector<uint8_t> keystream_;
};

}  // namespace veldrant::course
