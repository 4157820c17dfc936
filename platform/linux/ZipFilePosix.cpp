// minizip's default 64-bit file functions: paths are bytes, UTF-8 passes as it is.
#include <minizip/unzip.h>
#include <minizip/zip.h>

#include "platform/ZipFile.h"

namespace veldrant::platform {

void* OpenUnzipFile(const std::string& path) {
    return unzOpen64(path.c_str());
}

void* CreateZipFile(const std::string& path) {
    return zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
}

}  // namespace veldrant::platform
