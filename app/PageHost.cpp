#include "app/PageHost.h"

#include <QMetaObject>
#include <QString>
#include <QThread>

#include "app/MessageBox.h"
#include "app/WindowTexts.h"
#include "widgets/TextProgressCtrl.h"

namespace veldrant::app {

CPageHost::CPageHost(IPageServices& services, QWidget* owner, std::function<bool()> connected)
    : QObject(owner), services_(services), owner_(owner), connected_(std::move(connected)) {}

CPageHost::~CPageHost() {
    Shutdown();
}

void CPageHost::Shutdown() {
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->shutdown.store(true);
    }
    shared_->cv.notify_all();
}

void CPageHost::OnUiThread(std::function<void()> fn) {
    if (IsShutDown())
        return;
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    // Queued to this object: Qt drops the call if the host has gone by then.
    QMetaObject::invokeMethod(
        this,
        [shared = shared_, fn = std::move(fn)] {
            if (!shared->shutdown.load())
                fn();
        },
        Qt::QueuedConnection);
}

void CPageHost::SetProgressPos(int percent) {
    OnUiThread([this, percent] { services_.ProgressBar().SetPos(percent); });
}

void CPageHost::SetProgressText(const std::string& text) {
    QString qtext = QString::fromStdString(text);
    OnUiThread([this, qtext] { services_.ProgressBar().SetWindowText(qtext); });
}

void CPageHost::SetOperationRunning(bool running) {
    OnUiThread([this, running] { services_.LockForOperation(running); });
}

bool CPageHost::IsConnected() {
    return connected_ ? connected_() : g_bConnected.load() == 1;
}

void CPageHost::ShowMessage(const std::string& text, const std::string& caption,
                            ops::MessageIcon icon) {
    QPointer<QWidget> owner = owner_;
    // The text is put into the window's language on the UI thread: Qt keeps a per-thread stack
    // for its regular expressions, and in the Windows build (GCC's emulated thread-locals) that
    // stack is freed before its owner's destructor reads it when a job's thread ends; the fault
    // there leaves Qt's thread-key lock taken, and the program cannot end.
    RunOnUiAndWait([owner, text, caption, icon] {
        ShowMessageBox(owner.data(), WindowText(text), caption, icon);
    });
}

bool CPageHost::RunOnUiAndWait(std::function<void()> fn) {
    if (IsShutDown())
        return false;
    if (QThread::currentThread() == thread()) {
        fn();
        return true;
    }
    auto done = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        this,
        [shared = shared_, done, fn = std::move(fn)] {
            if (!shared->shutdown.load())
                fn();
            {
                std::lock_guard<std::mutex> lock(shared->mutex);
                *done = true;
            }
            shared->cv.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(shared_->mutex);
    shared_->cv.wait(lock, [&] { return *done || shared_->shutdown.load(); });
    return *done;
}

}  // namespace veldrant::app
