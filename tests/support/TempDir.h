// A fresh directory under $TMPDIR (or /tmp) for one test, removed with everything in it.
#pragma once

#include <string>

namespace veldrant::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    // The path of `name` in the directory.
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace veldrant::testing
