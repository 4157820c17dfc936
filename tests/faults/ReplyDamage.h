// The ways a reply can arrive broken, and the hostile values a watch may put in a reply word,
// applied to one input report in place. Covered bytes are resealed with a CRC of their own, so
// that only the damage named is wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace veldrant::faults {

enum class Damage {
    None,
    BadStart,      // start marker not '#'
    BadEnd,        // end marker not '*'
    BadCrc,        // CRC low byte flipped
    WrongCommand,  // another command code, CRC right
    Type0,         // type byte 0, CRC right
    Type3,         // type byte 3, CRC right
    WrongEcho,     // value field one more than the request's, CRC right
    ShortReport,   // one byte less than the report length arrived
    LateReply,     // the reply comes only after the exchange has timed out, before the next
                   // request goes out (the wire holds it back; see TamperingTransport)
};

inline constexpr Damage kEveryDamage[] = {
    Damage::BadStart, Damage::BadEnd,    Damage::BadCrc,      Damage::WrongCommand, Damage::Type0,
    Damage::Type3,    Damage::WrongEcho, Damage::ShortReport, Damage::LateReply,
};

std::string DamageName(Damage damage);

// What to do to one reply.
struct Tamper {
    Damage damage = Damage::None;
    std::optional<uint32_t> replyWord;  // replaces payload word 0 (offset 9), resealed

    bool Any() const { return damage != Damage::None || replyWord.has_value(); }
};

inline Tamper Broken(Damage damage) {
    Tamper t;
    t.damage = damage;
    return t;
}

inline Tamper ReplyWord(uint32_t word) {
    Tamper t;
    t.replyWord = word;
    return t;
}

// Applies `tamper` to the report `buf` of `length` bytes that a read delivered; `*got` is the
// byte count the read reported and may be cut for a short report.
void ApplyTamper(const Tamper& tamper, uint8_t* buf, size_t length, size_t* got);

}  // namespace veldrant::faults
