// The "sim" transport on Windows: lists the <name>.hid files of the simulation directory that
// name a pipe (platform/SimFolder.h, SimPipe.h), greets their pipes, and notices files appearing
// and disappearing on a thread of its own, from the directory's change notices and a look at it
// at least every 200 ms.
#include <atomic>
#include <set>
#include <thread>

#include "platform/SimFolder.h"
#include "platform/SimProtocol.h"
#include "platform/SimTransport.h"
#include "platform/windows/InterfaceLockWin32.h"
#include "platform/windows/Overlapped.h"
#include "platform/windows/SimPipe.h"

namespace veldrant::platform {

namespace {

using win::Handle;

constexpr std::chrono::milliseconds kGreetTimeout{1000};
constexpr std::chrono::milliseconds kNoticePeriod{200};

// Files that name a pipe are interfaces; other files are not.
bool NamesPipe(const std::string& path) {
    return win::ReadPipeName(path).has_value();
}

OpenError OpenErrorFor(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_PIPE_BUSY:
            return OpenError::NotFound;
        case ERROR_ACCESS_DENIED:
            return OpenError::PermissionDenied;
        case ERROR_SHARING_VIOLATION:
            return OpenError::InUse;
        default:
            return OpenError::Other;
    }
}

class PipeDevice : public IHidDevice {
public:
    PipeDevice(Handle pipe, const SimHello& hello)
        : pipe_(std::move(pipe)),
          hello_(hello),
          cancel_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

    uint32_t InputReportLength() const override { return hello_.inputLength; }
    uint32_t OutputReportLength() const override { return hello_.outputLength; }

    IoResult Write(const uint8_t* data, size_t len, std::chrono::milliseconds timeout) override {
        if (cancelled_.load())
            return IoResult::Gone;
        win::Transfer t = win::OverlappedTransfer(pipe_.Get(), true, const_cast<uint8_t*>(data),
                                                  DWORD(len), cancel_.Get(), timeout);
        if (t.result == IoResult::Ok && t.bytes != len)
            return IoResult::Error;
        return cancelled_.load() ? IoResult::Gone : t.result;
    }

    IoResult Read(uint8_t* buf, size_t len, size_t* got,
                  std::chrono::milliseconds timeout) override {
        *got = 0;
        if (cancelled_.load())
            return IoResult::Gone;
        if (timeout.count() <= 0) {
            // Only a report that is already there.
            DWORD available = 0;
            if (!PeekNamedPipe(pipe_.Get(), nullptr, 0, nullptr, &available, nullptr))
                return win::ResultForError(GetLastError());
            if (available == 0)
                return IoResult::Timeout;
            timeout = std::chrono::milliseconds(1000);
        }
        win::Transfer t =
            win::OverlappedTransfer(pipe_.Get(), false, buf, DWORD(len), cancel_.Get(), timeout);
        if (cancelled_.load())
            return IoResult::Gone;
        if (t.result != IoResult::Ok)
            return t.result;
        *got = t.bytes;
        if (t.error == ERROR_MORE_DATA) {
            // A longer report: tell its real length and drop the rest of it.
            uint8_t rest[4096];
            for (;;) {
                win::Transfer more = win::OverlappedTransfer(pipe_.Get(), false, rest, sizeof rest,
                                                             cancel_.Get(), timeout);
                if (more.result != IoResult::Ok)
                    return more.result;
                *got += more.bytes;
                if (more.error != ERROR_MORE_DATA)
                    break;
            }
        }
        return IoResult::Ok;
    }

