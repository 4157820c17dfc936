// Writing a user's file so that a failed, refused or interrupted job never destroys or changes
// the file that was there: the bytes go to a temporary file in the target's folder, which is
// renamed over the target only when the job commits; on failure, abandonment or interruption
// only the temporary file is removed. A new file gets the permissions of a newly created file
// (0666 less the umask on Linux), never the private ones of a temporary file; a file that is
// replaced keeps its own, as it did when it was rewritten in place. A file the user may not write
// (no write permission on Linux, the read-only attribute on Windows) is refused before anything is
// written. Paths are UTF-8.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace veldrant::platform {

// What is at a path, as far as writing there is concerned.
enum class PathKind { Missing, File, Folder, Device, Fifo, Socket, Other };
PathKind KindOfPath(const std::string& path);
// True when `path` is a file that the user may not write: without write permission for this
// process (for root, without any write bit) on Linux, with the read-only attribute on Windows.
bool IsReadOnlyFile(const std::string& path);
// "a folder", "a device", "a FIFO", "a socket", "not a regular file"; "" for Missing and File.
std::string KindWords(PathKind kind);

// "" when a file may be written at `path` (nothing there, or a regular file that is not
// read-only, also through a link); otherwise why not, naming the path: "'/dev/full' is a device,
// not a file".
std::string CheckOutputFile(const std::string& path);
// "" when `path` is a folder or does not exist yet; otherwise why it cannot be one:
// "'/dev/full' exists and is not a folder (it is a device)".
std::string CheckOutputFolder(const std::string& path);
// Creates `path` and its missing parents as folders; false with the reason in *error.
bool MakeOutputFolder(const std::string& path, std::string* error);

// `path` with ".TAG" (n = 1) or ".TAG-n" put before its extension: "keep.csv", "partial", 2 give
// "keep.partial-2.csv".
std::string AsideName(const std::string& path, const std::string& tag, int n);

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
    bool Commit();
    // Puts the temporary file beside the target under the first free name of
    // "NAME.TAG.EXT", "NAME.TAG-2.EXT", "NAME.TAG-3.EXT", ...: the target, and any file of those
    // names, stays as it was. False as Commit.
    bool CommitAside(const std::string& tag);
    // Removes the temporary file; the target stays as it was. Idempotent.
    virtual void Abandon() = 0;

    const std::string& Target() const { return target_; }
    // Where the file was put once committed: the target, or the name CommitAside chose.
    const std::string& Placed() const { return placed_; }
    // True when a file was at the target when this output was created.
    bool Replaces() const { return replaces_; }
    const std::string& TempPath() const { return temp_; }
    // Why the output failed, naming the target ("" while nothing failed).
    const std::string& Error() const { return error_; }
    bool Committed() const { return committed_; }

protected:
    SafeOutput(std::string target, std::string temp, bool replaces)
        : target_(std::move(target)), temp_(std::move(temp)), replaces_(replaces) {}

    enum class Placing { Done, Taken, Failed };
    // Puts the temporary file at `path`, a name in its own folder. With `replace` a file there is
    // replaced; without, a name already taken gives Taken and the output stays pending. Failed
    // abandons the output with Error() set.
    virtual Placing Place(const std::string& path, bool replace) = 0;
    // The path whose folder holds the temporary file: the target, or the file a link points to.
    virtual const std::string& Beside() const = 0;

    std::string target_;
    std::string temp_;
    std::string placed_;
    std::string error_;
    bool replaces_ = false;
    bool committed_ = false;
};

// Removes every temporary file still pending in this process. Safe to call from a signal
// handler: the last thing a process does when it is made to stop at once.
void RemovePendingOutputs();

}  // namespace veldrant::platform
