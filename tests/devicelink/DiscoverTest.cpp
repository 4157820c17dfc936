// Discovery over fake transports: which interface is opened, when identity is asked, what
// Close leaves behind.
#include <cstdio>
#include <cstring>

#include "tests/devicelink/LinkFixture.h"

namespace veldrant::testing {
namespace {

using platform::OpenError;

class DiscoverTest : public ::testing::Test {
protected:
    std::unique_ptr<CDeviceLink> Link(
        std::vector<std::shared_ptr<platform::IHidTransport>> transports = {}) {
        if (transports.empty())
            transports = {fake};
        auto link = std::make_unique<CDeviceLink>(transports, std::chrono::milliseconds(200));
        link->SetDiagnosticStream(nullptr);
        return link;
    }
    // An interface presenting `row` that answers through a watch of model `model`.
    FakeInterface Watch(const std::string& path, size_t row, size_t model, uint32_t len = 525) {
        auto watch =
            std::make_shared<sim::Watch>(sim::WatchOptions{.model = model, .reportLength = len});
        watches.push_back(watch);
        return {.path = path,
                .ids = IdsOfRow(row),
                .inputLength = len,
                .outputLength = len,
                .responder = WatchResponder(watch)};
    }
    std::shared_ptr<FakeTransport> fake = std::make_shared<FakeTransport>();
    std::vector<std::shared_ptr<sim::Watch>> watches;
};

TEST_F(DiscoverTest, Row0IsAcceptedWithoutCommand200) {
    fake->Add({.path = "/a", .ids = {0x10C4, 0x8A3B, 0x0001}});  // a device that never answers
    auto link = Link();
    ASSERT_EQ(link->Discover(), 1);
    EXPECT_EQ(fake->Device("/a")->Written().size(), 0u);
    EXPECT_EQ(link->m_Identity.wRowNumber, 0);
    EXPECT_EQ(link->m_Identity.Name(), "");
    EXPECT_EQ(link->m_dwReportLength, 525u);
    EXPECT_EQ(link->m_dwHIDPacketSize, 512u);
    EXPECT_EQ(link->m_pInReport[0], 0);
    EXPECT_EQ(link->m_pOutReport[0], 0);
    EXPECT_EQ(link->m_OutFrame.end, 524u);
}

TEST_F(DiscoverTest, Rows1To3NeedTheirExactIdentityRecord) {
    for (size_t row = 1; row <= 3; ++row) {
        auto t = std::make_shared<FakeTransport>();
        fake = t;
        t->Add(Watch("/w", row, row));
        auto link = Link();
        ASSERT_EQ(link->Discover(), 1) << row;
        EXPECT_EQ(std::memcmp(&link->m_Identity, &g_DeviceTable[row], 76), 0);
        Report req = t->Device("/w")->Written().at(0);
        EXPECT_EQ(req[3], 200);
        EXPECT_EQ(link->m_nCommand, 200);
    }
}

TEST_F(DiscoverTest, AnyDifferingIdentityByteClosesTheLink) {
    // offset 2: kind, 10: padding, 12: the name's first letter in lower case
    for (size_t offset : {0u, 2u, 10u, 12u, 75u}) {
        auto t = std::make_shared<FakeTransport>();
        fake = t;
        t->Add(Watch("/w", 1, 1));
        auto& record = watches.back()->Identification().Record();
        reinterpret_cast<uint8_t*>(&record)[offset] ^= (offset == 12 ? 0x20 : 0x01);
        auto link = Link();
        EXPECT_EQ(link->Discover(), 0) << offset;
        EXPECT_EQ(link->m_bConnected.load(), 0);
        EXPECT_EQ(link->m_pInReport, nullptr);
        EXPECT_EQ(link->Discover(), 0);
        EXPECT_EQ(t->OpenCount("/w"), 2) << "a watch failing the check is asked again each time";
    }
}

TEST_F(DiscoverTest, IdsMatchingRow1ButAnsweringAsRow3AreRefused) {
    fake->Add(Watch("/w", 1, 3));
    EXPECT_EQ(Link()->Discover(), 0);
}

TEST_F(DiscoverTest, FirstMatchingInterfaceWinsAndTheSecondIsNeverOpened) {
    fake->Add({.path = "/other", .ids = {0x1234, 0x5678, 1}});
    fake->Add(Watch("/first", 3, 3));
    fake->Add(Watch("/second", 2, 2));
    auto link = Link();
    ASSERT_EQ(link->Discover(), 1);
    EXPECT_EQ(link->m_strDevicePath, "/first");
    EXPECT_EQ(fake->OpenCount("/other"), 0);
    EXPECT_EQ(fake->OpenCount("/second"), 0);
    EXPECT_EQ(fake->ReadIdsCount("/second"), 0);
}

TEST_F(DiscoverTest, UnfitInterfacesAreSkippedAndALaterOneFound) {
    fake->Add({.path = "/unequal", .ids = IdsOfRow(0), .inputLength = 525, .outputLength = 524});
    fake->Add({.path = "/nocaps", .ids = IdsOfRow(0), .inputLength = 0, .outputLength = 0});
    fake->Add({.path = "/mod0", .ids = IdsOfRow(0), .inputLength = 512, .outputLength = 512});
    fake->Add({.path = "/mod12", .ids = IdsOfRow(0), .inputLength = 524, .outputLength = 524});
    fake->Add({.path = "/small", .ids = IdsOfRow(0), .inputLength = 77, .outputLength = 77});
    fake->Add({.path = "/denied", .ids = IdsOfRow(0), .openError = OpenError::PermissionDenied});
    fake->Add({.path = "/noids", .ids = IdsOfRow(0), .idsError = OpenError::Other});
    fake->Add(Watch("/good", 2, 2, 589));
    auto link = Link();
    ASSERT_EQ(link->Discover(), 1);
    EXPECT_EQ(link->m_strDevicePath, "/good");
    EXPECT_EQ(link->m_dwHIDPacketSize, 576u);
    auto seen = link->LastDiscovery();
    ASSERT_EQ(seen.size(), 8u);
    EXPECT_EQ(seen[0].verdict, "input and output report lengths differ");
    EXPECT_EQ(seen[2].verdict, "report length 512 cannot hold the frame");
    EXPECT_EQ(seen[5].error, OpenError::PermissionDenied);
    EXPECT_TRUE(seen[7].confirmed);
}

TEST_F(DiscoverTest, NoMatchLeavesTheLastExaminedPath) {
    fake->Add({.path = "/x", .ids = {1, 2, 3}});
    fake->Add({.path = "/y", .ids = {0x10C4, 0x8A3B, 0x0003}});
    auto link = Link();
    EXPECT_EQ(link->Discover(), 0);
    EXPECT_EQ(link->m_strDevicePath, "/y");
    EXPECT_EQ(link->m_hDevice, nullptr);
    EXPECT_EQ(link->LastDiscovery().at(1).verdict, "matches no known watch");
}

TEST_F(DiscoverTest, TransportsAreSearchedInOrder) {
    auto second = std::make_shared<FakeTransport>("second");
    second->Add(Watch("/s", 3, 3));
    fake->Add(Watch("/f", 2, 2));
    auto link = Link({fake, second});
    ASSERT_EQ(link->Discover(), 1);
    EXPECT_EQ(link->m_strDevicePath, "/f");
    EXPECT_EQ(second->ListCount(), 0);
}

TEST_F(DiscoverTest, OnAnOpenLinkReturns1WithoutEnumerating) {
    fake->Add(Watch("/w", 3, 3));
    auto link = Link();
    ASSERT_EQ(link->Discover(), 1);
    int lists = fake->ListCount();
    EXPECT_EQ(link->Discover(), 1);
    EXPECT_EQ(fake->ListCount(), lists);
}

TEST_F(DiscoverTest, CloseLeavesPathAndSizesAndClearsTheRest) {
    fake->Add(Watch("/w", 3, 3));
    auto link = Link();
    ASSERT_EQ(link->Discover(), 1);
    link->Close();
    EXPECT_EQ(link->m_bConnected.load(), 0);
    EXPECT_EQ(link->m_hDevice, nullptr);
    EXPECT_EQ(link->m_pInReport, nullptr);
    EXPECT_EQ(link->m_pOutReport, nullptr);
    EXPECT_EQ(link->m_OutFrame.end, 0u);
    DeviceIdentity zero{};
    EXPECT_EQ(std::memcmp(&link->m_Identity, &zero, sizeof(zero)), 0);
    EXPECT_EQ(link->m_strDevicePath, "/w");
    EXPECT_EQ(link->m_dwReportLength, 525u);
    EXPECT_EQ(link->m_dwHIDPacketSize, 512u);
    EXPECT_TRUE(fake->Device("/w")->Cancelled());
    link->Close();  // safe on a closed link
    ASSERT_EQ(link->Discover(), 1) << "and it opens again";
}

TEST_F(DiscoverTest, IsCurrentDeviceIgnoresLetterCase) {
    fake->Add(Watch("/dev/HidRaw3", 3, 3));
    auto link = Link();
    ASSERT_EQ(link->Discover(), 1);
    EXPECT_EQ(link->IsCurrentDevice("/DEV/hidraw3"), 1);
    EXPECT_EQ(link->IsCurrentDevice("/dev/hidraw4"), 0);
    EXPECT_EQ(link->IsCurrentDevice("/dev/hidraw"), 0);
}

TEST_F(DiscoverTest, WritesTheDiagnosticLine) {
    fake->Add(Watch("/w", 3, 3));
    auto link = Link();
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    link->SetDiagnosticStream(f);
    ASSERT_EQ(link->Discover(), 1);
    std::rewind(f);
    char text[64] = {};
    size_t n = std::fread(text, 1, sizeof(text) - 1, f);
    std::fclose(f);
    EXPECT_EQ(std::string(text, n), "m_dwHIDPacketSize 0x200\r\n");
}

TEST_F(DiscoverTest, SurveyReportsEveryInterfaceAndOpensNothingForGood) {
    fake->Add({.path = "/x", .ids = {1, 2, 3}});
    fake->Add(Watch("/bad", 1, 1));
    watches.back()->SetFault({.fault = sim::Fault::NoAnswer});
    fake->Add(Watch("/good", 3, 3));
    auto link = Link();
    auto survey = link->Survey();
    ASSERT_EQ(survey.size(), 3u);
    EXPECT_EQ(survey[0].tableRow, -1);
    EXPECT_FALSE(survey[1].confirmed);
    EXPECT_EQ(survey[1].verdict, "identity not confirmed: no valid reply to command 200");
    EXPECT_TRUE(survey[2].confirmed);
    EXPECT_EQ(survey[2].inputLength, 525u);
    EXPECT_EQ(link->m_bConnected.load(), 0);
    EXPECT_TRUE(fake->Device("/good")->Cancelled()) << "the probe closed what it opened";
}

TEST(DeviceTable, RowsAreDistinctAndNumbered) {
    for (size_t i = 0; i < g_DeviceTable.size(); ++i) {
        EXPECT_EQ(g_DeviceTable[i].wRowNumber, i);
        EXPECT_EQ(g_DeviceTable[i].wKind, 2);
        for (size_t j = i + 1; j < g_DeviceTable.size(); ++j) {
            const auto &a = g_DeviceTable[i], &b = g_DeviceTable[j];
            EXPECT_FALSE(a.wVendorId == b.wVendorId && a.wProductId == b.wProductId &&
                         a.wRelease == b.wRelease);
        }
    }
    EXPECT_EQ(g_DeviceTable[3].Name(), "QMX_KVT_2700");
    EXPECT_EQ(g_DeviceTable[1].szName[14], '\0');
}

}  // namespace
}  // namespace veldrant::testing
