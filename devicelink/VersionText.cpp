#include "devicelink/VersionText.h"

#include <cstdio>

namespace veldrant {

std::string FirmwareVersionText(const uint8_t* b) {
    char text[96];
    if (b[10] == 0x7B) {
        std::snprintf(text, sizeof(text), "ファームウェアバージョン %d.%02d", int(b[9]), int(b[8]));
    } else {
        std::snprintf(text, sizeof(text), "ファームウェアバージョン %d.%02d.%03d", int(b[9]),
                      int(b[8]), int(b[10]));
    }
    return text;
}

}  // namespace veldrant
