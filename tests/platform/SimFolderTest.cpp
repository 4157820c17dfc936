// The simulated watches' folder as both transports list it.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/File.h"
#include "platform/SimFolder.h"
#include "tests/support/TempDir.h"

namespace veldrant::platform {
namespace {

TEST(SimFolder, ListsTheVisibleHidEntriesThePlatformTakesInByteOrder) {
    testing::TempDir dir;
    for (const char* name : {"b.hid", "a.hid", "日本.hid", "Z.hid", ".hidden.hid", ".hid", "x.txt",
                             "x.hid.txt", "refused.hid"})
        std::ofstream(Utf8Path(dir.File(name))) << "x";
    std::filesystem::create_directory(Utf8Path(dir.File("folder.hid")));
    std::vector<std::string> asked;
    const auto listed = ListSimFolder(dir.Path(), [&](const std::string& path) {
        asked.push_back(path);
        return path.find("refused") == std::string::npos &&
               std::filesystem::is_regular_file(Utf8Path(path));
    });
    EXPECT_EQ(listed, (std::vector<std::string>{dir.File("Z.hid"), dir.File("a.hid"),
                                                dir.File("b.hid"), dir.File("日本.hid")}));
    EXPECT_EQ(asked.size(), 6u);  // only the visible .hid entries are looked at
    EXPECT_TRUE(
        ListSimFolder(dir.File("missing"), [](const std::string&) { return true; }).empty());
}

}  // namespace
}  // namespace veldrant::platform
