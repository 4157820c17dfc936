// What the window tests share: a main window over a simulated watch, file dialogs that answer
// as told, and a catcher that reads and dismisses the message boxes the window shows.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "app/BrassieDlg.h"
#include "app/FileDialogs.h"
#include "tests/support/SimHarness.h"

class CButtonST;

namespace veldrant::guitest {

// Processes events until `condition` holds or `ms` pass.
bool WaitFor(const std::function<bool()>& condition, int ms);
// A limit for waiting on what other threads do, reached only when something is wrong: a busy
// machine may take long, and a test must not fail for it.
inline constexpr int kLongWait = 20000;
// A link time-out or search interval that no test waits out: a test that returns at all has
// shown that nothing waited for it.
inline constexpr std::chrono::milliseconds kNever{std::chrono::hours(1)};

class FakeFileDialogs : public app::IFileDialogs {
public:
    struct Request {
        QWidget* owner = nullptr;
        QString title;
        QString filter;
        QString defaultName;
        bool save = false;
    };
    QString GetOpenFileName(QWidget* owner, const QString& title, const QString& filter) override;
    QString GetSaveFileName(QWidget* owner, const QString& defaultName,
                            const QString& filter) override;

    QString answer;  // what both dialogs return; empty: the user cancels
    std::vector<Request> requests;
    // Runs while the dialog would be open (the test looks at the page meanwhile).
    std::function<void()> whileOpen;
};

struct SeenMessage {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Looks for a visible message box every few milliseconds, records it, runs `whileShown`, and
// presses OK.
class MessageBoxCatcher : public QObject {
public:
    MessageBoxCatcher();
    std::vector<SeenMessage> seen;
    std::function<void(QMessageBox*)> whileShown;

private:
    void Poll();
    QTimer timer_;
};

// A main window over one simulated watch, with the session left alone and fake dialogs.
class WindowRig {
public:
    // `timeout` is the link's exchange time-out, `interval` the watcher's time between searches.
    explicit WindowRig(sim::WatchOptions options = {}, bool plugged = true,
                       std::chrono::milliseconds timeout = testing::kTestTimeout,
                       std::chrono::milliseconds interval = app::kSearchInterval);
    ~WindowRig();

    // Builds and shows the window (after the test has set up the watch's services).
    CBrassieDlg& Open();
    void Close();
    CBrassieDlg& Window() { return *window_; }
    testing::SimHarness& Sim() { return sim_; }
    FakeFileDialogs& Dialogs() { return dialogs_; }
    // The limits are generous: they are reached only when something is wrong.
    bool WaitConnected(int ms = kLongWait);
    // Waits until every device page shows the faces of the present connection.
    bool WaitFacesSettled(int ms = kLongWait);

private:
    testing::SimHarness sim_;
    std::chrono::milliseconds timeout_;
    std::chrono::milliseconds interval_;
    FakeFileDialogs dialogs_;
    std::unique_ptr<CBrassieDlg> window_;
};

// Clicks a widget in its middle.
void Click(QWidget* widget);
// Clicks tab `index` of the window's tab row.
void ClickTab(CBrassieDlg& window, int index);

}  // namespace veldrant::guitest
