#include "tests/faults/ReplyDamage.h"

#include <algorithm>

#include "tests/support/Frames.h"

namespace veldrant::faults {

std::string DamageName(Damage damage) {
    switch (damage) {
        case Damage::None:
            return "none";
        case Damage::BadStart:
            return "bad start marker";
        case Damage::BadEnd:
            return "bad end marker";
        case Damage::BadCrc:
            return "bad CRC";
        case Damage::WrongCommand:
            return "wrong command code";
        case Damage::Type0:
            return "type 0";
        case Damage::Type3:
            return "type 3";
        case Damage::WrongEcho:
            return "wrong block echo";
        case Damage::ShortReport:
            return "short report";
        case Damage::LateReply:
            return "reply after the time-out";
    }
    return "?";
}

void ApplyTamper(const Tamper& tamper, uint8_t* buf, size_t length, size_t* got) {
    const size_t p = length - length % 64;
    if (!tamper.Any() || p == 0 || length < p + 13)
        return;
    testing::Report r(buf, buf + length);
    bool reseal = false;
    if (tamper.replyWord) {
        for (size_t i = 0; i < 4; ++i)
            r[9 + i] = uint8_t(*tamper.replyWord >> (8 * i));
        reseal = true;
    }
    switch (tamper.damage) {
        case Damage::None:
        case Damage::BadStart:
        case Damage::BadEnd:
        case Damage::BadCrc:
        case Damage::ShortReport:
        case Damage::LateReply:
            break;
        case Damage::WrongCommand:
            r[3] = uint8_t(r[3] + 1);
            reseal = true;
            break;
        case Damage::Type0:
            r[2] = 0;
            reseal = true;
            break;
        case Damage::Type3:
            r[2] = 3;
            reseal = true;
            break;
        case Damage::WrongEcho: {
            uint32_t echo = testing::WordAt(r, 5) + 1;
            for (size_t i = 0; i < 4; ++i)
                r[5 + i] = uint8_t(echo >> (8 * i));
            reseal = true;
            break;
        }
    }
    if (reseal)
        testing::Reseal(r);
    // Damage outside the CRC's range, or to the CRC itself, comes after any resealing.
    switch (tamper.damage) {
        case Damage::BadStart:
            r[1] = '$';
            break;
        case Damage::BadEnd:
            r[12 + p] = '+';
            break;
        case Damage::BadCrc:
            r[10 + p] ^= 0xFF;
            break;
        case Damage::ShortReport:
            *got = std::min(*got, length - 1);
            break;
        default:
            break;
    }
    std::copy(r.begin(), r.end(), buf);
}

}  // namespace veldrant::faults
