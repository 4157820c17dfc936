#include "cli/OutputFiles.h"

#include <cstdio>
#include <memory>

#include "platform/SafeOutput.h"

namespace veldrant::cli {

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
    std::string error;
    std::unique_ptr<platform::SafeOutput> out = platform::SafeOutput::Create(path, &error);
    if (out && out->Write(bytes) && out->Commit())
        return true;
    std::fprintf(stderr, "veldrant-cli: %s\n", out ? out->Error().c_str() : error.c_str());
    return false;
}

bool MakeOutputFolderOrSay(const std::string& dir) {
    std::string error;
    if (platform::MakeOutputFolder(dir, &error))
        return true;
    std::fprintf(stderr, "veldrant-cli: %s\n", error.c_str());
    return false;
}

}  // namespace veldrant::cli
