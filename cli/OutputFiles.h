// Files and folders a command writes, each failure said on standard error with its reason.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veldrant::cli {

// Writes `bytes` to `path` whole or not at all: a file of that name is replaced only once the
// new one is complete, and kept as it was on failure.
bool WriteWholeFile(const std::string& path, std::string_view bytes);

// Why `output` may not be written: "" unless it is the same file as one of `inputs` (by the
// file's identity, so that a link or another spelling of the path is caught too).
std::string OutputIsOneOf(const std::string& output, const std::vector<std::string>& inputs);

// The path made absolute and normal, as messages name a file; the path itself when it cannot be.
std::string AbsolutePath(const std::string& path);

// Makes the output folder and its missing parents; refuses a path that is something else.
bool MakeOutputFolderOrSay(const std::string& dir);

}  // namespace veldrant::cli
