#include "app/BrassieDlg.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPushButton>
#include <QSessionManager>
#include <QShowEvent>

#include <cstdint>

#include "app/DevicePage.h"
#include "app/RoundsPage.h"
#include "app/TabCtrl.h"
#include "app/WindowMessageFilter.h"
#include "app/logbook/ShowLogbook.h"
#include "course/Dialog2.h"
#include "firmware/Dialog1.h"
#include "marks/Dialog6.h"
#include "platform/SessionGuard.h"
#include "platform/WindowMenu.h"
#include "widgets/Dialog5.h"
#include "widgets/Resources.h"
#include "widgets/TextProgressCtrl.h"
#include "widgets/UiFont.h"

using namespace veldrant;

namespace {
constexpr int kSharedFontHeight = 16;
constexpr const char* kTabTitles[CBrassieDlg::kTabCount] = {
    "地点データ", "コースデータ", "ファームウェアアップデート", "情報", app::CRoundsPage::kTitle};
}  // namespace

CBrassieDlg::CBrassieDlg(BrassieOptions options, QWidget* parent)
    : QDialog(parent), m_options(std::move(options)) {
    m_pFileDialogs = m_options.fileDialogs ? m_options.fileDialogs : &m_desktopFileDialogs;
    OnInitDialog();
}

CBrassieDlg::~CBrassieDlg() {
    Teardown();
}

void CBrassieDlg::OnInitDialog() {
    setObjectName("mainWindow");
    setWindowTitle(kMainWindowTitle);
    setWindowIcon(WindowIcon());
    // A fixed frame with caption and close box, no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);

    // The session may not end while the window is open: the login manager's shutdown is held
    // off with the reason shown to the user, and the session manager's log-off is refused. On
    // Windows the reason goes on the window once it exists (showEvent) and the window refuses
    // the end-session query itself.
    if (m_options.guardSession) {
        m_pSessionGuard =
            std::make_unique<platform::CSessionGuard>(kMainWindowTitle, kShutdownBlockReason);
    }
    m_pMessageFilter = std::make_unique<app::CWindowMessageFilter>(m_options.guardSession);
    QCoreApplication::instance()->installNativeEventFilter(m_pMessageFilter.get());
#ifndef QT_NO_SESSIONMANAGER
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, [](QSessionManager& manager) {
            manager.allowsInteraction();
            manager.cancel();
        });
    }
#endif

    m_font = MakeGothicFont(kSharedFontHeight);
    m_pTab = new app::CTabCtrl(this);
    m_pTab->setObjectName("tab1000");
    m_pTab->setFont(m_font);
    QStringList titles;
    for (const char* title : kTabTitles)
        titles << QString(title);
    m_pTab->InsertItems(titles);

    m_pProgress = new CTextProgressCtrl(this);
    m_pProgress->setObjectName("progress1001");
    m_pProgress->SetRange(0, 100);
    m_pProgress->setGeometry(kProgressRect);
    m_pProgress->setAccessibleName(QStringLiteral("進行状況"));

    m_pExit = new QPushButton(QStringLiteral("終了"), this);
    m_pExit->setObjectName("button2");
    // Enter must not press it: Enter does nothing anywhere in this window.
    m_pExit->setAutoDefault(false);
    m_pExit->setDefault(false);
    m_pExit->setFont(m_font);
    m_pExit->setGeometry(kExitRect);
    connect(m_pExit, &QPushButton::clicked, this, &CBrassieDlg::reject);

    m_pTab->setGeometry(kTabRect);
    CreatePages();
    // The keyboard goes from the tabs through the shown page to Exit: the pages, made after
    // Exit, would otherwise come after it.
    // (Qt orders only widgets that take the focus.)
    QWidget* last = m_pExit;
    for (QWidget* w = m_pExit->nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        if (w->focusPolicy() != Qt::NoFocus)
            last = w;
    }
    if (last != m_pExit)
        QWidget::setTabOrder(last, m_pExit);
    connect(m_pTab, &app::CTabCtrl::SelectionChanged, this, &CBrassieDlg::OnSelChangeTab);

    g_bConnected.store(0);
    g_bBusy.store(0);

    m_pLink = m_options.makeLink ? m_options.makeLink() : std::make_unique<CDeviceLink>();
    g_pDeviceLink.store(m_pLink.get());
    // Notices come on a transport thread; the removal handling runs on the UI thread.
    m_pLink->RegisterArrivalRemoval([this](platform::HidNotice notice, const std::string& path) {
        QMetaObject::invokeMethod(
            this, [this, notice, path] { OnDeviceChange(notice, path); }, Qt::QueuedConnection);
    });

    CDeviceLink* link = m_pLink.get();
    m_pWatcher = std::make_unique<app::CDeviceWatcher>(
        app::g_hWatchEvent, [link] { return link->Discover(); }, m_options.searchInterval);
    m_pWatcher->Start();
}

