// Reading members through the zip archive, and deciphering them with the right streams.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>

#include "course/Bytes.h"
#include "course/CipherKeys.h"
#include "course/CoursePackage.h"
#include "course/Rc4.h"
#include "course/ZipArchive.h"
#include "tests/course/PackageFixture.h"
#include "tests/support/Environment.h"

namespace veldrant::course::test {
namespace {

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < size; ++i)
        out[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
    return out;
}

// Each member's local header carries a real date (DOS form: day 1 to 31, years from 1980).
TEST(ZipWriter, MembersAreDatedWithAValidLocalTime) {
    struct Row {
        std::time_t when;
        unsigned year, month, day;
    } rows[] = {
        {0, 0, 0, 0},  // now: only checked to be a date
        {1000000000, 2001, 9, 9},
        {315532800 - 86400 * 400, 1980, 1, 1},  // before the DOS epoch: its first day
    };
    for (const Row& row : rows) {
        TempDir dir;
        std::string error;
        const char* old = std::getenv("TZ");
        std::string saved = old ? old : "";
        testing::SetEnvironment("TZ", "UTC");
        testing::ReadTimeZone();
        ASSERT_TRUE(WriteZip(dir.File("a.zip"), {{"m", Pattern(10)}}, error, row.when)) << error;
        old ? testing::SetEnvironment("TZ", saved) : testing::UnsetEnvironment("TZ");
        testing::ReadTimeZone();
        std::ifstream in(dir.File("a.zip"), std::ios::binary);
        std::vector<uint8_t> head(30);
        in.read(reinterpret_cast<char*>(head.data()), 30);
        ASSERT_EQ(Le32(head, 0), 0x04034B50u);
        const unsigned date = Le16(head, 12);
        const unsigned day = date & 31, month = (date >> 5) & 15, year = (date >> 9) + 1980;
        EXPECT_GE(day, 1u);
        EXPECT_LE(day, 31u);
        EXPECT_GE(month, 1u);
        EXPECT_LE(month, 12u);
        if (row.year != 0) {
            EXPECT_EQ(year, row.year);
            EXPECT_EQ(month, row.month);
            EXPECT_EQ(day, row.day);
        }
    }
}

TEST(ZipArchive, ChunkedReadsGiveTheMemberWholeUpToALastChunkOfOneByte) {
    TempDir dir;
    std::vector<ZipMember> members;
    for (size_t size : {0u, 1u, 4095u, 4096u, 4097u, 8193u}) {
        members.push_back({"m" + std::to_string(size), Pattern(size)});
    }
    std::string error;
    ASSERT_TRUE(WriteZip(dir.File("a.zip"), members, error)) << error;
    ZipArchive zip;
    ASSERT_TRUE(zip.Open(dir.File("a.zip")));
    std::vector<uint8_t> buffer(9000, 0xEE);
    for (const ZipMember& m : members) {
        std::fill(buffer.begin(), buffer.end(), 0);
        size_t size = 0;
        ASSERT_TRUE(zip.ReadMember(m.name, buffer, size, error)) << error;
        ASSERT_EQ(size, m.bytes.size()) << m.name;
        EXPECT_TRUE(std::equal(m.bytes.begin(), m.bytes.end(), buffer.begin())) << m.name;
        EXPECT_EQ(buffer[size], 0) << m.name;
    }
}

TEST(ZipArchive, AMemberLargerThanItsBufferIsRefusedAndOneThatFitsExactlyIsRead) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(WriteZip(dir.File("a.zip"), {{"big", Pattern(5000)}}, error));
    ZipArchive zip;
    ASSERT_TRUE(zip.Open(dir.File("a.zip")));
    std::vector<uint8_t> small(4999);
    size_t size = 0;
    EXPECT_FALSE(zip.ReadMember("big", small, size, error));
    EXPECT_NE(error.find("larger than the 4999 bytes"), std::string::npos) << error;
    std::vector<uint8_t> exact(5000);
    EXPECT_TRUE(zip.ReadMember("big", exact, size, error)) << error;
    EXPECT_EQ(exact, Pattern(5000));
}

