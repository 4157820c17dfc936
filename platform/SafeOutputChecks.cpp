// What may be written where, the same on every platform: the words for a path that is not a
// file or a folder, the refusals of a target or output folder that exists as something else or
// may not be written, and the names beside a target. Each platform's SafeOutput says what a path
// is (KindOfPath, IsReadOnlyFile) and puts its temporary file in place (Place).
#include "platform/File.h"
#include "platform/SafeOutput.h"

namespace veldrant::platform {

namespace {

std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

}  // namespace

std::string KindWords(PathKind kind) {
    switch (kind) {
        case PathKind::Missing:
        case PathKind::File:
            return "";
        case PathKind::Folder:
            return "a folder";
        case PathKind::Device:
            return "a device";
        case PathKind::Fifo:
            return "a FIFO";
        case PathKind::Socket:
            return "a socket";
        case PathKind::Other:
            break;
    }
    return "not a regular file";
}

std::string CheckOutputFile(const std::string& path) {
    if (path.empty())
        return "no file name was given";
    const PathKind kind = KindOfPath(path);
    if (kind == PathKind::File && IsReadOnlyFile(path))
        return Quoted(path) + " is read-only and was left as it was";
    if (kind == PathKind::Missing || kind == PathKind::File)
        return "";
    if (kind == PathKind::Other)
        return Quoted(path) + " is not a regular file";
    return Quoted(path) + " is " + KindWords(kind) + ", not a file";
}

std::string CheckOutputFolder(const std::string& path) {
    if (path.empty())
        return "no folder name was given";
    const PathKind kind = KindOfPath(path);
    if (kind == PathKind::Missing || kind == PathKind::Folder)
        return "";
    if (kind == PathKind::File)
        return Quoted(path) + " exists and is not a folder (it is a file)";
    return Quoted(path) + " exists and is not a folder (it is " + KindWords(kind) + ")";
}

std::string AsideName(const std::string& path, const std::string& tag, int n) {
    const std::filesystem::path p = Utf8Path(path);
    std::string name = PathUtf8(p.stem()) + "." + tag;
    if (n > 1)
        name += "-" + std::to_string(n);
    return PathUtf8(
        std::filesystem::path(p).replace_filename(Utf8Path(name + PathUtf8(p.extension()))));
}

bool SafeOutput::Commit() {
    return Place(Beside(), true) == Placing::Done;
}

bool SafeOutput::CommitAside(const std::string& tag) {
    // Far more names than anyone keeps beside one file; past them the output gives up.
    constexpr int kNames = 1000;
    for (int n = 1; n <= kNames; ++n) {
        switch (Place(AsideName(Beside(), tag, n), false)) {
            case Placing::Done:
                return true;
            case Placing::Failed:
                return false;
            case Placing::Taken:
                break;
        }
    }
    if (error_.empty())
        error_ = "cannot write beside " + Quoted(target_) + ": " +
                 Quoted(AsideName(Beside(), tag, 1)) + " and " + std::to_string(kNames - 1) +
                 " numbered names like it are taken";
    Abandon();
    return false;
}

}  // namespace veldrant::platform
