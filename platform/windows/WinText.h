// UTF-8 and UTF-16 for the wide-character Windows API, and Windows errors in the C library's
// words (so that messages read the same on both platforms).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace veldrant::platform::win {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);
// The errno value closest to a Windows error code (EIO when none fits).
int ErrnoFor(DWORD error);
// strerror of ErrnoFor(error).
std::string ErrorText(DWORD error);

// Owns one kernel handle (INVALID_HANDLE_VALUE and null both mean none).
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { Reset(); }
    Handle(Handle&& o) noexcept : h_(o.Release()) {}
    Handle& operator=(Handle&& o) noexcept {
        if (this != &o) {
            Reset();
            h_ = o.Release();
        }
        return *this;
    }
    HANDLE Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE Release() {
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h;
    }
    void Reset(HANDLE h = INVALID_HANDLE_VALUE) {
        if (*this)
            CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

}  // namespace veldrant::platform::win
