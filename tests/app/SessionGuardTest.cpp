// The shutdown inhibitor, against a private message bus with a stand-in for the login manager,
// and on a system without a bus.
#include "platform/SessionGuard.h"

#include <dbus/dbus.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "tests/app/WaitFor.h"
#include "tests/support/SimHarness.h"

extern char** environ;

using namespace std::chrono_literals;
using veldrant::platform::CSessionGuard;

namespace {

constexpr const char* kReason = "このプログラムにより、シャットダウンできません";

// Sets DBUS_SYSTEM_BUS_ADDRESS for one test.
class SystemBusAddress {
public:
    explicit SystemBusAddress(const std::string& address) {
        if (const char* old = std::getenv("DBUS_SYSTEM_BUS_ADDRESS"))
            old_ = old;
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
    }
    ~SystemBusAddress() {
        if (old_) {
            ::setenv("DBUS_SYSTEM_BUS_ADDRESS", old_->c_str(), 1);
        } else {
            ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
        }
    }

private:
    std::optional<std::string> old_;
};

// A dbus-daemon of our own, listening on a socket in a temporary directory.
class PrivateBus {
public:
    PrivateBus() {
        socket_ = dir_.Path() + "/bus";
        std::string config = dir_.Path() + "/bus.conf";
        std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                                 "Configuration 1.0//EN\" "
                                 "\"http://www.freedesktop.org/standards/dbus/1.0/"
                                 "busconfig.dtd\">\n<busconfig><type>test</type><listen>unix:path="
                              << socket_
                              << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                                 "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                 "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                                 "<allow user=\"*\"/></policy></busconfig>\n";
        std::string configArg = "--config-file=" + config;
        char name[] = "dbus-daemon";
        char nofork[] = "--nofork";
        std::vector<char*> argv = {name, configArg.data(), nofork, nullptr};
        // Its complaints about resource limits are no concern of the test.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        int rc = ::posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            pid_ = 0;
            return;
        }
        struct stat st {};
        ready_ =
            veldrant::testing::WaitUntil([&] { return ::stat(socket_.c_str(), &st) == 0; }, 5000ms);
    }
    ~PrivateBus() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    bool Ready() const { return ready_; }
    std::string Address() const { return "unix:path=" + socket_; }

private:
    veldrant::testing::TempDir dir_;
    std::string socket_;
    pid_t pid_ = 0;
    bool ready_ = false;
};

// Answers Manager.Inhibit as logind does: with the write end of a pipe whose read end it keeps,
// so that it sees the inhibitor go when every copy of that end is closed.
class FakeLogind {
public:
    bool Start(const std::string& address) {
        DBusError err;
        dbus_error_init(&err);
        conn_ = dbus_connection_open_private(address.c_str(), &err);
        if (!conn_ || !dbus_bus_register(conn_, &err) ||
            dbus_bus_request_name(conn_, "org.freedesktop.login1", DBUS_NAME_FLAG_DO_NOT_QUEUE,
                                  &err) != DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
            dbus_error_free(&err);
            return false;
        }
        thread_ = std::thread([this] { Serve(); });
        return true;
    }
    ~FakeLogind() {
        stop_.store(true);
        if (thread_.joinable())
            thread_.join();
        if (conn_) {
            dbus_connection_close(conn_);
            dbus_connection_unref(conn_);
        }
        if (readEnd_ >= 0)
            ::close(readEnd_);
    }

    // Takes the calls and never answers them.
    void SetSilent(bool silent) { silent_.store(silent); }

    std::vector<std::array<std::string, 4>> Calls() {
        std::lock_guard<std::mutex> lock(mutex_);
        return calls_;
    }
    // True once every copy of the inhibitor's descriptor has been closed.
    bool Released() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (readEnd_ < 0)
            return false;
        pollfd p{readEnd_, POLLIN, 0};
        return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
    }

