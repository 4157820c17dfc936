// Opening a web address on Linux: xdg-open from the PATH, started and reaped; none to start is
// no association.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/WebBrowser.h"
#include "tests/app/WaitFor.h"
#include "tests/support/Environment.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

namespace veldrant::platform {
namespace {

// Opens the address with PATH set to `path`, then puts PATH back.
int OpenWithPath(const std::string& path, const std::string& target) {
    const std::string old = std::getenv("PATH") ? std::getenv("PATH") : "";
    testing::SetEnvironment("PATH", path);
    const int result = OpenWebAddress(target);
    testing::SetEnvironment("PATH", old);
    return result;
}

// This thread's children, running or unreaped.
std::string Children() {
    return testing::ReadAll("/proc/self/task/" + std::to_string(::gettid()) + "/children");
}

TEST(OpenWebAddress, XdgOpenStartedOnTheAddressAndReapedOrNoAssociation) {
    const struct {
        const char* what;
        const char* script;  // nullptr: no xdg-open on the PATH
        mode_t mode;
        int result;
    } cases[] = {
        {"started",
         "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"$0.part\" && /bin/mv \"$0.part\" \"$0.log\"\n",
         0755, kBrowserStarted},
        {"no xdg-open", nullptr, 0, kBrowserNoAssociation},
        {"xdg-open not executable", "#!/bin/sh\n", 0644, kBrowserNoAssociation},
    };
    const std::string target = "https://www.example.jp/a b?q=地点&x='y'";
    const std::string before = Children();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testing::TempDir temp;
        const std::string opener = temp.File("xdg-open");
        if (c.script) {
            std::ofstream(opener) << c.script;
            ASSERT_EQ(::chmod(opener.c_str(), c.mode), 0);
        }
        ASSERT_EQ(OpenWithPath(temp.Path(), target), c.result);
        if (c.result != kBrowserStarted)
            continue;
        ASSERT_TRUE(testing::WaitUntil([&] { return std::filesystem::exists(opener + ".log"); },
                                       std::chrono::minutes(1)));
        EXPECT_EQ(testing::ReadAll(opener + ".log"), "1\n" + target + "\n");
        // Once it ends it is reaped: no zombie stays behind.
        EXPECT_TRUE(
            testing::WaitUntil([&] { return Children() == before; }, std::chrono::minutes(1)));
    }
}

}  // namespace
}  // namespace veldrant::platform
