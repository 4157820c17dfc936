// What may be written where, the same on every platform: the words for a path that is not a
// file or a folder, and the refusals of a target or output folder that exists as something else.
// Each platform's SafeOutput says what a path is (KindOfPath).
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

}  // namespace veldrant::platform
