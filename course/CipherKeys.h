// The key texts of the three enciphered member kinds, in one place. A member's RC4 key is its
// kind's key text followed by the member's bytes 0 to 7.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace veldrant::course {

enum class MemberKind { Index, Append, Picture };

inline constexpr size_t kKeyTextSize = 8;
inline constexpr size_t kSaltSize = 8;
inline constexpr size_t kKeySize = kKeyTextSize + kSaltSize;

// The 8 ASCII bytes of a kind's key text.
std::span<const uint8_t, kKeyTextSize> KeyText(MemberKind kind);

// Key text followed by the first 8 bytes of `member` (which must hold at least 8 bytes).
std::array<uint8_t, kKeySize> MemberKey(MemberKind kind, std::span<const uint8_t> member);

}  // namespace veldrant::course
