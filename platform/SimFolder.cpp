// Listing the simulated watches' folder, the same on every platform.
#include "platform/SimFolder.h"

#include <algorithm>
#include <filesystem>

#include "platform/File.h"
#include "platform/SimProtocol.h"

namespace veldrant::platform {

bool IsSimInterfaceName(const std::string& name) {
    return name.size() > kSimSocketSuffix.size() && name.front() != '.' &&
           name.compare(name.size() - kSimSocketSuffix.size(), kSimSocketSuffix.size(),
                        kSimSocketSuffix) == 0;
}

std::string SimAbsolute(const std::string& dir) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(Utf8Path(dir), ec);
    return ec ? dir : PathUtf8(p.lexically_normal());
}

std::vector<std::string> ListSimFolder(const std::string& dir,
                                       const std::function<bool(const std::string&)>& isInterface) {
    std::vector<std::string> names;
    std::error_code ec;
    std::filesystem::directory_iterator it(Utf8Path(dir), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::string name = PathUtf8(it->path().filename());
        if (IsSimInterfaceName(name) && isInterface(dir + "/" + name))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());  // char_traits<char> compares as unsigned bytes
    for (std::string& name : names)
        name = dir + "/" + name;
    return names;
}

}  // namespace veldrant::platform
