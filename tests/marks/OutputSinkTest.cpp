// The file sink: a closed sink replaces an old file; a device is refused; a disk that fills up
// mid-file leaves the old file as it was.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "marks/MarkExport.h"
#include "marks/OutputSink.h"
#include "tests/marks/MarkBytes.h"
#include "tests/support/Files.h"

namespace veldrant::marks {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "veldrant-marks-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(path_); }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

using veldrant::testing::ReadAll;

TEST(FileSink, CreationReplacesAnOldFile) {
    TempDir dir;
    {
        std::ofstream old(dir / "m.csv", std::ios::binary);
        old << std::string(10000, 'x');
    }
    std::string error;
    auto sink = FileSink::Create((dir / "m.csv").string(), &error);
    ASSERT_TRUE(sink) << error;
    EXPECT_TRUE(sink->Write("abc"));
    EXPECT_TRUE(sink->Close());
    EXPECT_EQ(ReadAll(dir / "m.csv"), "abc");
}

TEST(FileSink, PathThatCannotBeCreatedSaysWhy) {
    std::string error;
    EXPECT_EQ(FileSink::Create("/nonexistent-dir/x/m.csv", &error), nullptr);
    EXPECT_NE(error.find("/nonexistent-dir/x/m.csv"), std::string::npos) << error;
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
}

TEST(FileSink, ADeviceIsRefusedAndLeftAlone) {
    std::string error;
    EXPECT_EQ(FileSink::Create("/dev/full", &error), nullptr);
    EXPECT_NE(error.find("'/dev/full' is a device, not a file"), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

// A file size limit makes write() fail part-way like a full disk, on an ordinary file.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, old_handler_);
    }

private:
    rlimit old_{};
    void (*old_handler_)(int);
};

TEST(FileSink, DiskFullMidFileKeepsTheOldFileAndLeavesNoTemporaryFile) {
    TempDir dir;
    std::vector<test::Mark> marks(4000);
    for (size_t i = 0; i < marks.size(); ++i)
        marks[i].longitude += static_cast<int32_t>(i);
    test::Bytes set = test::MarkSet(marks);
    const rlim_t limit = 100000;
    ASSERT_GT(ExportMarkSetToString(set, {}).size(), 3 * limit);
    {
        std::ofstream old(dir / "m.csv", std::ios::binary);
        old << "the older file";
    }

    std::string error;
    auto sink = FileSink::Create((dir / "m.csv").string(), &error);
    ASSERT_TRUE(sink) << error;
    {
        FileSizeLimit fsize(limit);
        EXPECT_EQ(ExportMarkSet(set, {}, *sink), ExportResult::WriteFailed);
    }
    EXPECT_FALSE(sink->IsOpen());
    EXPECT_NE(sink->Error().find("m.csv"), std::string::npos) << sink->Error();
    EXPECT_FALSE(sink->Write("later set"));
    EXPECT_FALSE(sink->Close());
    EXPECT_EQ(ReadAll(dir / "m.csv"), "the older file");
    sink.reset();
    size_t entries = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir / ""))
        ++entries;
    EXPECT_EQ(entries, 1u);
}

}  // namespace
}  // namespace veldrant::marks
