// veldrant-cli logbook as a golfer runs it: what adding files again and again leaves in the
// logbook (compared on the bytes of `list --json`), files that are no logbook, a process killed
// while adding, and the rounds written back out and added again.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "tests/logbook/LogbookFiles.h"
#include "tests/support/Files.h"
#include "tests/support/TempDir.h"

namespace veldrant::logbook::test {
namespace {

namespace fs = std::filesystem;
using veldrant::testing::ReadAll;
using veldrant::testing::TempDir;

struct CliRun {
    int exit = -1;
    std::string out, err;
};

// `shell` comes before the program (limits for it, say).
CliRun Cli(const TempDir& dir, const std::string& logbook, const std::string& args,
           const std::string& shell = "") {
    std::string command = "cd '" + dir.Path() + "' && " + shell + " VELDRANT_LOGBOOK='" + logbook +
                          "' '" + VELDRANT_CLI "' " + args + " >.o 2>.e";
    int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(dir.File(".o")),
            ReadAll(dir.File(".e"))};
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Starts `logbook add FILE` without waiting for it, its standard error going to `err`.
pid_t StartAdd(const std::string& logbook, const std::string& file, const std::string& err) {
    pid_t pid = fork();
    if (pid == 0) {
        setenv("VELDRANT_LOGBOOK", logbook.c_str(), 1);
        dup2(open("/dev/null", O_WRONLY), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        execl(VELDRANT_CLI, VELDRANT_CLI, "logbook", "add", file.c_str(), nullptr);
        _exit(127);
    }
    return pid;
}

int ExitOf(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// 300 rounds of 60 marks, each with a card.
std::string BigFile() {
    std::vector<Session> many;
    for (int d = 0; d < 300; ++d) {
        Session s;
        s.date = "2017-" + std::string(d / 28 < 9 ? "0" : "") + std::to_string(d / 28 + 1) + "-" +
                 (d % 28 < 9 ? "0" : "") + std::to_string(d % 28 + 1);
        s.gcid = 100 + d % 7;
        s.marks = Marks(60);
        s.cards = {Card(4 + d % 3)};
        many.push_back(s);
    }
    return File(many);
}

// Round A as a first download saw it (three marks) and as a later one (five), round B of the
// next day, and round A with a second card.
const Session kA3{.marks = Marks(3), .cards = {Card(4)}};
const Session kA5{.marks = Marks(5), .cards = {Card(4)}};
const Session kB{.date = "2016-05-04", .gcid = 77, .golf = "B", .marks = Marks(6)};
const Session kA3TwoCards{.marks = Marks(3), .cards = {Card(4), Card(5, 9)}};

class LogbookCli : public ::testing::Test {
protected:
    void SetUp() override {
        Write(dir_.File("a3.csv"), File({kA3}));
        Write(dir_.File("a5b.csv"), File({kA5, kB}));
        Write(dir_.File("b.csv"), File({kB}));
        Write(dir_.File("a3cards.csv"), File({kA3TwoCards}));
        Write(dir_.File("twice.csv"), File({kA3, kA3}));
        Write(dir_.File("not.csv"), "GCID,hello\r\n");
    }
    std::string List(const std::string& book) {
        CliRun r = Cli(dir_, book, "logbook list --json");
        EXPECT_EQ(r.exit, 0) << r.err;
        return r.out;
    }
    TempDir dir_;
};

TEST_F(LogbookCli, AddingAgainAddsOnlyWhatIsNew) {
    struct Step {
        const char* files;
        const char* said;  // the file's summary line
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        const char* sameAs;  // files added in one go that give the same list
    };
    const std::vector<Case> cases = {
        {"the same file twice",
         {{"a3.csv", "1 round: 1 new, 0 already"}, {"a3.csv", "1 round: 0 new, 1 already"}},
         "a3.csv"},
        {"a later download extends the round and adds the new one",
         {{"a3.csv", "1 new"},
          {"a5b.csv", "2 rounds: 1 new, 1 extended, 0 already"},
          {"a5b.csv", "2 rounds: 0 new, 2 already"}},
         "a5b.csv"},
        {"a round that shares no mark is new", {{"b.csv", "1 new"}, {"a3.csv", "1 new"}}, nullptr},
        {"a new card attaches once, the same card not again",
         {{"a3.csv", "1 new"},
          {"a3cards.csv", "1 round: 0 new, 1 extended, 0 already"},
          {"a3cards.csv", "0 new, 1 already"}},
         "a3cards.csv"},
        {"a session repeated in one file", {{"twice.csv", "2 rounds: 1 new, 1 already"}}, "a3.csv"},
        {"a file that is not a mark CSV file adds nothing, the others go in",
         {{"not.csv a3.csv", "a3.csv: 1 round: 1 new"}},
         "a3.csv"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string book = dir_.File("case" + std::to_string(++n) + ".sqlite3");
        std::string before;
        for (const Step& s : c.steps) {
            CliRun r = Cli(dir_, book, std::string("logbook add ") + s.files);
            EXPECT_NE(r.out.find(s.said), std::string::npos) << r.out;
            const std::string after = List(book);
            if (std::string(s.said).find(" 0 new,") != std::string::npos &&
                std::string(s.said).find("extended") == std::string::npos) {
                EXPECT_EQ(after, before) << "an add of nothing new changed the list";
            }
            before = after;
        }
        if (c.sameAs) {
            const std::string once = dir_.File("once" + std::to_string(n) + ".sqlite3");
            Cli(dir_, once, std::string("logbook add ") + c.sameAs);
            EXPECT_EQ(List(once), before);
        }
    }
    CliRun bad = Cli(dir_, dir_.File("bad.sqlite3"), "logbook add not.csv a3.csv");
    EXPECT_EQ(bad.exit, 1);
    EXPECT_NE(bad.err.find("not.csv: line 1: field 1 is not in double quotes"), std::string::npos)
        << bad.err;
    EXPECT_NE(bad.out.find("Total, 1 of 2 files: 1 round: 1 new, 0 already in the logbook"),
              std::string::npos)
        << bad.out;
}

TEST_F(LogbookCli, ListGivesEachRoundAsJson) {
    const std::string book = dir_.File("l.sqlite3");
    Cli(dir_, book, "logbook add a5b.csv");
    EXPECT_EQ(List(book),
              "[\n  {\n    \"id\": 1,\n    \"date\": \"2016-05-03\",\n    \"start\": \"08:00:00\","
              "\n    \"golfCourseId\": 1234,\n    \"golfCourse\": \"テストGC\",\n    \"holes\": 2,"
              "\n    \"marks\": 5,\n    \"putts\": 1,\n    \"card\": true,\n    \"score\": 72,\n "
              "   \"cardPutts\": 36\n  },\n  {\n    \"id\": 2,\n    \"date\": \"2016-05-04\",\n   "
              " \"start\": \"08:00:00\",\n    \"golfCourseId\": 77,\n    \"golfCourse\": \"B\",\n "
              "   \"holes\": 2,\n    \"marks\": 6,\n    \"putts\": 1,\n    \"card\": false,\n    "
              "\"score\": null,\n    \"cardPutts\": null\n  }\n]\n");
}

// A file that is not a Veldrant logbook is refused by every command and keeps its bytes.
TEST_F(LogbookCli, RefusesWhatIsNotItsLogbookAndLeavesItAsItWas) {
    auto sqliteFile = [&](const std::string& path, const char* sql) {
        sqlite3* db = nullptr;
        sqlite3_open(path.c_str(), &db);
        sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        sqlite3_close(db);
    };
    const std::string ours = dir_.File("ours.sqlite3");
    Cli(dir_, ours, "logbook add a5b.csv");
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
        const char* said;
    };
    const std::vector<Case> cases = {
        {"text", [](const std::string& p) { Write(p, std::string(200, 'x')); },
         "is not a SQLite database, so not a Veldrant logbook"},
        {"another program",
         [&](const std::string& p) { sqliteFile(p, "CREATE TABLE t(x); INSERT INTO t VALUES(1)"); },
         "is a SQLite database of another program"},
        {"from a newer Veldrant",
         [&](const std::string& p) {
             fs::copy_file(ours, p);
             sqliteFile(p, "PRAGMA user_version = 2");
         },
         "was written by a newer Veldrant (logbook version 2; this one knows up to 1)"},
        {"damaged",
         [&](const std::string& p) {
             std::string bytes = ReadAll(ours);
             for (size_t i = 4096; i < bytes.size(); ++i)
                 bytes[i] = static_cast<char>(0xA5);
             Write(p, bytes);
         },
         "is damaged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir_.File(std::string("日本語 ") + c.name + ".sqlite3");
        c.make(path);
        const std::string bytes = ReadAll(path);
        for (const char* args :
             {"logbook add a3.csv", "logbook list", "logbook remove 1 --yes", "logbook check"}) {
            CliRun r = Cli(dir_, path, args);
            EXPECT_EQ(r.exit, 1) << args;
            EXPECT_NE(r.err.find(c.said), std::string::npos) << args << ": " << r.err;
            EXPECT_TRUE(ReadAll(path) == bytes) << args << " changed the file";
        }
    }
}

// A big add killed at random instants leaves the logbook as it was or with the file whole.
TEST_F(LogbookCli, KilledWhileAddingLeavesTheLogbookBeforeOrAfter) {
    Write(dir_.File("big.csv"), BigFile());
    const std::string whole = dir_.File("whole.sqlite3");
    Cli(dir_, whole, "logbook add a3.csv");
    const std::string before = List(whole);
    auto t0 = std::chrono::steady_clock::now();
    Cli(dir_, whole, "logbook add big.csv");
    const auto took = std::chrono::steady_clock::now() - t0;
    const std::string after = List(whole);
    ASSERT_NE(before, after);

    std::mt19937 random(19);
    int sawBefore = 0, sawAfter = 0;
    for (int i = 0; i < 12; ++i) {
        const std::string book = dir_.File("k" + std::to_string(i) + ".sqlite3");
        Cli(dir_, book, "logbook add a3.csv");
        pid_t pid = fork();
        if (pid == 0) {
            setenv("VELDRANT_LOGBOOK", book.c_str(), 1);
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            execl(VELDRANT_CLI, VELDRANT_CLI, "logbook", "add", dir_.File("big.csv").c_str(),
                  nullptr);
            _exit(127);
        }
        std::this_thread::sleep_for(took * (random() % 1000) / 800);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        CliRun check = Cli(dir_, book, "logbook check");
        EXPECT_EQ(check.exit, 0) << check.out << check.err;
        const std::string list = List(book);
        EXPECT_TRUE(list == before || list == after) << list.substr(0, 400);
        sawBefore += list == before;
        sawAfter += list == after;
    }
    std::printf("killed 12 adds: %d left the logbook as before, %d with the file whole\n",
                sawBefore, sawAfter);
}

// While another program holds the write lock, adds wait for it and say so, then go in as if one
// after the other; a list and a backup meanwhile see the logbook as it was. The other program is
// this test, holding a write transaction open on a new (empty) logbook file or on one with a
// round.
TEST_F(LogbookCli, WritersWaitForEachOther) {
    const std::string ab = dir_.File("ab.sqlite3"), ba = dir_.File("ba.sqlite3");
    Cli(dir_, ab, "logbook add a3.csv b.csv");
    Cli(dir_, ba, "logbook add b.csv a3.csv");
    for (bool fresh : {true, false}) {
        SCOPED_TRACE(fresh ? "a new logbook" : "a logbook with a round");
        const std::string book = dir_.File(fresh ? "new.sqlite3" : "old.sqlite3");
        if (!fresh)
            Cli(dir_, book, "logbook add a3.csv");
        const std::string before = fresh ? "" : List(book);
        sqlite3* other = nullptr;
        sqlite3_open(book.c_str(), &other);
        ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        if (!fresh) {
            // Not yet committed: nobody else sees it.
            ASSERT_EQ(sqlite3_exec(other, "DELETE FROM rounds", nullptr, nullptr, nullptr),
                      SQLITE_OK);
            EXPECT_EQ(List(book), before);
            EXPECT_EQ(Cli(dir_, book, "logbook backup held.sqlite3").exit, 0);
            EXPECT_EQ(List(dir_.File("held.sqlite3")), before);
        }
        std::vector<std::string> files =
            fresh ? std::vector<std::string>{"a3.csv", "b.csv"} : std::vector<std::string>{"b.csv"};
        std::vector<pid_t> adds;
        for (const std::string& f : files)
            adds.push_back(StartAdd(book, dir_.File(f), dir_.File(f + ".err")));
        for (const std::string& f : files) {
            for (int i = 0; i < 6000 && ReadAll(dir_.File(f + ".err")).empty(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            EXPECT_EQ(ReadAll(dir_.File(f + ".err")),
                      "veldrant-cli: another program is writing to the logbook; waiting for "
                      "it...\n");
        }
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
        for (size_t i = 0; i < adds.size(); ++i)
            EXPECT_EQ(ExitOf(adds[i]), 0) << ReadAll(dir_.File(files[i] + ".err"));
        const std::string after = List(book);
        EXPECT_TRUE(after == List(ab) || (fresh && after == List(ba))) << after;
        EXPECT_EQ(Cli(dir_, book, "logbook check").exit, 0);
    }
}

// A disk that fills up during an add (a file size limit, as the system sets it for the
// program) fails the add with a plain reason and leaves the logbook's bytes as they were.
TEST_F(LogbookCli, AFullDiskFailsTheAddAndKeepsTheLogbook) {
    Write(dir_.File("big.csv"), BigFile());
    const std::string book = dir_.File("full.sqlite3");
    Cli(dir_, book, "logbook add a3.csv");
    const std::string bytes = ReadAll(book), before = List(book);
    // In blocks of 512 bytes: room for the shared memory index, not for the big file.
    const std::string limit =
        "trap '' XFSZ && ulimit -f " + std::to_string(bytes.size() / 512 + 256) + " &&";
    CliRun r = Cli(dir_, book, "logbook add big.csv", limit);
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("big.csv: not added: " + book +
                         ": the disk is full, or the file may grow no further; it was left as "
                         "it was\n"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(ReadAll(book) == bytes);
    EXPECT_EQ(List(book), before);
    EXPECT_EQ(Cli(dir_, book, "logbook check").exit, 0);
}

// Every round written back out and added to an empty logbook gives the same list; the original
// tool's NUL tags come back as they were.
TEST_F(LogbookCli, ExportedRoundsAddBackToTheSameList) {
    const std::string book = dir_.File("e.sqlite3");
    Cli(dir_, book, "logbook add a3.csv a5b.csv a3cards.csv");
    CliRun ex = Cli(dir_, book, "logbook export -o 'ラウンド 出力'");
    ASSERT_EQ(ex.exit, 0) << ex.err;
    EXPECT_NE(ex.out.find("2 rounds written to"), std::string::npos) << ex.out;
    const std::string a = ReadAll(dir_.File("ラウンド 出力/20160503_080000_1234_MARK.csv"));
    EXPECT_TRUE(
        a.starts_with("\xEF\xBB\xBF\"KVT2700\"\r\n\"SESSION1\",\"20160503_080000\","
                      "\"テストGC\"\r\n\"MRK\"\r\n"));
    EXPECT_NE(a.find("\"1234\",\"テストGC\",\"0\",\"東\",\"2\",\"2016-05-03\",\"08:04:00\",\"s\","
                     "\"1\",\"139.766388\",\"35.500000\"\r\n\"SCORE\",\"08:00:00\"\r\n"),
              std::string::npos)
        << a;
    EXPECT_NE(a.find(Card(4) + Card(5, 9)), std::string::npos);

    const std::string again = dir_.File("again.sqlite3");
    CliRun add = Cli(dir_, again, "logbook add 'ラウンド 出力'/*.csv");
    ASSERT_EQ(add.exit, 0) << add.err;
    EXPECT_EQ(List(again), List(book));
    CliRun exAgain = Cli(dir_, again, "logbook export -o out2");
    EXPECT_EQ(ReadAll(dir_.File("out2/20160503_080000_1234_MARK.csv")), a);
}

TEST_F(LogbookCli, RemoveNeedsYesAndBackupIsALogbook) {
    const std::string book = dir_.File("r.sqlite3");
    Cli(dir_, book, "logbook add a5b.csv");
    EXPECT_EQ(Cli(dir_, book, "logbook remove 1").exit, 2);
    CliRun backup = Cli(dir_, book, "logbook backup copy.sqlite3");
    ASSERT_EQ(backup.exit, 0) << backup.err;
    EXPECT_EQ(Cli(dir_, book, "logbook remove 1 --yes").exit, 0);
    EXPECT_EQ(Cli(dir_, book, "logbook remove 1 --yes").exit, 1);
    EXPECT_EQ(List(book).find("\"id\": 1,"), std::string::npos);
    EXPECT_NE(List(dir_.File("copy.sqlite3")).find("\"id\": 1,"), std::string::npos);
    EXPECT_EQ(Cli(dir_, dir_.File("copy.sqlite3"), "logbook check").exit, 0);
}

}  // namespace
}  // namespace veldrant::logbook::test
