// The "sim" transport: simulated watches on Unix sockets (protocol in platform/SimProtocol.h).
#pragma once

#include <memory>
#include <string>

#include "platform/HidTransport.h"

namespace veldrant::platform {

// `directory` empty: SimDirectory(), looked up again at each listing (tests change it).
std::shared_ptr<IHidTransport> MakeSimTransport(std::string directory = {});

}  // namespace veldrant::platform
