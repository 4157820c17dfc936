// The device side of the Windows carrier (see SimPipe.h): one pipe instance always listens;
// when a host connects, the next instance is made before the connection is handed out.
#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/File.h"
#include "platform/SimCarrier.h"
#include "platform/windows/Overlapped.h"
#include "platform/windows/SimPipe.h"

namespace veldrant::platform {

namespace {

using win::Handle;

constexpr DWORD kPipeBuffer = 64 * 1024;

class PipeConnection : public ISimConnection {
public:
    explicit PipeConnection(Handle pipe)
        : pipe_(std::move(pipe)), shutdown_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~PipeConnection() override { DisconnectNamedPipe(pipe_.Get()); }

    std::optional<size_t> Receive(std::span<uint8_t> buffer) override {
        win::Transfer t =
            win::OverlappedTransfer(pipe_.Get(), false, buffer.data(), DWORD(buffer.size()),
                                    shutdown_.Get(), std::chrono::milliseconds(-1));
        if (t.result != IoResult::Ok)
            return std::nullopt;
        if (t.error != ERROR_MORE_DATA)
            return size_t(t.bytes);
        // Longer than the buffer: the rest of the message is read and dropped, and its real
        // length is told, as a packet socket tells it.
        size_t total = t.bytes;
        std::vector<uint8_t> rest(kPipeBuffer);
        for (;;) {
            win::Transfer more =
                win::OverlappedTransfer(pipe_.Get(), false, rest.data(), DWORD(rest.size()),
                                        shutdown_.Get(), std::chrono::milliseconds(-1));
            if (more.result != IoResult::Ok)
                return std::nullopt;
            total += more.bytes;
            if (more.error != ERROR_MORE_DATA)
                return total;
        }
    }

    bool Send(const uint8_t* data, size_t len) override {
        win::Transfer t =
            win::OverlappedTransfer(pipe_.Get(), true, const_cast<uint8_t*>(data), DWORD(len),
                                    shutdown_.Get(), std::chrono::milliseconds(-1));
        return t.result == IoResult::Ok && t.bytes == len;
    }

    void Shutdown() override { SetEvent(shutdown_.Get()); }

private:
    Handle pipe_;
    Handle shutdown_;
};

HANDLE MakeInstance(const std::wstring& pipeName, bool first) {
    DWORD open =
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0);
    return CreateNamedPipeW(
        pipeName.c_str(), open,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
        PIPE_UNLIMITED_INSTANCES, kPipeBuffer, kPipeBuffer, 0, nullptr);
}

class PipeListener : public ISimListener {
public:
    PipeListener(std::wstring pipeName, Handle first, std::string path)
        : pipeName_(std::move(pipeName)),
          listening_(std::move(first)),
          path_(std::move(path)),
          stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~PipeListener() override { Withdraw(); }

    std::unique_ptr<ISimConnection> Accept() override {
        while (listening_ && WaitForSingleObject(stop_.Get(), 0) != WAIT_OBJECT_0) {
            Handle connected(CreateEventW(nullptr, TRUE, FALSE, nullptr));
            OVERLAPPED ov{};
            ov.hEvent = connected.Get();
            bool ready = false;
            if (ConnectNamedPipe(listening_.Get(), &ov)) {
                ready = true;
            } else if (GetLastError() == ERROR_PIPE_CONNECTED) {
                ready = true;
            } else if (GetLastError() == ERROR_IO_PENDING) {
                HANDLE events[2] = {connected.Get(), stop_.Get()};
                DWORD wait = WaitForMultipleObjects(2, events, FALSE, INFINITE);
                DWORD ignored = 0;
                if (wait != WAIT_OBJECT_0) {
                    CancelIoEx(listening_.Get(), &ov);
                    GetOverlappedResult(listening_.Get(), &ov, &ignored, TRUE);
                    break;
                }
                ready = GetOverlappedResult(listening_.Get(), &ov, &ignored, FALSE) != 0;
            }
            Handle next(MakeInstance(pipeName_, false));
            Handle taken = std::move(listening_);
            listening_ = std::move(next);
            if (ready)
                return std::make_unique<PipeConnection>(std::move(taken));
        }
        listening_.Reset();
        return nullptr;
    }

    void Withdraw() override {
        std::lock_guard lock(mutex_);
        if (withdrawn_)
            return;
        withdrawn_ = true;
        DeleteFileW(win::Wide(path_).c_str());
        SetEvent(stop_.Get());
    }

private:
    std::wstring pipeName_;
    Handle listening_;
    std::string path_;
    Handle stop_;
    std::mutex mutex_;
    bool withdrawn_ = false;
};

void Fail(std::string* error, const std::string& text) {
    if (error)
        *error = text;
}

// True when `path` names an interface that a live device serves: its pipe takes a connection.
bool Served(const std::string& path) {
    std::optional<std::wstring> pipe = win::ReadPipeName(path);
    if (!pipe)
        return false;
    if (!WaitNamedPipeW(pipe->c_str(), 100))
        return false;
    Handle probe(CreateFileW(pipe->c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             0, nullptr));
    return static_cast<bool>(probe);
}

}  // namespace

std::unique_ptr<ISimListener> ListenSim(const std::string& path, std::string* error) {
    std::filesystem::path p = Utf8Path(path);
    std::error_code ec;
    std::filesystem::create_directories(p.parent_path(), ec);
    if (ec) {
        Fail(error, "cannot create " + PathUtf8(p.parent_path()) + ": " + ec.message());
        return nullptr;
    }
    if (Served(path)) {
        Fail(error, path + " is served by another device already");
        return nullptr;
    }
    std::wstring pipeName = win::NewPipeName(PathUtf8(p.stem()));
    Handle first(MakeInstance(pipeName, true));
    if (!first) {
        Fail(error, "cannot serve " + path + ": " + win::ErrorText(GetLastError()));
        return nullptr;
    }
    // Written under a hidden name and renamed into place, so that the file appears only when
    // its pipe can be connected to.
    std::string temp = PathUtf8(p.parent_path() / ("." + PathUtf8(p.filename()) + "." +
                                                   std::to_string(GetCurrentProcessId())));
    std::string text = win::Utf8(pipeName);
    bool written = false;
    {
        Handle file(CreateFileW(win::Wide(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD wrote = 0;
        written = file && WriteFile(file.Get(), text.data(), DWORD(text.size()), &wrote, nullptr) &&
                  wrote == text.size();
    }
    if (!written ||
        !MoveFileExW(win::Wide(temp).c_str(), win::Wide(path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        std::string why = win::ErrorText(GetLastError());
        DeleteFileW(win::Wide(temp).c_str());
        Fail(error, "cannot serve " + path + ": " + why);
        return nullptr;
    }
    return std::make_unique<PipeListener>(std::move(pipeName), std::move(first), path);
}

}  // namespace veldrant::platform
