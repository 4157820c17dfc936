#include <stdlib.h>
#include <time.h>
#include <windows.h>

#include <string>

#include "tests/support/Environment.h"

namespace veldrant::testing {

namespace {

// The tests give names and values in UTF-8 (a Japanese path); the narrow call would take them in
// the ANSI code page.
std::wstring Wide(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

}  // namespace

void SetEnvironment(const std::string& name, const std::string& value) {
    _wputenv_s(Wide(name).c_str(), Wide(value).c_str());
}

// An empty value removes the variable.
void UnsetEnvironment(const std::string& name) {
    _wputenv_s(Wide(name).c_str(), L"");
}

void ReadTimeZone() {
    _tzset();
}

}  // namespace veldrant::testing
