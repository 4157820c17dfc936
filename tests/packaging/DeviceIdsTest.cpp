// SPDX-License-Identifier: MIT
// The udev rule and the AppStream metainfo name exactly the four watch models of the device
// table: a model missing from the rule cannot be opened by the user, one missing from the
// metainfo is never offered by a software centre.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "devicelink/DeviceIdentity.h"
#include "tests/support/Files.h"

namespace {

using veldrant::testing::ReadAll;

const char* const kRules = VELDRANT_SOURCE_DIR "/platform/linux/70-veldrant.rules";
const char* const kMetainfo =
    VELDRANT_BINARY_DIR "/packaging/linux/io.github.veldrant.Veldrant.metainfo.xml";

TEST(PackageDeviceIds, MetainfoOffersVeldrantForEachModelAndNoOther) {
    // The real watches' USB ids, with the release that tells the first two models apart.
    const std::set<std::string> expected = {
        "usb:v10C4p8A3Bd0001*",
        "usb:v10C4p8A3Bd0002*",
        "usb:v10C4p8ADBd0001*",
        "usb:v0483pA1D9d0001*",
    };
    const std::string xml = ReadAll(kMetainfo);
    ASSERT_FALSE(xml.empty()) << kMetainfo;
    std::multiset<std::string> found;
    const std::regex modalias("<modalias>([^<]*)</modalias>");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), modalias);
         it != std::sregex_iterator(); ++it)
        found.insert((*it)[1]);
    EXPECT_EQ(std::set<std::string>(found.begin(), found.end()), expected);
    EXPECT_EQ(found.size(), expected.size()) << "a modalias listed twice";
    EXPECT_EQ(xml.find('@'), std::string::npos) << "a placeholder left in the metainfo";
    EXPECT_NE(xml.find("<release version=\"" VELDRANT_VERSION "\""), std::string::npos);
}

TEST(PackageDeviceIds, UdevRuleGrantsEveryModelOfTheTable) {
    std::istringstream rules(ReadAll(kRules));
    const std::regex rule(R"re(^KERNEL=="hidraw\*", ATTRS\{idVendor\}=="([0-9a-f]{4})", )re"
                          R"re(ATTRS\{idProduct\}=="([0-9a-f]{4})", TAG\+="uaccess"$)re");
    std::set<std::pair<unsigned, unsigned>> granted;
    std::string line;
    int ruleLines = 0;
    while (std::getline(rules, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        ++ruleLines;
        std::smatch m;
        ASSERT_TRUE(std::regex_match(line, m, rule)) << "unexpected rule: " << line;
        granted.insert({std::stoul(m[1], nullptr, 16), std::stoul(m[2], nullptr, 16)});
    }
    std::set<std::pair<unsigned, unsigned>> models;
    for (const veldrant::DeviceIdentity& id : veldrant::g_DeviceTable)
        models.insert({id.wVendorId, id.wProductId});
    EXPECT_EQ(granted, models);
    EXPECT_EQ(ruleLines, int(models.size())) << "a rule listed twice";
}

}  // namespace
