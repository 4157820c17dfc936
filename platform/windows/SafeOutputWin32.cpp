// SafeOutput on Windows: a temporary file created with CREATE_NEW beside the target, then
// MoveFileExW(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) over it. Paths are UTF-8 and go
// to the wide-character calls. Links are not followed: the name itself is replaced.
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <random>
#include <set>

#include "platform/File.h"
#include "platform/SafeOutput.h"
#include "platform/windows/WinText.h"

namespace veldrant::platform {
namespace {

// The temporary files still pending; RemovePendingOutputs runs on the console's control thread,
// where a lock is allowed.
std::mutex g_pendingMutex;
std::set<std::wstring>& Pending() {
    static std::set<std::wstring> pending;
    return pending;
}

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

size_t LastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

std::string FolderOf(const std::string& path) {
    size_t slash = LastSeparator(path);
    if (slash == std::string::npos)
        return ".";
    if (slash == 0 || (slash == 2 && path[1] == ':'))
        return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    size_t slash = LastSeparator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string CreateFailure(const std::string& target, DWORD err) {
    if (err == ERROR_PATH_NOT_FOUND || err == ERROR_FILE_NOT_FOUND || err == ERROR_DIRECTORY) {
        const std::string folder = FolderOf(target);
        if (KindOfPath(folder) == PathKind::Missing)
            return "cannot create " + Quoted(target) + ": the folder " + Quoted(folder) +
                   " does not exist";
        if (KindOfPath(folder) != PathKind::Folder)
            return "cannot create " + Quoted(target) + ": " + Quoted(folder) + " is not a folder";
    }
    return "cannot create " + Quoted(target) + ": " + win::ErrorText(err);
}

class WindowsSafeOutput final : public SafeOutput {
public:
    WindowsSafeOutput(std::string target, std::string temp, HANDLE h, bool replaces)
        : SafeOutput(std::move(target), std::move(temp), replaces),
          wideTemp_(win::Wide(temp_)),
          h_(h) {
        std::lock_guard lock(g_pendingMutex);
        Pending().insert(wideTemp_);
    }
    ~WindowsSafeOutput() override { Abandon(); }

    bool Write(std::string_view bytes) override {
        if (!h_ || !error_.empty()) {
            if (error_.empty())
                error_ = "cannot write " + Quoted(target_) + ": the file is closed";
            return false;
        }
        const char* p = bytes.data();
        size_t left = bytes.size();
        while (left > 0) {
            DWORD chunk = DWORD(std::min<size_t>(left, 1u << 30));
            DWORD wrote = 0;
            if (!WriteFile(h_.Get(), p, chunk, &wrote, nullptr) || wrote == 0) {
                Fail(wrote == 0 && GetLastError() == ERROR_SUCCESS ? ERROR_DISK_FULL
                                                                   : GetLastError());
                return false;
            }
            p += wrote;
            left -= wrote;
        }
        return true;
    }

    void HandOver() override { CloseFile(); }

    void Abandon() override {
        CloseFile();
        if (!done_) {
            DeleteFileW(wideTemp_.c_str());
            Forget();
            done_ = true;
        }
    }

protected:
    const std::string& Beside() const override { return target_; }

    Placing Place(const std::string& path, bool replace) override {
        if (committed_)
            return Placing::Done;
        if (done_) {
            if (error_.empty())
                error_ = "cannot write " + Quoted(target_) + ": the output was abandoned";
            return Placing::Failed;
        }
        // Replacing a file the user had: its new contents must be on disk before the name
        // points at them.
        if (error_.empty() && h_ && replace && replaces_ && !FlushFileBuffers(h_.Get()))
            Fail(GetLastError());
        CloseFile();
        if (error_.empty() && replace) {
            if (std::string why = CheckOutputFile(path); !why.empty())
                error_ = why;
        }
        if (error_.empty() &&
            !MoveFileExW(wideTemp_.c_str(), win::Wide(path).c_str(),
                         MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0))) {
            const DWORD err = GetLastError();
            if (!replace && (err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS))
                return Placing::Taken;
            Fail(err);
        }
        if (!error_.empty()) {
            Abandon();
            return Placing::Failed;
        }
        Forget();
        done_ = true;
        committed_ = true;
        placed_ = path;
        return Placing::Done;
    }

private:
    void Fail(DWORD err) {
        if (error_.empty())
            error_ = "cannot write " + Quoted(target_) + ": " + win::ErrorText(err);
    }
    void CloseFile() {
        if (h_ && !CloseHandle(h_.Release()))
            Fail(GetLastError());
        h_ = win::Handle();
    }
    void Forget() {
        std::lock_guard lock(g_pendingMutex);
        Pending().erase(wideTemp_);
    }

    std::wstring wideTemp_;
    win::Handle h_;
    bool done_ = false;
};

}  // namespace

PathKind KindOfPath(const std::string& path) {
    if (path.empty())
        return PathKind::Missing;
    std::wstring wide = win::Wide(path);
    DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return PathKind::Folder;
    // Devices (NUL, COM1, \\.\...) and pipes answer an open; what they are tells the type.
    win::Handle h(CreateFileW(wide.c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!h)
        return attributes == INVALID_FILE_ATTRIBUTES ? PathKind::Missing : PathKind::File;
    switch (GetFileType(h.Get())) {
        case FILE_TYPE_DISK:
            return PathKind::File;
        case FILE_TYPE_CHAR:
            return PathKind::Device;
        case FILE_TYPE_PIPE:
            return PathKind::Fifo;
        default:
            return PathKind::Other;
    }
}

bool IsReadOnlyFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(win::Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           (attributes & FILE_ATTRIBUTE_READONLY);
}

bool MakeOutputFolder(const std::string& path, std::string* error) {
    if (std::string why = CheckOutputFolder(path); !why.empty()) {
        if (error)
            *error = why;
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(Utf8Path(path), ec);
    if (ec || KindOfPath(path) != PathKind::Folder) {
        if (error)
            *error = "cannot create the folder " + Quoted(path) + ": " +
                     (ec ? win::ErrorText(DWORD(ec.value())) : std::string("it is not a folder"));
        return false;
    }
    return true;
}

std::unique_ptr<SafeOutput> SafeOutput::Create(const std::string& target, std::string* error) {
    auto fail = [error](std::string why) -> std::unique_ptr<SafeOutput> {
        if (error)
            *error = std::move(why);
        return nullptr;
    };
    if (std::string why = CheckOutputFile(target); !why.empty())
        return fail(why);
    if (!target.empty() && (target.back() == '/' || target.back() == '\\')) {
        // The name of a folder: one that does not exist is said so.
        const size_t end = target.find_last_not_of("/\\");
        if (end != std::string::npos && KindOfPath(target.substr(0, end + 1)) == PathKind::Missing)
            return fail("the folder " + Quoted(target) + " does not exist");
        return fail(Quoted(target) + " names a folder, not a file");
    }
    const bool replaces = KindOfPath(target) == PathKind::File;
    // ".NAME.XXXXXX.part" beside the file; long names are cut to stay within the name limit.
    std::string name = NameOf(target).substr(0, 200);
    std::string folder = FolderOf(target);
    std::string lead = folder.back() == '/' || folder.back() == '\\' ? folder : folder + "/";
    std::random_device seed;
    std::mt19937 rng(seed() ^ static_cast<unsigned>(GetCurrentProcessId()));
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%06x.part",
                      static_cast<unsigned>(rng() & 0xFFFFFFu));
        std::string temp = lead + "." + name + suffix;
        HANDLE h = CreateFileW(win::Wide(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            return std::unique_ptr<SafeOutput>(new WindowsSafeOutput(target, temp, h, replaces));
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return fail(CreateFailure(target, GetLastError()));
    }
    return fail("cannot create " + Quoted(target) + ": no free temporary name beside it");
}

void RemovePendingOutputs() {
    std::lock_guard lock(g_pendingMutex);
    for (const std::wstring& path : Pending())
        DeleteFileW(path.c_str());
}

}  // namespace veldrant::platform
