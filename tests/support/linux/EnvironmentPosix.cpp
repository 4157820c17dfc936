#include <stdlib.h>
#include <time.h>

#include "tests/support/Environment.h"

namespace veldrant::testing {

void SetEnvironment(const std::string& name, const std::string& value) {
    ::setenv(name.c_str(), value.c_str(), 1);
}

void UnsetEnvironment(const std::string& name) {
    ::unsetenv(name.c_str());
}

void ReadTimeZone() {
    ::tzset();
}

}  // namespace veldrant::testing
