#include <stdlib.h>
#include <time.h>

#include "tests/support/Environment.h"

namespace veldrant::testing {

void SetEnvironment(const std::string& name, const std::string& value) {
    _putenv_s(name.c_str(), value.c_str());
}

// An empty value removes the variable.
void UnsetEnvironment(const std::string& name) {
    _putenv_s(name.c_str(), "");
}

void ReadTimeZone() {
    _tzset();
}

}  // namespace veldrant::testing
