// The "hidraw" transport: the kernel's hidraw nodes, found and watched through libudev.
#pragma once

#include <memory>

#include "platform/HidTransport.h"

namespace veldrant::platform {

std::shared_ptr<IHidTransport> MakeHidrawTransport();

}  // namespace veldrant::platform
