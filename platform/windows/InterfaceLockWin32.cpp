#include "platform/windows/InterfaceLockWin32.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <future>
#include <thread>

#include "platform/windows/WinText.h"

namespace veldrant::platform::win {

namespace {

// A mutex belongs to the thread that took it, and a lock may be given back on another thread
// (a removal closes the link on the notice thread): a thread of the lock's own takes it, waits
// for the word to give it back, and gives it back. A program that ends without giving it back
// leaves it abandoned, which the next taker counts as free.
class MutexLock : public IInterfaceLock {
public:
    // Starts the thread and waits for its attempt; Taken() tells the outcome.
    explicit MutexLock(std::wstring name) : release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        std::promise<int> attempt;
        std::future<int> outcome = attempt.get_future();
        thread_ = std::thread([this, name = std::move(name), &attempt] {
            Handle mutex(CreateMutexW(nullptr, FALSE, name.c_str()));
            if (!mutex && GetLastError() == ERROR_ACCESS_DENIED) {
                // A session without the right to the global name still keeps its own
                // programs apart.
                std::wstring local = L"Local\\" + name.substr(name.find(L'\\') + 1);
                mutex = Handle(CreateMutexW(nullptr, FALSE, local.c_str()));
            }
            if (!mutex) {
                attempt.set_value(kNothing);
                return;
            }
            DWORD w = WaitForSingleObject(mutex.Get(), 0);
            if (w != WAIT_OBJECT_0 && w != WAIT_ABANDONED) {
                attempt.set_value(kBusy);
                return;
            }
            attempt.set_value(kTaken);
            WaitForSingleObject(release_.Get(), INFINITE);
            ReleaseMutex(mutex.Get());
        });
        state_ = outcome.get();
    }
    ~MutexLock() override {
        SetEvent(release_.Get());
        thread_.join();
    }
    bool Busy() const { return state_ == kBusy; }

private:
    static constexpr int kTaken = 0, kBusy = 1, kNothing = 2;
    Handle release_;
    std::thread thread_;
    int state_ = kNothing;
};

}  // namespace

std::wstring InterfaceMutexName(const std::string& path) {
    // FNV-1a over the path in lower case: device paths may hold '\', which a name may not.
    uint64_t hash = 14695981039346656037ull;
    for (char c : path) {
        hash ^= uint8_t(std::tolower(static_cast<unsigned char>(c)));
        hash *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof(hex), "%016llx", static_cast<unsigned long long>(hash));
    return L"Global\\veldrant-watch-" + Wide(hex);
}

std::unique_ptr<IInterfaceLock> LockInterfaceMutex(const std::string& path, long* holder) {
    if (holder)
        *holder = 0;
    auto lock = std::make_unique<MutexLock>(InterfaceMutexName(path));
    if (lock->Busy())
        return nullptr;
    return lock;
}

}  // namespace veldrant::platform::win