private:
    void Serve() {
        while (!stop_.load()) {
            dbus_connection_read_write(conn_, 20);
            while (DBusMessage* msg = dbus_connection_pop_message(conn_)) {
                if (!silent_.load() &&
                    dbus_message_is_method_call(msg, "org.freedesktop.login1.Manager", "Inhibit")) {
                    Inhibit(msg);
                }
                dbus_message_unref(msg);
            }
        }
    }
    void Inhibit(DBusMessage* msg) {
        const char* args[4] = {};
        DBusError err;
        dbus_error_init(&err);
        dbus_message_get_args(msg, &err, DBUS_TYPE_STRING, &args[0], DBUS_TYPE_STRING, &args[1],
                              DBUS_TYPE_STRING, &args[2], DBUS_TYPE_STRING, &args[3],
                              DBUS_TYPE_INVALID);
        dbus_error_free(&err);
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return;
        // Recorded before the answer goes, so that the caller finds it on its return.
        {
            std::lock_guard<std::mutex> lock(mutex_);
            calls_.push_back({args[0] ? args[0] : "", args[1] ? args[1] : "",
                              args[2] ? args[2] : "", args[3] ? args[3] : ""});
            if (readEnd_ >= 0)
                ::close(readEnd_);
            readEnd_ = fds[0];
        }
        DBusMessage* reply = dbus_message_new_method_return(msg);
        dbus_message_append_args(reply, DBUS_TYPE_UNIX_FD, &fds[1], DBUS_TYPE_INVALID);
        dbus_connection_send(conn_, reply, nullptr);
        dbus_connection_flush(conn_);
        dbus_message_unref(reply);
        ::close(fds[1]);
    }

    DBusConnection* conn_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> silent_{false};
    std::mutex mutex_;
    std::vector<std::array<std::string, 4>> calls_;
    int readEnd_ = -1;
};

}  // namespace

TEST(SessionGuard, WithoutASystemBusNothingIsHeldAndStartUpGoesOn) {
    veldrant::testing::TempDir dir;
    SystemBusAddress address("unix:path=" + dir.Path() + "/no-bus-here");
    CSessionGuard guard("Kestrune VELDRANT for KVT2700", kReason);
    EXPECT_FALSE(guard.Held());
    EXPECT_FALSE(guard.SkipReason().empty());
}

TEST(SessionGuard, HoldsABlockingShutdownInhibitorWithTheReasonUntilItGoes) {
    PrivateBus bus;
    if (!bus.Ready())
        GTEST_SKIP() << "dbus-daemon is not available";
    FakeLogind logind;
    ASSERT_TRUE(logind.Start(bus.Address()));
    SystemBusAddress address(bus.Address());

    auto guard = std::make_unique<CSessionGuard>("Kestrune VELDRANT for KVT2700", kReason);
    ASSERT_TRUE(guard->Held()) << guard->SkipReason();
    auto calls = logind.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0][0], "shutdown");
    EXPECT_EQ(calls[0][1], "Kestrune VELDRANT for KVT2700");
    EXPECT_EQ(calls[0][2], kReason);
    EXPECT_EQ(calls[0][3], "block");
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(logind.Released());

    guard.reset();
    EXPECT_TRUE(veldrant::testing::WaitUntil([&] { return logind.Released(); }, 20000ms));
}

TEST(SessionGuard, ABusWithoutALoginManagerIsSkippedWithItsReason) {
    PrivateBus bus;
    if (!bus.Ready())
        GTEST_SKIP() << "dbus-daemon is not available";
    SystemBusAddress address(bus.Address());
    // Nobody owns the login manager's name: the bus answers with an error at once.
    CSessionGuard guard("Kestrune VELDRANT for KVT2700", kReason);
    EXPECT_FALSE(guard.Held());
    EXPECT_NE(guard.SkipReason().find("refused"), std::string::npos) << guard.SkipReason();
}

TEST(SessionGuard, ALoginManagerThatNeverAnswersDelaysStartUpOnlyByTheTimeOut) {
    PrivateBus bus;
    if (!bus.Ready())
        GTEST_SKIP() << "dbus-daemon is not available";
    FakeLogind logind;
    logind.SetSilent(true);
    ASSERT_TRUE(logind.Start(bus.Address()));
    SystemBusAddress address(bus.Address());
    // The login manager never answers: the guard returns at all only because it stops
    // waiting after its time-out.
    CSessionGuard guard("Kestrune VELDRANT for KVT2700", kReason, 300ms);
    EXPECT_FALSE(guard.Held());
    EXPECT_NE(guard.SkipReason(), "");
}
