// Reading back what a test made a program or an operation write.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace veldrant::testing {

// The whole file as bytes; empty when it cannot be read.
inline std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace veldrant::testing