void CBrassieDlg::CreatePages() {
    m_pDialog1 = new CDialog1(*this, m_pTab);
    m_pDialog1->setObjectName("dialog1");
    m_pDialog2 = new CDialog2(*this, m_pTab);
    m_pDialog2->setObjectName("dialog2");
    m_pDialog5 = new CDialog5(m_font, m_pTab);
    m_pDialog5->setObjectName("dialog5");
    m_pDialog6 = new CDialog6(*this, m_pTab);
    m_pDialog6->setObjectName("dialog6");
    m_pRounds = new app::CRoundsPage(*this, m_pTab);
    m_pRounds->setObjectName("roundsPage");
    // A finished import is offered on the rounds page; the mark page's offer opens it there.
    connect(m_pDialog6, &CDialog6::MarkFileWritten, m_pRounds, &app::CRoundsPage::OfferFile);
    // ... and kept in the logbook, once the file is in place; the page says what went in.
    connect(m_pDialog6, &CDialog6::MarkFileWritten, this, [this](const QString& path) {
        m_pDialog6->ShowLogbookLine(app::AddImportToLogbook(
            path, [this](const QString& waiting) { m_pDialog6->ShowLogbookLine(waiting); }));
    });
    connect(m_pDialog6, &CDialog6::OpenLogbook, this, [this] { app::ShowLogbookWindow(this); });
    connect(m_pDialog6, &CDialog6::ShowInRounds, this, [this](const QString& path) {
        if (g_bBusy.load() != 0)
            return;
        m_pTab->SetCurSel(kRoundsTab);
        OnSelChangeTab(kRoundsTab);
        m_pRounds->OpenFile(path);
    });

    QRect page =
        m_pTab->rect().adjusted(kPageInsetLeft, kPageInsetTop, -kPageInsetRight, -kPageInsetBottom);
    for (int i = 0; i < kTabCount; ++i) {
        PageForTab(i)->setGeometry(page);
        PageForTab(i)->setVisible(i == 0);
    }
    m_pTab->SetCurSel(0);
}

QWidget* CBrassieDlg::PageForTab(int index) const {
    switch (index) {
        case 0:
            return m_pDialog6;
        case 1:
            return m_pDialog2;
        case 2:
            return m_pDialog1;
        case 3:
            return m_pDialog5;
        case kRoundsTab:
            return m_pRounds;
        default:
            return nullptr;
    }
}

void CBrassieDlg::OnSelChangeTab(int index) {
    QWidget* shown = PageForTab(index);
    if (!shown)
        return;
    for (int i = 0; i < kTabCount; ++i) {
        if (PageForTab(i) != shown)
            PageForTab(i)->hide();
    }
    shown->show();
    shown->setFocus();
}

void CBrassieDlg::OnDeviceChange(platform::HidNotice notice, const std::string& path) {
    if (m_bTornDown || !m_pLink)
        return;
    app::HandleDeviceChange(*m_pLink, app::g_hWatchEvent, notice, path);
}

void CBrassieDlg::LockForOperation(bool lock) {
    m_nOperationLocks += lock ? 1 : -1;
    if (m_nOperationLocks < 0)
        m_nOperationLocks = 0;
    m_pExit->setEnabled(m_nOperationLocks == 0);
    // Before the native window exists there is no menu yet: showEvent sets it then.
    platform::EnableWindowClose(std::uintptr_t(internalWinId()), m_nOperationLocks == 0);
}

bool CBrassieDlg::OperationInFlight() const {
    if (m_nOperationLocks > 0 || g_bBusy.load() != 0)
        return true;
    for (const app::CDevicePage* page : {static_cast<const app::CDevicePage*>(m_pDialog1),
                                         static_cast<const app::CDevicePage*>(m_pDialog2),
                                         static_cast<const app::CDevicePage*>(m_pDialog6)}) {
        if (page->OperationInFlight())
            return true;
    }
    return false;
}

bool CBrassieDlg::SessionGuardHeld() const {
    return m_pSessionGuard && m_pSessionGuard->Held();
}

void CBrassieDlg::reject() {
    if (OperationInFlight())
        return;
    QDialog::reject();
}

void CBrassieDlg::keyPressEvent(QKeyEvent* event) {
    if (app::IsDialogKey(event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CBrassieDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The native window exists now: the shutdown block reason belongs to it, and its menu's
    // Close item follows the operation lock.
    const auto window = std::uintptr_t(winId());
    if (m_pSessionGuard)
        m_pSessionGuard->AttachWindow(window);
    platform::EnableWindowClose(window, m_nOperationLocks == 0);
}

void CBrassieDlg::Teardown() {
    if (m_bTornDown)
        return;
    m_bTornDown = true;
    CDeviceLink* link = m_pLink.get();
    // The watcher first: once it is joined nothing searches or reopens the link. Closing the
    // link cuts a search in progress short.
    if (m_pWatcher)
        m_pWatcher->Stop([link] {
            if (link)
                link->Close();
        });
    // A worker still running fails its next exchange at once and is not kept waiting by a
    // message box; then every page thread is joined while the link still exists.
    if (link)
        link->Close();
    g_bConnected.store(0);
    m_pDialog1->Shutdown();
    m_pDialog2->Shutdown();
    m_pDialog6->Shutdown();
    g_pDeviceLink.store(nullptr);
    m_pLink.reset();
    m_pWatcher.reset();
    m_pMessageFilter.reset();  // leaves the application's filters on its own
    m_pSessionGuard.reset();
    g_bConnected.store(0);
    g_bBusy.store(0);
}
