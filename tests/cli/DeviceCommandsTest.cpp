// veldrant-cli devices and info, run as a program against simulated watches.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>

#include "cli/Command.h"
#include "cli/Connect.h"
#include "platform/SimTransport.h"
#include "tests/support/SimHarness.h"

namespace veldrant::testing {
namespace {

struct CliRun {
    int exitCode = -1;
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    std::string text;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0)
            text.append(buf, n);
        std::fclose(f);
    }
    return text;
}

// Runs veldrant-cli with `args` and the simulation directory `dir`.
CliRun Cli(const std::string& dir, const std::string& args) {
    TempDir out;
    std::string command = "VELDRANT_SIM_DIR='" + dir + "' '" VELDRANT_CLI "' " + args + " >'" +
                          out.Path() + "/o' 2>'" + out.Path() + "/e'";
    int status = std::system(command.c_str());
    CliRun r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp(out.Path() + "/o");
    r.err = Slurp(out.Path() + "/e");
    return r;
}

TEST(CliInfo, PrintsTheNameAndTheVersionAsTheFirmwarePageDoes) {
    SimHarness sim({.model = 3, .reportLength = 525, .version = {5, 1, 0x7B}});
    CliRun r = Cli(sim.Directory(), "info");
    EXPECT_EQ(r.exitCode, cli::kExitOk) << r.err;
    EXPECT_EQ(r.out, "QMX_KVT_2700\nファームウェアバージョン 1.05\n");
    EXPECT_EQ(r.err, "") << "the discovery line only with --verbose";
    r = Cli(sim.Directory(), "info --verbose");
    EXPECT_EQ(r.exitCode, cli::kExitOk) << r.err;
    EXPECT_EQ(r.err, "m_dwHIDPacketSize 0x200\r\n") << "the diagnostic line stays off stdout";
}

TEST(CliInfo, ThreePartVersionAndRow0) {
    SimHarness sim({.model = 0, .reportLength = 589, .version = {9, 2, 12}});
    CliRun r = Cli(sim.Directory(), "info -v");
    EXPECT_EQ(r.exitCode, cli::kExitOk) << r.err;
    EXPECT_EQ(r.out,
              "(no identity name: table row 0)\nファームウェアバージョン 2.09.012\n"
              "table row 0, " +
                  sim.Server().Path() + ", report length 589 (payload 576)\n");
}

