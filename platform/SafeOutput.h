// Writing a user's file so that a failed, refused or interrupted job never destroys or changes
// the file that was there: the bytes go to a temporary file in the target's folder, which is
// renamed over the target only when the job commits; on failure, abandonment or interruption
// only the temporary file is removed. A new file gets the permissions of a newly created file
// (0666 less the umask on Linux), never the private ones of a temporary file; a file that is
// replaced keeps its own, as it did when it was rewritten in place. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace veldrant::platform {

// What is at a path, as far as writing there is concerned.
enum class PathKind { Missing, File, Folder, Device, Fifo, Socket, Other };
PathKind KindOfPath(const std::string& path);
// "a folder", "a device", "a FIFO", "a socket", "not a regular file"; "" for Missing and File.
std::string KindWords(PathKind kind);

// "" when a file may be written at `path` (nothing there, or a regular file, also through a
// link); otherwise why not, naming the path: "'/dev/full' is a device, not a file".
std::string CheckOutputFile(const std::string& path);
// "" when `path` is a folder or does not exist yet; otherwise why it cannot be one:
// "'/dev/full' exists and is not a folder (it is a device)".
std::string CheckOutputFolder(const std::string& path);
// Creates `path` and its missing parents as folders; false with the reason in *error.
bool MakeOutputFolder(const std::string& path, std::string* error);

class SafeOutput {
public:
    // Refuses a target that is not a regular file before anything is written, then creates the
    // temporary file beside it. nullptr with the reason in *error.
    static std::unique_ptr<SafeOutput> Create(const std::string& target, std::string* error);
    // Abandons the temporary file unless Commit succeeded.
    virtual ~SafeOutput() = default;
    SafeOutput(const SafeOutput&) = delete;
    SafeOutput& operator=(const SafeOutput&) = delete;

    // Appends bytes to the temporary file. False (with Error()) once anything failed.
    virtual bool Write(std::string_view bytes) = 0;
    // For a library that writes by name (zip, PNG): closes this object's own handle, so that the
    // library may open TempPath() itself and replace its contents. Write is refused afterwards.
    virtual void HandOver() = 0;
    // Puts the temporary file in place of the target. False (with Error(); the target as it was,
    // the temporary file removed) when it could not be completed.
    virtual bool Commit() = 0;
    // Removes the temporary file; the target stays as it was. Idempotent.
    virtual void Abandon() = 0;

    const std::string& Target() const { return target_; }
    const std::string& TempPath() const { return temp_; }
    // Why the output failed, naming the target ("" while nothing failed).
    const std::string& Error() const { return error_; }
    bool Committed() const { return committed_; }

protected:
    SafeOutput(std::string target, std::string temp)
        : target_(std::move(target)), temp_(std::move(temp)) {}
    std::string target_;
    std::string temp_;
    std::string error_;
    bool committed_ = false;
};

// Removes every temporary file still pending in this process. Safe to call from a signal
// handler: the last thing a process does when it is made to stop at once.
void RemovePendingOutputs();

}  // namespace veldrant::platform
