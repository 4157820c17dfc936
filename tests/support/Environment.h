// Setting and removing environment variables in tests, on every platform.
#pragma once

#include <string>

namespace veldrant::testing {

void SetEnvironment(const std::string& name, const std::string& value);
void UnsetEnvironment(const std::string& name);
// Makes the C library read TZ again.
void ReadTimeZone();

}  // namespace veldrant::testing
