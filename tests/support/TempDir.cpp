#include "tests/support/TempDir.h"

#include <filesystem>
#include <random>
#include <stdexcept>

#include "platform/File.h"

namespace veldrant::testing {

// Under $TMPDIR (or /tmp) on Linux, the user's temporary folder on Windows.
TempDir::TempDir() {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec)
        base = "/tmp";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::filesystem::path dir = base / ("veldrant-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(dir, ec) && !ec) {
            std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ec);
            path_ = platform::PathUtf8(dir);
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary directory under " + platform::PathUtf8(base));
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(platform::Utf8Path(path_), ec);
}

}  // namespace veldrant::testing
