// Zip archives opened by UTF-8 paths through minizip, with the platform's own file functions
// (wide-character paths on Windows). The handles are minizip's unzFile and zipFile.
#pragma once

#include <string>

namespace veldrant::platform {

// An archive opened for reading (unzFile), or nullptr.
void* OpenUnzipFile(const std::string& path);
// A new archive created for writing, replacing a file of that name (zipFile), or nullptr.
void* CreateZipFile(const std::string& path);

}  // namespace veldrant::platform
