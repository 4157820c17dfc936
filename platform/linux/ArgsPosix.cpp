// Arguments are bytes on Linux and a terminal shows UTF-8 under a UTF-8 locale.
#include "platform/Args.h"

namespace veldrant::platform {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    if (argc < 1)
        return {};
    return std::vector<std::string>(argv + 1, argv + argc);
}

void UseUtf8Console() {}

}  // namespace veldrant::platform
