#include "course/CipherKeys.h"

#include <algorithm>

namespace veldrant::course {

namespace {
// Our own key texts; a package written by this system's writer is read with the same ones.
constexpr std::array<uint8_t, kKeyTextSize> kIndexKeyText{'V', 'l', 'd', 'I', 'd', 'x', '4', 'K'};
constexpr std::array<uint8_t, kKeyTextSize> kAppendKeyText{'V', 'l', 'd', 'A', 'p', 'd', '1', 'K'};
constexpr std::array<uint8_t, kKeyTextSize> kPictureKeyText{'V', 'l', 'd', 'P', 'i', 'c', '6', 'K'};
}  // namespace

std::span<const uint8_t, kKeyTextSize> KeyText(MemberKind kind) {
    switch (kind) {
        case MemberKind::Index:
            return kIndexKeyText;
        case MemberKind::Append:
            return kAppendKeyText;
        case MemberKind::Picture:
            break;
    }
    return kPictureKeyText;
}

std::array<uint8_t, kKeySize> MemberKey(MemberKind kind, std::span<const uint8_t> member) {
    std::array<uint8_t, kKeySize> key{};
    auto text = KeyText(kind);
    std::copy(text.begin(), text.end(), key.begin());
    std::copy_n(member.begin(), kSaltSize, key.begin() + kKeyTextSize);
    return key;
}

}  // namespace veldrant::course
