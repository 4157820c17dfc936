// Writing a user's file beside it and putting it in place at the end: what is refused, what the
// new file's permissions are, and that nothing but the committed file is ever left behind.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/SafeOutput.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

namespace veldrant::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadAll;
using testing::TempDir;

void Put(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

size_t Entries(const std::string& dir) {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// Makes a socket file at `path` (closed again; the file stays).
void MakeSocketFile(const std::string& path) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
}

class UmaskGuard {
public:
    explicit UmaskGuard(mode_t mask) : old_(::umask(mask)) {}
    ~UmaskGuard() { ::umask(old_); }

private:
    mode_t old_;
};

TEST(SafeOutput, TargetsThatAreNotFilesAreRefusedBeforeAnythingIsWritten) {
    TempDir dir;
    fs::create_directory(dir.File("folder"));
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    MakeSocketFile(dir.File("sock"));
    struct Row {
        std::string path;
        std::string words;
    } rows[] = {
        {dir.File("folder"), "' is a folder, not a file"},
        {"/dev/null", "'/dev/null' is a device, not a file"},
        {dir.File("fifo"), "' is a FIFO, not a file"},
        {dir.File("sock"), "' is a socket, not a file"},
        {dir.File("missing/x.csv"), "the folder '" + dir.File("missing") + "' does not exist"},
        {dir.File("folder") + "/", "is a folder, not a file"},
        {dir.File("nd1") + "/", "the folder '" + dir.File("nd1") + "/' does not exist"},
        {dir.File("read-only"), "' is read-only and was left as it was"},
    };
    Put(dir.File("read-only"), "old");
    ::chmod(dir.File("read-only").c_str(), 0444);
    const size_t before = Entries(dir.Path());
    for (const Row& row : rows) {
        std::string error;
        EXPECT_EQ(SafeOutput::Create(row.path, &error), nullptr) << row.path;
        EXPECT_NE(error.find(row.words), std::string::npos) << row.path << ": " << error;
    }
    EXPECT_EQ(Entries(dir.Path()), before);
    EXPECT_EQ(Entries(dir.File("folder")), 0u);
    EXPECT_EQ(ReadAll(dir.File("read-only")), "old");
    EXPECT_EQ(KindOfPath("/dev/null"), PathKind::Device);
}

TEST(SafeOutput, OutputFoldersMustBeFoldersOrNew) {
    TempDir dir;
    Put(dir.File("file"), "x");
    struct Row {
        std::string path;
        std::string error;  // "" when accepted
    } rows[] = {
        {dir.Path(), ""},
        {dir.File("new/deeper"), ""},
        {dir.File("file"), "'" + dir.File("file") + "' exists and is not a folder (it is a file)"},
        {"/dev/full", "'/dev/full' exists and is not a folder (it is a device)"},
        {dir.File("file/below"), "exists and is not a folder"},
    };
    for (const Row& row : rows) {
        std::string error;
        EXPECT_EQ(MakeOutputFolder(row.path, &error), row.error.empty()) << row.path;
        if (row.error.empty()) {
            EXPECT_TRUE(fs::is_directory(row.path)) << row.path;
        } else {
            EXPECT_NE(error.find(row.error), std::string::npos) << row.path << ": " << error;
        }
    }
    EXPECT_EQ(ReadAll(dir.File("file")), "x");
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST(SafeOutput, EveryRoadButCommitLeavesTheOldFileAndNoTemporaryFile) {
    enum class Road { Commit, Abandon, Destroy, WriteAfterHandOver, SignalCleanup };
    struct Row {
        Road road;
        const char* expected;
    } rows[] = {
        {Road::Commit, "new bytes"},       {Road::Abandon, "old"},       {Road::Destroy, "old"},
        {Road::WriteAfterHandOver, "old"}, {Road::SignalCleanup, "old"},
    };
    for (const Row& row : rows) {
        TempDir dir;
        Put(dir.File("m.csv"), "old");
        std::string error;
        auto out = SafeOutput::Create(dir.File("m.csv"), &error);
        ASSERT_TRUE(out) << error;
        EXPECT_EQ(fs::path(out->TempPath()).parent_path(), fs::path(dir.Path()));
        ASSERT_TRUE(out->Write("new bytes"));
        EXPECT_EQ(ReadAll(dir.File("m.csv")), "old");  // nothing reaches the file before commit
        switch (row.road) {
            case Road::Commit:
                EXPECT_TRUE(out->Commit()) << out->Error();
                break;
            case Road::Abandon:
                out->Abandon();
                EXPECT_FALSE(out->Commit());
                break;
            case Road::Destroy:
                out.reset();
                break;
            case Road::WriteAfterHandOver:
                out->HandOver();
                EXPECT_FALSE(out->Write("more"));
                EXPECT_FALSE(out->Commit());
                EXPECT_NE(out->Error().find("m.csv"), std::string::npos) << out->Error();
                break;
            case Road::SignalCleanup:
                RemovePendingOutputs();
                EXPECT_FALSE(fs::exists(out->TempPath()));
                break;
        }
        EXPECT_EQ(ReadAll(dir.File("m.csv")), row.expected);
        EXPECT_EQ(Entries(dir.Path()), 1u) << "a temporary file was left behind";
    }
}

TEST(SafeOutput, ANewFileHasANewFilesModeAndAReplacedOneKeepsItsOwn) {
    struct Row {
        mode_t umask;
        bool replaces;
        mode_t mode;
    } rows[] = {{022, false, 0644}, {077, false, 0600}, {002, false, 0664}, {022, true, 0600}};
    for (const Row& row : rows) {
        TempDir dir;
        const std::string path = dir.File("out.zip");
        if (row.replaces) {
            Put(path, "old");
            ::chmod(path.c_str(), 0600);
        }
        UmaskGuard mask(row.umask);
        std::string error;
        auto out = SafeOutput::Create(path, &error);
        ASSERT_TRUE(out) << error;
        ASSERT_TRUE(out->Write("zip") && out->Commit()) << out->Error();
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, row.mode) << std::oct << row.umask;
        EXPECT_EQ(ReadAll(path), "zip");
    }
}

TEST(SafeOutput, ALinkIsWrittenThroughAndStaysALink) {
    TempDir dir;
    fs::create_directory(dir.File("real"));
    Put(dir.File("real/m.csv"), "old");
    fs::create_symlink(dir.File("real/m.csv"), dir.File("link.csv"));
    std::string error;
    auto out = SafeOutput::Create(dir.File("link.csv"), &error);
    ASSERT_TRUE(out) << error;
    EXPECT_EQ(fs::path(out->TempPath()).parent_path(), fs::path(dir.File("real")));
    ASSERT_TRUE(out->Write("new") && out->Commit()) << out->Error();
    EXPECT_TRUE(fs::is_symlink(dir.File("link.csv")));
    EXPECT_EQ(ReadAll(dir.File("real/m.csv")), "new");
}

}  // namespace
}  // namespace veldrant::platform