TEST(CliInfo, NoWatchGivesItsExitCodeAndAHint) {
    SimHarness sim({}, false);
    CliRun r = Cli(sim.Directory(), "info");
    EXPECT_EQ(r.exitCode, cli::kExitNoWatch);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("端末とUSBの接続を確認してください\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(sim.Directory()), std::string::npos) << "says where it looked";
    EXPECT_EQ(Cli(sim.Directory(), "info --bogus").exitCode, cli::kExitUsage);
}

TEST(CliDevices, ListsWatchesWithTheirVerdicts) {
    SimHarness sim({}, false);
    sim.AddWatch({.model = 2}, {.name = "a"});
    sim::SocketServer& odd = sim.AddWatch({.model = 1}, {.name = "b"});
    {
        std::lock_guard lock(odd.GetWatch().Mutex());
        odd.GetWatch().Identification().Record().szName[0] = 'q';
    }
    sim.AddWatch({}, {.name = "c", .ids = platform::HidIds{0x1234, 0x5678, 1}});
    CliRun r = Cli(sim.Directory(), "devices");
    EXPECT_EQ(r.exitCode, cli::kExitOk) << r.err;
    std::string a = sim.Directory() + "/a.hid", b = sim.Directory() + "/b.hid";
    EXPECT_NE(r.out.find("sim    " + a +
                         "\n       ids 10C4:8ADB release 0001, table row 2 "
                         "QMX_KV_WATCH_A\n       report length 525 in / 525 out\n"
                         "       confirmed: identity confirmed\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("not usable: identity not confirmed: the reply to command 200 differs "
                         "from table row 1"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find("c.hid"), std::string::npos) << "other devices only with --all";
    EXPECT_NE(Cli(sim.Directory(), "devices --all").out.find("c.hid"), std::string::npos);
}

TEST(CliConnect, PermissionDeniedAdviceFitsWhatRefused) {
    // The udev rule is the remedy for a hidraw node only: another user's simulated watch is
    // refused for a reason no rule changes.
    struct Row {
        std::string transport, path;
        std::vector<std::string> says, never;
    } rows[] = {
        {"hidraw",
         "/dev/hidraw3",
         {"/dev/hidraw3 cannot be opened: permission denied",
          "udevadm control --reload && sudo udevadm trigger", "The veldrant package installs"},
         {}},
        {"sim",
         "/run/user/1001/veldrant-sim/watch.hid",
         {"watch.hid cannot be opened: permission denied", "belongs to another user",
          "VELDRANT_SIM_DIR"},
         {"udev", "README"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.transport);
        CDeviceLink::InterfaceReport denied;
        denied.transport = row.transport;
        denied.path = row.path;
        denied.tableRow = 3;
        denied.error = platform::OpenError::PermissionDenied;
        int code = 0;
        std::string text = cli::NoWatchMessage({denied}, &code);
        EXPECT_EQ(code, cli::kExitPermission);
        for (const std::string& says : row.says)
            EXPECT_NE(text.find(says), std::string::npos) << text;
        for (const std::string& never : row.never)
            EXPECT_EQ(text.find(never), std::string::npos) << text;
    }
}

TEST(CliConnect, AWatchAnotherProgramHoldsIsNamedAsInUseNotAsAMissingRule) {
    CDeviceLink::InterfaceReport held;
    held.path = "/dev/hidraw4";
    held.tableRow = 3;
    held.error = platform::OpenError::InUse;
    int code = 0;
    std::string text = cli::NoWatchMessage({held}, &code);
    EXPECT_EQ(code, cli::kExitPermission);
    EXPECT_NE(text.find("/dev/hidraw4 cannot be opened: another program is using it"),
              std::string::npos);
    EXPECT_EQ(text.find("udev"), std::string::npos) << text;
}

// This test process plays the other Veldrant program: it holds the watch's lock as a job does.
TEST(CliWatchLock, AWatchBusyWithAnotherProgramIsRefusedAtOnceOrWaitedFor) {
    SimHarness sim({.model = 3, .reportLength = 525, .version = {5, 1, 0x7B}});
    auto transport = platform::MakeSimTransport(sim.Directory());
    long holder = -1;
    auto lock = transport->Lock(transport->ListInterfaces().at(0), &holder);
    ASSERT_TRUE(lock);
    TempDir files;
    const std::string busy =
        "is busy with another Veldrant program (process " + std::to_string(getpid()) + ").";
    for (const char* name : {"fw.bin", "pkg.zip"})
        std::fclose(std::fopen((files.Path() + "/" + name).c_str(), "wb"));
    for (const std::string& args :
         {std::string("info"), "marks export -o '" + files.Path() + "/m.csv'",
          "firmware update '" + files.Path() + "/fw.bin'",
          "course update '" + files.Path() + "/pkg.zip'"}) {
        CliRun r = Cli(sim.Directory(), args);
        EXPECT_EQ(r.exitCode, cli::kExitPermission) << args << ": " << r.err;
        EXPECT_NE(r.err.find(busy), std::string::npos) << args << ": " << r.err;
    }
    EXPECT_EQ(sim.GetWatch().Stats().reports, 0u) << "nothing reached the watch";

    // --wait: the second program says that it waits, and goes on once the first is done.
    const std::string err = files.Path() + "/e";
    int status = -1;
    std::thread waiter([&] {
        std::string command = "VELDRANT_SIM_DIR='" + sim.Directory() +
                              "' '" VELDRANT_CLI "' info --wait >'" + files.Path() + "/o' 2>'" +
                              err + "'";
        status = std::system(command.c_str());
    });
    for (int i = 0; i < 3000 && Slurp(err).find("waiting") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_NE(Slurp(err).find(busy), std::string::npos) << Slurp(err);
    lock.reset();
    waiter.join();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Slurp(err);
    EXPECT_EQ(Slurp(files.Path() + "/o"), "QMX_KVT_2700\nファームウェアバージョン 1.05\n");
}

}  // namespace
}  // namespace veldrant::testing
