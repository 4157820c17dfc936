// Writing the package's zip archive through minizip's zip API.
#include <minizip/zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "course/PackageWriter.h"

namespace veldrant::course {

namespace {

bool WriteMember(zipFile zf, const ZipMember& m, std::string& error) {
    zip_fileinfo info;
    std::memset(&info, 0, sizeof info);
    if (zipOpenNewFileInZip(zf, m.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                            Z_DEFAULT_COMPRESSION) != ZIP_OK) {
        error = "cannot add " + m.name + " to the archive";
        return false;
    }
    size_t done = 0;
    bool ok = true;
    while (ok && done < m.bytes.size()) {
        const size_t chunk = std::min<size_t>(m.bytes.size() - done, 1u << 20);
        ok = zipWriteInFileInZip(zf, m.bytes.data() + done, static_cast<unsigned>(chunk)) == ZIP_OK;
        done += chunk;
    }
    if (zipCloseFileInZip(zf) != ZIP_OK || !ok) {
        error = "cannot write " + m.name + " into the archive";
        return false;
    }
    return true;
}

}  // namespace

bool WriteZip(const std::string& path, const std::vector<ZipMember>& members, std::string& error) {
    zipFile zf = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    if (!zf) {
        error = "cannot create '" + path + "': " + std::strerror(errno);
        return false;
    }
    bool ok = true;
    for (const ZipMember& m : members) {
        if (!WriteMember(zf, m, error)) {
            ok = false;
            break;
        }
    }
    if (zipClose(zf, nullptr) != ZIP_OK && ok) {
        error = "cannot finish writing '" + path + "'";
        ok = false;
    }
    if (!ok) {
        std::remove(path.c_str());  // a half-written archive is no package
    }
    return ok;
}

}  // namespace veldrant::course
