#include "firmware/FirmwareFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/firmware/FirmwareImageMaker.h"

namespace veldrant::firmware {
namespace {

namespace fs = std::filesystem;

class FirmwareFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "veldrant-fwfile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return p.string();
    }

    fs::path dir_;
};

TEST_F(FirmwareFileTest, MessagesAndCaptions) {
    EXPECT_EQ(MessageFor(LoadOutcome::CannotOpen).text, "Failed to Open firmware file");
    EXPECT_EQ(MessageFor(LoadOutcome::CannotOpen).caption, "Error");
    EXPECT_EQ(MessageFor(LoadOutcome::NoLength).text, "Failed to Get the length of firmware file");
    EXPECT_EQ(MessageFor(LoadOutcome::NoLength).caption, "Error");
    EXPECT_EQ(MessageFor(LoadOutcome::ReadFailed).text, "Failed to read firmware file!");
    EXPECT_EQ(MessageFor(LoadOutcome::ReadFailed).caption, "Open File");
    EXPECT_EQ(MessageFor(LoadOutcome::Incorrect).text, "Incorrect firmwarefile!");
    EXPECT_EQ(MessageFor(LoadOutcome::Incorrect).caption, "Open File");
    EXPECT_TRUE(MessageFor(LoadOutcome::Ok).text.empty());
}

TEST_F(FirmwareFileTest, ReadsTheWholeFileAndChecksIt) {
    auto image = test::NameImage(70000, "QMX_KVT_2700", 0x3C);
    std::string path = Write("fw.bin", image);
    CFirmwareFile file;
    ASSERT_EQ(file.Open(path), LoadOutcome::Ok);
    EXPECT_EQ(file.Length(), image.size());
    ASSERT_EQ(file.ReadAndCheck("QMX_KVT_2700"), LoadOutcome::Ok);
    EXPECT_EQ(file.Image(), image);

    CFirmwareFile other;
    ASSERT_EQ(other.Open(path), LoadOutcome::Ok);
    EXPECT_EQ(other.ReadAndCheck(""), LoadOutcome::Incorrect) << "a marker-form watch";
}

TEST_F(FirmwareFileTest, EmptyFileIsIncorrect) {
    CFirmwareFile file;
    ASSERT_EQ(file.Open(Write("empty.bin", {})), LoadOutcome::Ok);
    EXPECT_EQ(file.Length(), 0u);
    EXPECT_EQ(file.ReadAndCheck(""), LoadOutcome::Incorrect);
    CFirmwareFile named;
    ASSERT_EQ(named.Open(Write("empty2.bin", {})), LoadOutcome::Ok);
    EXPECT_EQ(named.ReadAndCheck("QMX_KV_WATCH_A"), LoadOutcome::Incorrect);
}

TEST_F(FirmwareFileTest, WhatCannotBeOpened) {
    CFirmwareFile file;
    EXPECT_EQ(file.Open((dir_ / "missing.bin").string()), LoadOutcome::CannotOpen);
    EXPECT_EQ(file.Open(""), LoadOutcome::CannotOpen);
    EXPECT_EQ(file.Open(dir_.string()), LoadOutcome::CannotOpen) << "a directory";
    // A FIFO without a writer would block an ordinary open for ever.
    std::string fifo = (dir_ / "pipe.bin").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(file.Open(fifo), LoadOutcome::CannotOpen);
    if (::geteuid() != 0) {
        std::string locked = Write("locked.bin", test::MarkerImage(10));
        ::chmod(locked.c_str(), 0);
        EXPECT_EQ(file.Open(locked), LoadOutcome::CannotOpen);
    }
}

TEST_F(FirmwareFileTest, FileThatShrinksAfterSizingFailsTheRead) {
    std::string path = Write("fw.bin", test::MarkerImage(5000));
    CFirmwareFile file;
    ASSERT_EQ(file.Open(path), LoadOutcome::Ok);
    ASSERT_EQ(::truncate(path.c_str(), 100), 0);
    EXPECT_EQ(file.ReadAndCheck(""), LoadOutcome::ReadFailed);
    EXPECT_TRUE(file.Image().empty());
}

TEST_F(FirmwareFileTest, ReadWithoutOpenFails) {
    CFirmwareFile file;
    EXPECT_EQ(file.ReadAndCheck(""), LoadOutcome::ReadFailed);
}

}  // namespace
}  // namespace veldrant::firmware
