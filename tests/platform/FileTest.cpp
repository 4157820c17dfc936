// Files and zip archives named by UTF-8 paths, in a folder with a Japanese name, through the
// platform's file layer (wide-character calls on Windows).
#include <gtest/gtest.h>
#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

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
