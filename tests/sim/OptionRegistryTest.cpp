// veldrant-sim's option parsing with options a service registered.
#include <gtest/gtest.h>

#include "sim/OptionRegistry.h"

namespace veldrant::sim {
namespace {

int g_marks = 0;
OptionRegistration marks({"--test-marks", "N", "mark sets",
                          [](SimConfig&, const std::string& v, std::string* error) {
                              long n;
                              if (!ParseNumber(v, 0, 100, &n)) {
                                  *error = "expected 0 to 100";
                                  return false;
                              }
                              g_marks = int(n);
                              return true;
                          }});

bool Parse(std::vector<std::string> words, SimConfig& config, std::string* error) {
    std::vector<char*> argv = {const_cast<char*>("veldrant-sim")};
    for (auto& w : words)
        argv.push_back(w.data());
    return ParseSimArgs(int(argv.size()), argv.data(), config, error);
}

TEST(SimOptions, RegisteredOptionsTakeSeparateOrInlineValues) {
    SimConfig c;
    std::string error;
    ASSERT_TRUE(Parse({"--test-marks", "7"}, c, &error)) << error;
    EXPECT_EQ(g_marks, 7);
    ASSERT_TRUE(Parse({"--test-marks=0x10", "-h"}, c, &error)) << error;
    EXPECT_EQ(g_marks, 16);
    EXPECT_TRUE(c.help);
    EXPECT_FALSE(Parse({"--test-marks", "200"}, c, &error));
    EXPECT_EQ(error, "--test-marks: expected 0 to 100");
    EXPECT_FALSE(Parse({"--test-marks"}, c, &error));
    EXPECT_FALSE(Parse({"--nope"}, c, &error));
    EXPECT_EQ(error, "unknown option '--nope'");
    EXPECT_NE(SimOptionsHelp().find("--test-marks N"), std::string::npos);
}

TEST(SimOptions, NumbersAreCheckedWhole) {
    long n;
    EXPECT_TRUE(ParseNumber("0x7B", 0, 255, &n));
    EXPECT_EQ(n, 0x7B);
    EXPECT_FALSE(ParseNumber("12abc", 0, 255, &n));
    EXPECT_FALSE(ParseNumber("", 0, 255, &n));
    EXPECT_FALSE(ParseNumber("256", 0, 255, &n));
}

}  // namespace
}  // namespace veldrant::sim
