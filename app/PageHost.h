// A page's side of an operation: the operation's progress, texts, messages and locking travel
// from its worker thread to the UI thread. A message box blocks the worker until the user has
// dismissed it, as a message box on the worker's own thread would.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "app/PageServices.h"
#include "ops/OperationHost.h"

namespace veldrant::app {

class CPageHost : public QObject, public ops::IOperationHost {
    Q_OBJECT

public:
    // `owner` parents the message boxes; `connected` answers IsConnected on any thread.
    CPageHost(IPageServices& services, QWidget* owner, std::function<bool()> connected);
    ~CPageHost() override;  // shuts down first

    void SetProgressPos(int percent) override;
    void SetProgressText(const std::string& text) override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     ops::MessageIcon icon) override;
    void SetOperationRunning(bool running) override;
    bool IsConnected() override;

    // Runs `fn` on the UI thread and returns when it has run: at once when called there, else
    // queued after everything sent before. False, with `fn` not run (or its end not awaited),
    // once the host is shut down.
    bool RunOnUiAndWait(std::function<void()> fn);

    // The window is going: messages no longer wait for the user (a worker waiting on one is
    // released at once) and nothing more reaches the UI.
    void Shutdown();
    bool IsShutDown() const { return shared_->shutdown.load(); }

private:
    // What a waiting worker and the queued call share; it outlives the host if it must.
    struct Shared {
        std::atomic<bool> shutdown{false};
        std::mutex mutex;
        std::condition_variable cv;
    };
    // Runs `fn` on the UI thread: at once when already there, else queued in order.
    void OnUiThread(std::function<void()> fn);

    IPageServices& services_;
    QPointer<QWidget> owner_;
    std::function<bool()> connected_;
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};

}  // namespace veldrant::app
