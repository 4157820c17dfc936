// Files and zip archives named by UTF-8 paths, in a folder with a Japanese name, through the
// platform's file layer (wide-character calls on Windows).
#include <gtest/gtest.h>
#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/File.h"
#include "platform/SafeOutput.h"
#include "platform/ZipFile.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

namespace veldrant::platform {
namespace {

const char* const kFolders[] = {"plain", "地点データ", "コース 2024"};

TEST(Utf8Files, WriteReadAndListUnderEveryFolderName) {
    testing::TempDir temp;
    for (const char* folder : kFolders) {
        SCOPED_TRACE(folder);
        std::string dir = temp.Path() + "/" + folder;
        std::filesystem::create_directories(Utf8Path(dir));
        std::string path = dir + "/マーク.csv";
        COutputFile out;
        std::string error;
        ASSERT_TRUE(out.Create(path, &error)) << error;
        ASSERT_TRUE(
            out.Write("\xEF\xBB\xBF"
                      "a,b\r\n",
                      8, &error))
            << error;
        ASSERT_TRUE(out.Close(&error)) << error;

        CInputFile in;
        ASSERT_EQ(in.Open(path), FileOpen::Ok);
        ASSERT_EQ(in.Size(), std::optional<uint64_t>(8));
        uint8_t bytes[8];
        ASSERT_TRUE(in.ReadAt(0, bytes, 8));
        EXPECT_EQ(std::memcmp(bytes,
                              "\xEF\xBB\xBF"
                              "a,b\r\n",
                              8),
                  0);
        EXPECT_FALSE(in.ReadAt(4, bytes, 8));  // past the end

        std::FILE* f = OpenStdFile(path, "rb");
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(std::fgetc(f), 0xEF);
        std::fclose(f);

        bool listed = false;
        for (const auto& entry : std::filesystem::directory_iterator(Utf8Path(dir)))
            listed |= PathUtf8(entry.path().filename()) == "マーク.csv";
        EXPECT_TRUE(listed);
    }
}

TEST(Utf8Files, FailuresSayWhatAndWhy) {
    testing::TempDir temp;
    std::string missing = temp.Path() + "/無い/x.csv";
    COutputFile out;
    std::string error;
    EXPECT_FALSE(out.Create(missing, &error));
    EXPECT_EQ(error, missing + ": " + std::strerror(ENOENT));
    CInputFile in;
    EXPECT_EQ(in.Open(missing), FileOpen::CannotOpen);
    EXPECT_NE(in.Open(temp.Path()), FileOpen::Ok);  // a folder is no file to read
}

TEST(Utf8Files, SafeOutputReplacesOnlyOnCommitUnderAJapaneseFolder) {
    testing::TempDir temp;
    std::string dir = temp.Path() + "/地点データ";
    std::filesystem::create_directories(Utf8Path(dir));
    std::string path = dir + "/マーク.csv";
    for (const char* road : {"abandon", "destroy", "commit"}) {
        SCOPED_TRACE(road);
        {
            COutputFile old;
            ASSERT_TRUE(old.Create(path, nullptr));
            ASSERT_TRUE(old.Write("old", 3, nullptr));
            ASSERT_TRUE(old.Close(nullptr));
        }
        std::string error;
        auto out = SafeOutput::Create(path, &error);
        ASSERT_TRUE(out) << error;
        ASSERT_TRUE(out->Write("new bytes"));
        if (std::string(road) == "abandon")
            out->Abandon();
        if (std::string(road) == "commit") {
            ASSERT_TRUE(out->Commit()) << out->Error();
        }
        out.reset();
        EXPECT_EQ(testing::ReadAll(Utf8Path(path)),
                  std::string(road) == "commit" ? "new bytes" : "old");
        size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(Utf8Path(dir)))
            files += entry.is_regular_file() ? 1 : 0;
        EXPECT_EQ(files, 1u);  // no temporary file left behind
    }
    std::string error;
    EXPECT_FALSE(SafeOutput::Create(dir, &error));
    EXPECT_EQ(error, "'" + dir + "' is a folder, not a file");
    EXPECT_TRUE(MakeOutputFolder(dir + "/新しい/下", &error)) << error;
    EXPECT_EQ(KindOfPath(dir + "/新しい/下"), PathKind::Folder);
}

// One file by several names is one file; two files with the same bytes are two.
TEST(FileIdentity, NamesOfOneFileAgreeAndOtherFilesDiffer) {
    testing::TempDir temp;
    const std::string dir = temp.Path() + "/地点データ";
    std::filesystem::create_directories(Utf8Path(dir + "/下"));
    const std::string file = dir + "/マーク.csv";
    for (const std::string& path : {file, dir + "/copy.csv"}) {
        COutputFile out;
        ASSERT_TRUE(out.Create(path, nullptr) && out.Write("same", 4, nullptr) &&
                    out.Close(nullptr));
    }
    std::filesystem::create_hard_link(Utf8Path(file), Utf8Path(dir + "/hard.csv"));
    struct Row {
        std::string other;
        bool same;
    } rows[] = {
        {file, true},
        {dir + "/./マーク.csv", true},
        {dir + "/下/../マーク.csv", true},
        {dir + "/hard.csv", true},
        {dir + "/copy.csv", false},
        {dir, false},
        {dir + "/無い.csv", false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SameFile(file, row.other), row.same) << row.other;
        EXPECT_EQ(SameFile(row.other, file), row.same) << row.other;
    }
    EXPECT_FALSE(SameFile(dir + "/無い.csv", dir + "/無い.csv"));
}

// A read-only file (no write permission, the read-only attribute) is refused before anything is
// written, and keeps its bytes and its protection.
TEST(Utf8Files, SafeOutputRefusesAReadOnlyFile) {
    testing::TempDir temp;
    const std::string path = temp.Path() + "/読み取り専用.csv";
    {
        COutputFile old;
        ASSERT_TRUE(old.Create(path, nullptr) && old.Write("old", 3, nullptr) &&
                    old.Close(nullptr));
    }
    namespace fs = std::filesystem;
    fs::permissions(Utf8Path(path),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    std::string error;
    EXPECT_EQ(SafeOutput::Create(path, &error), nullptr);
    EXPECT_EQ(error, "'" + path + "' is read-only and was left as it was");
    EXPECT_EQ(testing::ReadAll(Utf8Path(path)), "old");
    EXPECT_EQ(fs::status(Utf8Path(path)).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(
        std::distance(fs::directory_iterator(Utf8Path(temp.Path())), fs::directory_iterator()), 1);
    fs::permissions(Utf8Path(path), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_NE(SafeOutput::Create(path, &error), nullptr) << error;
}

// Put aside, the new file takes the first free name beside the target; the target and every
// file already there keep their bytes.
TEST(Utf8Files, SafeOutputCommitAsideTakesTheFirstFreeName) {
    struct Row {
        std::vector<std::string> there;  // beside マーク.csv before
        std::string placed;
    } rows[] = {
        {{}, "マーク.partial.csv"},
        {{"マーク.partial.csv"}, "マーク.partial-2.csv"},
        {{"マーク.partial.csv", "マーク.partial-2.csv"}, "マーク.partial-3.csv"},
    };
    for (const Row& row : rows) {
        testing::TempDir temp;
        const std::string dir = temp.Path() + "/地点データ";
        std::filesystem::create_directories(Utf8Path(dir));
        std::vector<std::string> names = row.there;
        names.push_back("マーク.csv");
        for (const std::string& name : names) {
            COutputFile old;
            ASSERT_TRUE(old.Create(dir + "/" + name, nullptr) &&
                        old.Write(name.data(), name.size(), nullptr) && old.Close(nullptr));
        }
        std::string error;
        auto out = SafeOutput::Create(dir + "/マーク.csv", &error);
        ASSERT_TRUE(out) << error;
        EXPECT_TRUE(out->Replaces());
        ASSERT_TRUE(out->Write("partial"));
        ASSERT_TRUE(out->CommitAside("partial")) << out->Error();
        EXPECT_EQ(out->Placed(), dir + "/" + row.placed);
        EXPECT_EQ(testing::ReadAll(Utf8Path(dir + "/" + row.placed)), "partial");
        for (const std::string& name : names)
            EXPECT_EQ(testing::ReadAll(Utf8Path(dir + "/" + name)), name);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Utf8Path(dir)),
                                std::filesystem::directory_iterator()),
                  static_cast<long>(names.size() + 1));
    }
    EXPECT_EQ(AsideName("a/keep", "partial", 1), "a/keep.partial");
    EXPECT_EQ(AsideName("a.b/x.tar.gz", "partial", 4), "a.b/x.tar.partial-4.gz");
}

TEST(Utf8Files, ZipArchivesUnderAJapaneseFolder) {
    testing::TempDir temp;
    std::string dir = temp.Path() + "/コースデータ";
    std::filesystem::create_directories(Utf8Path(dir));
    std::string path = dir + "/パッケージ.zip";
    zipFile zf = CreateZipFile(path);
    ASSERT_NE(zf, nullptr);
    zip_fileinfo info{};
    ASSERT_EQ(zipOpenNewFileInZip(zf, "INDEX.DAT", &info, nullptr, 0, nullptr, 0, nullptr,
                                  Z_DEFLATED, Z_DEFAULT_COMPRESSION),
              ZIP_OK);
    ASSERT_EQ(zipWriteInFileInZip(zf, "golf", 4), ZIP_OK);
    ASSERT_EQ(zipCloseFileInZip(zf), ZIP_OK);
    ASSERT_EQ(zipClose(zf, nullptr), ZIP_OK);

    unzFile uf = OpenUnzipFile(path);
    ASSERT_NE(uf, nullptr);
    ASSERT_EQ(unzLocateFile(uf, "index.dat", 2), UNZ_OK);
    ASSERT_EQ(unzOpenCurrentFile(uf), UNZ_OK);
    char text[8] = {};
    EXPECT_EQ(unzReadCurrentFile(uf, text, sizeof text), 4);
    EXPECT_STREQ(text, "golf");
    unzCloseCurrentFile(uf);
    unzClose(uf);
    EXPECT_EQ(OpenUnzipFile(dir + "/無い.zip"), nullptr);
}

}  // namespace
}  // namespace veldrant::platform
