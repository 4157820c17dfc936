// The program itself, started as a separate process: one copy per user session.
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "app/BrassieApp.h"
#include "platform/File.h"
#include "platform/SingleInstance.h"
#include "tests/support/Environment.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TempDir.h"

namespace {

const QString kProgram = QStringLiteral(VELDRANT_PROGRAM);
// A platform plugin that does not exist: a copy that tried to open a window would fail loudly
// instead of ending quietly.
const QString kNoDisplay = QStringLiteral("no-such-platform");

// A session of its own: the lock's directory (on Linux), no watches, no display unless given.
QProcessEnvironment Session(const std::string& runtimeDir, const std::string& simDir,
                            const QString& platform) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtimeDir));
    env.insert("VELDRANT_SIM_DIR", QString::fromStdString(simDir));
    env.insert("QT_QPA_PLATFORM", platform);
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    return env;
}

// Sets an environment variable for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        veldrant::testing::SetEnvironment(name, value);
    }
    ~ScopedEnv() {
        if (old_) {
            veldrant::testing::SetEnvironment(name_, *old_);
        } else {
            veldrant::testing::UnsetEnvironment(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace

TEST(Program, ASecondCopyEndsAtOnceWithoutAWindowOrAWord) {
    veldrant::testing::TempDir runtime, sims;
    ScopedEnv env("XDG_RUNTIME_DIR", runtime.Path());
    veldrant::platform::CSingleInstance first(kInstanceLockName);
    ASSERT_EQ(first.State(), veldrant::platform::InstanceState::First);

    QProcess second;
    second.setProcessEnvironment(Session(runtime.Path(), sims.Path(), kNoDisplay));
    second.start(kProgram, {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(second.readAllStandardError().isEmpty());
}

TEST(Program, TheFirstCopyRunsUntilItsWindowCloses) {
    veldrant::testing::TempDir runtime, sims;
    QProcess program;
    program.setProcessEnvironment(Session(runtime.Path(), sims.Path(), "offscreen"));
    program.start(kProgram, {});
    ASSERT_TRUE(program.waitForStarted(5000));
    EXPECT_FALSE(program.waitForFinished(1500)) << program.readAllStandardError().toStdString();
    // It holds the lock meanwhile.
    ScopedEnv env("XDG_RUNTIME_DIR", runtime.Path());
    EXPECT_EQ(veldrant::platform::CSingleInstance(kInstanceLockName).State(),
              veldrant::platform::InstanceState::AlreadyRunning);
    program.kill();
    program.waitForFinished(5000);
}

// The logbook window alone, beside a running copy, with a logbook named in Japanese: it makes
// the file at that very name.
TEST(Program, TheLogbookWindowOpensTheLogbookItIsGiven) {
    veldrant::testing::TempDir runtime, sims, data;
    ScopedEnv env("XDG_RUNTIME_DIR", runtime.Path());
    veldrant::platform::CSingleInstance first(kInstanceLockName);
    const std::string book = data.File("ゴルフ日記/記録.sqlite3");
    QProcess program;
    program.setProcessEnvironment(Session(runtime.Path(), sims.Path(), "offscreen"));
    program.start(kProgram, {"--logbook", QString::fromStdString(book)});
    ASSERT_TRUE(program.waitForStarted(5000));
    for (int i = 0; i < 300 && !std::filesystem::exists(veldrant::platform::Utf8Path(book)); ++i)
        program.waitForFinished(100);
    EXPECT_TRUE(std::filesystem::exists(veldrant::platform::Utf8Path(book)))
        << program.readAllStandardError().toStdString();
    EXPECT_EQ(program.state(), QProcess::Running);
    program.kill();
    program.waitForFinished(5000);
}

// Help and version answer and end even while another copy holds the session's lock, without
// a display: the manual page is made from them at build time.
TEST(Program, HelpAndVersionAnswerWithoutStartingIt) {
    struct Case {
        const char* argument;
        QByteArray expectedStart;
    };
    const Case cases[] = {
        {"--help", "Usage: veldrant\n"},
        {"-h", "Usage: veldrant\n"},
        {"--version", "veldrant " VELDRANT_VERSION "\n"},
    };
    veldrant::testing::TempDir runtime, sims;
    ScopedEnv env("XDG_RUNTIME_DIR", runtime.Path());
    veldrant::platform::CSingleInstance first(kInstanceLockName);
    ASSERT_EQ(first.State(), veldrant::platform::InstanceState::First);
    for (const Case& c : cases) {
        QProcess program;
        program.setProcessEnvironment(Session(runtime.Path(), sims.Path(), kNoDisplay));
        program.start(kProgram, {c.argument});
        ASSERT_TRUE(program.waitForFinished(10000)) << c.argument;
        EXPECT_EQ(program.exitCode(), 0) << c.argument;
        // A Windows console's text ends its lines with CR LF.
        const QByteArray out = program.readAllStandardOutput().replace("\r\n", "\n");
        EXPECT_TRUE(out.startsWith(c.expectedStart)) << c.argument << ": " << out.toStdString();
        EXPECT_TRUE(program.readAllStandardError().isEmpty()) << c.argument;
    }
    // The version is the whole answer.
    QProcess version;
    version.start(kProgram, {"--version"});
    ASSERT_TRUE(version.waitForFinished(10000));
    EXPECT_EQ(version.readAllStandardOutput().replace("\r\n", "\n"),
              QByteArray("veldrant " VELDRANT_VERSION "\n"));
}
