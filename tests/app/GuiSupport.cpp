#include "tests/app/GuiSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTabBar>
#include <QTest>

#include "app/DevicePage.h"
#include "app/TabCtrl.h"
#include "course/Dialog2.h"
#include "firmware/Dialog1.h"
#include "marks/Dialog6.h"

namespace veldrant::guitest {

bool WaitFor(const std::function<bool()>& condition, int ms) {
    return QTest::qWaitFor(condition, ms);
}

QString FakeFileDialogs::GetOpenFileName(QWidget* owner, const QString& title,
                                         const QString& filter) {
    requests.push_back({owner, title, filter, QString(), false});
    if (whileOpen)
        whileOpen();
    return answer;
}

QString FakeFileDialogs::GetSaveFileName(QWidget* owner, const QString& defaultName,
                                         const QString& filter) {
    requests.push_back({owner, QString(), filter, defaultName, true});
    if (whileOpen)
        whileOpen();
    return answer;
}

MessageBoxCatcher::MessageBoxCatcher() {
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, &MessageBoxCatcher::Poll);
    timer_.start();
}

void MessageBoxCatcher::Poll() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box || !box->isVisible())
            continue;
        seen.push_back({box->text(), box->windowTitle(), box->icon()});
        if (whileShown)
            whileShown(box);
        box->done(QMessageBox::Ok);
    }
}

WindowRig::WindowRig(sim::WatchOptions options, bool plugged, std::chrono::milliseconds timeout,
                     std::chrono::milliseconds interval)
    : sim_(options, plugged), timeout_(timeout), interval_(interval) {}

WindowRig::~WindowRig() {
    Close();
}

CBrassieDlg& WindowRig::Open() {
    BrassieOptions options;
    options.makeLink = [this] { return sim_.MakeLink(timeout_); };
    options.fileDialogs = &dialogs_;
    options.guardSession = false;
    options.searchInterval = interval_;
    window_ = std::make_unique<CBrassieDlg>(std::move(options));
    window_->show();
    return *window_;
}

void WindowRig::Close() {
    window_.reset();
}

bool WindowRig::WaitConnected(int ms) {
    return WaitFor([] { return g_bConnected.load() == 1; }, ms);
}

bool WindowRig::WaitFacesSettled(int ms) {
    return WaitFor(
        [this] {
            for (app::CDevicePage* page :
                 {static_cast<app::CDevicePage*>(window_->MarkPage()),
                  static_cast<app::CDevicePage*>(window_->CoursePage()),
                  static_cast<app::CDevicePage*>(window_->FirmwarePage())}) {
                if (page->CachedConnected() != g_bConnected.load())
                    return false;
            }
            return true;
        },
        ms);
}

void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
}

void ClickTab(CBrassieDlg& window, int index) {
    QTabBar* bar = window.TabCtrl()->TabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
}

}  // namespace veldrant::guitest
