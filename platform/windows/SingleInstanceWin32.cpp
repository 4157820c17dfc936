// The named mutex of the program's name ("Kestrune GOLF"): the first copy creates it, a later
// copy finds ERROR_ALREADY_EXISTS. Windows drops the mutex with the process that held it.
#include "platform/SingleInstance.h"
#include "platform/windows/WinText.h"

namespace veldrant::platform {

struct CSingleInstance::Impl {
    win::Handle mutex;
};

CSingleInstance::CSingleInstance(const std::string& name) : impl_(std::make_unique<Impl>()) {
    where_ = name;
    HANDLE h = CreateMutexW(nullptr, FALSE, win::Wide(name).c_str());
    DWORD error = GetLastError();
    if (!h)
        return;  // e.g. the name is taken by another kind of object
    if (error == ERROR_ALREADY_EXISTS) {
        CloseHandle(h);
        state_ = InstanceState::AlreadyRunning;
        return;
    }
    impl_->mutex.Reset(h);
    state_ = InstanceState::First;
}

CSingleInstance::~CSingleInstance() = default;

}  // namespace veldrant::platform