    void Cancel() override {
        cancelled_.store(true);
        SetEvent(cancel_.Get());
    }

private:
    Handle pipe_;
    SimHello hello_;
    Handle cancel_;
    std::atomic<bool> cancelled_{false};
};

// Connects to the pipe the file at `path` names and reads its hello.
std::optional<SimHello> ConnectAndGreet(const std::string& path, Handle* pipe, OpenError* error) {
    auto fail = [error](OpenError e) -> std::optional<SimHello> {
        if (error)
            *error = e;
        return std::nullopt;
    };
    std::optional<std::wstring> name = win::ReadPipeName(path);
    if (!name)
        return fail(GetFileAttributesW(win::Wide(path).c_str()) == INVALID_FILE_ATTRIBUTES
                        ? OpenError::NotFound
                        : OpenError::NotHid);
    Handle h;
    const auto deadline = std::chrono::steady_clock::now() + kGreetTimeout;
    for (;;) {
        h.Reset(CreateFileW(name->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED, nullptr));
        if (h)
            break;
        DWORD err = GetLastError();
        // Every instance taken for the moment: the device makes the next one at once.
        if (err != ERROR_PIPE_BUSY || std::chrono::steady_clock::now() >= deadline)
            return fail(OpenErrorFor(err));
        WaitNamedPipeW(name->c_str(), 50);
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    if (!SetNamedPipeHandleState(h.Get(), &mode, nullptr, nullptr))
        return fail(OpenError::Other);
    uint8_t packet[kSimHelloSize + 1];
    win::Transfer t =
        win::OverlappedTransfer(h.Get(), false, packet, sizeof packet, nullptr, kGreetTimeout);
    if (t.result != IoResult::Ok)
        return fail(OpenError::Other);
    std::optional<SimHello> hello =
        t.error == ERROR_MORE_DATA ? std::nullopt : DecodeSimHello(packet, t.bytes);
    if (!hello)
        return fail(OpenError::NotHid);
    if (error)
        *error = OpenError::None;
    if (pipe)
        *pipe = std::move(h);
    return hello;
}

class SimNotices : public INoticeSubscription {
public:
    // The directory's content is taken before this returns, so no change after it is missed.
    SimNotices(std::string dir, HidNoticeFn fn)
        : dir_(std::move(dir)),
          fn_(std::move(fn)),
          stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          changed_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        Watch();
        auto paths = ListSimFolder(dir_, NamesPipe);
        seen_ = std::set<std::string>(paths.begin(), paths.end());
        thread_ = std::thread([this] { Run(); });
    }
    ~SimNotices() override {
        SetEvent(stop_.Get());
        thread_.join();
    }

private:
    // Asks Windows for the directory's next name changes. A watch that is plugged in and pulled
    // out again between two looks at the directory is seen only this way; where the directory
    // cannot be watched (it does not exist yet), the looks alone tell.
    void Watch() {
        if (!folder_) {
            folder_.Reset(CreateFileW(win::Wide(dir_).c_str(), FILE_LIST_DIRECTORY,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
            if (!folder_)
                return;
        }
        ResetEvent(changed_.Get());
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = changed_.Get();
        watching_ = ReadDirectoryChangesW(folder_.Get(), changes_, sizeof changes_, FALSE,
                                          FILE_NOTIFY_CHANGE_FILE_NAME, nullptr, &overlapped_,
                                          nullptr) != 0;
        if (!watching_)
            folder_.Reset();
    }

    // The interfaces whose names went in the changes just read (none when there were more than
    // the buffer holds: then the look at the directory tells).
    std::vector<std::string> Gone(DWORD bytes) const {
        std::vector<std::string> gone;
        for (DWORD at = 0; bytes >= sizeof(FILE_NOTIFY_INFORMATION) && at < bytes;) {
            const auto* change = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(changes_ + at);
            std::string name = win::Utf8(
                std::wstring_view(change->FileName, change->FileNameLength / sizeof(WCHAR)));
            if ((change->Action == FILE_ACTION_REMOVED ||
                 change->Action == FILE_ACTION_RENAMED_OLD_NAME) &&
                IsSimInterfaceName(name))
                gone.push_back(dir_ + "/" + name);
            if (change->NextEntryOffset == 0)
                break;
            at += change->NextEntryOffset;
        }
        return gone;
    }

    void Run() {
        for (;;) {
            HANDLE events[2] = {stop_.Get(), changed_.Get()};
            DWORD w = WaitForMultipleObjects(watching_ ? 2 : 1, events, FALSE,
                                             DWORD(kNoticePeriod.count()));
            if (w == WAIT_OBJECT_0)
                break;
            std::vector<std::string> gone;
            if (w == WAIT_OBJECT_0 + 1) {
                DWORD bytes = 0;
                watching_ = false;
                if (GetOverlappedResult(folder_.Get(), &overlapped_, &bytes, FALSE))
                    gone = Gone(bytes);
                else
                    folder_.Reset();
            }
            if (!watching_)
                Watch();
            Tell(gone);
        }
        if (watching_) {
            DWORD ignored = 0;
            CancelIoEx(folder_.Get(), &overlapped_);
            GetOverlappedResult(folder_.Get(), &overlapped_, &ignored, TRUE);
        }
    }

    // Removals for the names that went (even of interfaces never seen here: one that came and
    // went between two looks may be the one the link opened) and for those no longer listed,
    // then arrivals for those listed anew or back again.
    void Tell(const std::vector<std::string>& gone) {
        auto list = ListSimFolder(dir_, NamesPipe);
        std::set<std::string> now(list.begin(), list.end());
        std::set<std::string> told;
        for (const std::string& path : gone)
            if (told.insert(path).second)
                fn_(HidNotice::Removal, path);
        for (const std::string& path : seen_)
            if (!now.count(path) && told.insert(path).second)
                fn_(HidNotice::Removal, path);
        for (const std::string& path : now)
            if (!seen_.count(path) || told.count(path))
                fn_(HidNotice::Arrival, path);
        seen_ = std::move(now);
    }

    std::string dir_;
    HidNoticeFn fn_;
    Handle stop_;
    Handle changed_;
    Handle folder_;
    OVERLAPPED overlapped_{};
    bool watching_ = false;
    alignas(DWORD) uint8_t changes_[4096];
    std::set<std::string> seen_;
    std::thread thread_;
};

class SimTransport : public IHidTransport {
public:
    explicit SimTransport(std::string dir) : fixedDir_(std::move(dir)) {}

    std::string Name() const override { return "sim"; }

    std::vector<std::string> ListInterfaces() override {
        return ListSimFolder(SimAbsolute(Directory()), NamesPipe);
    }

    std::optional<HidIds> ReadIds(const std::string& path, OpenError* error) override {
        std::optional<SimHello> hello = ConnectAndGreet(path, nullptr, error);
        if (!hello)
            return std::nullopt;
        return HidIds{hello->vendorId, hello->productId, hello->release};
    }

    std::unique_ptr<IHidDevice> Open(const std::string& path, OpenError* error) override {
        Handle pipe;
        std::optional<SimHello> hello = ConnectAndGreet(path, &pipe, error);
        if (!hello)
            return nullptr;
        return std::make_unique<PipeDevice>(std::move(pipe), *hello);
    }

    std::unique_ptr<INoticeSubscription> Subscribe(HidNoticeFn fn) override {
        return std::make_unique<SimNotices>(SimAbsolute(Directory()), std::move(fn));
    }

    std::unique_ptr<IInterfaceLock> Lock(const std::string& path, long* holder) override {
        return win::LockInterfaceMutex(path, holder);
    }

private:
    std::string Directory() const { return fixedDir_.empty() ? SimDirectory() : fixedDir_; }

    std::string fixedDir_;
};

}  // namespace

std::shared_ptr<IHidTransport> MakeSimTransport(std::string directory) {
    return std::make_shared<SimTransport>(std::move(directory));
}

}  // namespace veldrant::platform