TEST(ZipArchive, ADamagedMemberIsAnErrorNotData) {
    TempDir dir;
    std::string error;
    ASSERT_TRUE(WriteZip(dir.File("a.zip"), {{"m", Pattern(20000)}}, error));
    std::vector<char> bytes;
    {
        std::ifstream in(dir.File("a.zip"), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    bytes[30 + 1 + 200] ^= 0x40;  // inside the compressed data, past the local header
    std::ofstream(dir.File("b.zip"), std::ios::binary).write(bytes.data(), bytes.size());
    ZipArchive zip;
    ASSERT_TRUE(zip.Open(dir.File("b.zip")));
    std::vector<uint8_t> buffer(30000);
    size_t size = 0;
    EXPECT_FALSE(zip.ReadMember("m", buffer, size, error));
    EXPECT_NE(error.find("damaged"), std::string::npos) << error;
}

TEST(CoursePackage, MemberNamesAreFoundWhateverTheirLetterCase) {
    TempDir dir;
    auto members = BuildPlainMembers(SampleDescription());
    for (ZipMember& m : members) {
        if (m.name == "index4.dat")
            m.name = "INDEX4.DAT";
        if (m.name == "append.kv1")
            m.name = "Append.Kv1";
        if (m.name == "1201.k16")
            m.name = "1201.K16";
    }
    CoursePackage package;
    ASSERT_TRUE(package.Open(WriteArchive(dir, members)));
    EXPECT_TRUE(package.ReadIndex()) << package.LastError();
    EXPECT_TRUE(package.ReadAppend()) << package.LastError();
    EXPECT_TRUE(package.ReadPictures(1201)) << package.LastError();
    ASSERT_NE(package.Pictures(), nullptr);
    EXPECT_TRUE(package.Pictures()->slots[0].hasPicture);
}

TEST(CoursePackage, ZipProblemsReportTheZipMessageOnceEachAndPicturesNever) {
    TempDir dir;
    std::vector<std::string> shown;
    auto handler = [&](std::string_view m) { shown.emplace_back(m); };
    {
        std::ofstream(dir.File("junk.zip")) << "not a zip archive";
        CoursePackage package;
        package.SetZipFailureHandler(handler);
        EXPECT_FALSE(package.Open(dir.File("junk.zip")));
        EXPECT_EQ(package.LastFailure(), ReadFailure::Zip);
        EXPECT_FALSE(package.ReadIndex());
    }
    ASSERT_EQ(shown,
              (std::vector<std::string>{"Failed to read zip file!", "Failed to read zip file!"}));
    shown.clear();
    auto members = BuildPlainMembers(SampleDescription());
    members.erase(members.begin() + 1);  // append.kv1
    CoursePackage package;
    package.SetZipFailureHandler(handler);
    ASSERT_TRUE(package.Open(WriteArchive(dir, members)));
    EXPECT_TRUE(package.ReadIndex());
    EXPECT_FALSE(package.ReadPictures(1305));  // golf course 1305 has no picture member
    EXPECT_EQ(package.LastFailure(), ReadFailure::Zip);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(package.ReadAppend());
    EXPECT_EQ(package.LastFailure(), ReadFailure::Zip);
    EXPECT_NE(package.LastError().find("append.kv1"), std::string::npos);
    EXPECT_EQ(shown, std::vector<std::string>{kZipFailureMessage});
}

TEST(CoursePackage, AnIndexLargerThanSixteenMebibytesIsRefusedAsUnreadable) {
    TempDir dir;
    auto members = BuildPlainMembers(SampleDescription());
    Member(members, kIndexMemberName).resize(kIndexBufferSize + 1);
    CoursePackage package;
    int shown = 0;
    package.SetZipFailureHandler([&](std::string_view) { ++shown; });
    ASSERT_TRUE(package.Open(WriteArchive(dir, members)));
    EXPECT_FALSE(package.ReadIndex());
    EXPECT_EQ(package.LastFailure(), ReadFailure::Zip);
    EXPECT_NE(package.LastError().find("larger than"), std::string::npos);
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(package.HasIndex());
}

// Enciphers an index in clear with the course table on a fresh stream instead of the
// header's stream continued.
std::vector<uint8_t> IndexWithFreshTableStream(std::vector<uint8_t> m) {
    const uint32_t n = Le32(m, 20), table = Le32(m, 28), data = Le32(m, 32);
    const uint32_t areas = Le32(m, 44), areaTable = Le32(m, 52);
    std::vector<std::pair<uint32_t, uint32_t>> blocks;
    for (uint32_t i = 0; i < n; ++i) {
        blocks.emplace_back(data + Le32(m, table + 32 * i + 20), Le32(m, table + 32 * i + 24));
    }
    const auto key = MemberKey(MemberKind::Index, m);
    Rc4(key).Apply(std::span(m).subspan(16, 112));
    Rc4(key).Apply(std::span(m).subspan(table, 32 * n));
    Rc4(key).Apply(std::span(m).subspan(areaTable, 64 * areas));
    for (auto [at, length] : blocks)
        Rc4(key).Apply(std::span(m).subspan(at, length));
    return m;
}

TEST(CoursePackage, TheCourseTableIsReadOnlyWithTheHeadersStreamContinued) {
    auto members = BuildPlainMembers(SampleDescription());
    const ZipMember& plain = members[0];
    CoursePackage package;
    ASSERT_TRUE(package.LoadIndex(Enciphered(plain))) << package.LastError();
    EXPECT_EQ(package.Index().courses[2].id, 2799);
    CoursePackage wrong;
    if (wrong.LoadIndex(IndexWithFreshTableStream(plain.bytes))) {
        EXPECT_NE(wrong.Index().courses[2].id, 2799);
    } else {
        EXPECT_EQ(wrong.LastFailure(), ReadFailure::Damaged);
    }
}

}  // namespace
}  // namespace veldrant::course::test
