#include "app/DevicePage.h"

#include <QKeyEvent>
#include <QLabel>
#include <QTimer>

#include "app/FileDialogs.h"
#include "app/MessageBox.h"
#include "widgets/ButtonST.h"
#include "widgets/Resources.h"
#include "widgets/TextProgressCtrl.h"

namespace veldrant::app {

namespace {
// What the picture button's faces tell a sighted user.
constexpr const char* kDescriptionConnected = "端末が接続されています。";
constexpr const char* kDescriptionAbsent = "端末が接続されていません。";
constexpr const char* kDescriptionBusy = "実行中です。";
// Pixel places of the page's controls, the same on every device page.
constexpr QRect kButtonRect(18, 43, 140, 134);
constexpr QRect kTextRect(165, 43, 504, 134);
}  // namespace

std::string WatchBusyText(long holder) {
    std::string who = "別の Veldrant プログラム";
    if (holder > 0)
        who += "（プロセス " + std::to_string(holder) + "）";
    return "時計は" + who +
           "が使用中です。そのプログラムの処理が終わってから、もう一度お試しください。";
}

bool IsDialogKey(const QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return true;
        default:
            return false;
    }
}

CDevicePage::CDevicePage(IPageServices& services, const Faces& faces, int timerId,
                         const QString& text, const QString& job, QWidget* parent)
    : QWidget(parent), m_services(services), m_faces(faces) {
    m_pButton = new CButtonST(this);
    m_pButton->setObjectName("button1002");
    m_pButton->setAccessibleName(job);
    m_pButton->DrawBorder(false, false);
    m_pButton->setGeometry(kButtonRect);

    m_pText = new QLabel(text, this);
    m_pText->setObjectName("staticText");
    m_pText->setFont(services.SharedFont());
    m_pText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pText->setWordWrap(true);
    m_pText->setGeometry(kTextRect);

    m_pHost = new CPageHost(services, this, [this] { return m_bConnected.load() == 1; });
    m_pWorker = new CPageWorker(this);

    m_bConnected.store(g_bConnected.load());
    SetIdleFaces();

    m_pTimer = new QTimer(this);
    m_pTimer->setObjectName(QString("timer%1").arg(timerId));
    m_pTimer->setInterval(kPollMs);
    connect(m_pTimer, &QTimer::timeout, this, [this] { OnTimer(); });
    m_pTimer->start();

    connect(m_pButton, &QAbstractButton::clicked, this, [this] { OnClicked(); });
}

CDevicePage::~CDevicePage() {
    Shutdown();
}

void CDevicePage::Shutdown() {
    m_pTimer->stop();
    m_pHost->Shutdown();
    m_pWorker->Join();
}

bool CDevicePage::OperationInFlight() const {
    return m_pWorker->Running() || m_nBusyHeld > 0;
}

void CDevicePage::OnTimer() {
    int now = g_bConnected.load();
    if (now == m_bConnected.load())
        return;
    m_bConnected.store(now);
    SetIdleFaces();
    OnConnectionChanged(now == 1);
}

void CDevicePage::OnConnectionChanged(bool) {}

void CDevicePage::SetFaces(int idIn, int idOut) {
    const QColor transparent = ButtonTransparentColour();
    m_pButton->SetBitmaps(idIn, transparent, idOut, transparent);
    m_nFaceIn = idIn;
    m_nFaceOut = idOut;
    Describe();
}

void CDevicePage::Describe() {
    const char* state = m_nFaceIn == m_faces.busy  ? kDescriptionBusy
                        : m_bConnected.load() == 1 ? kDescriptionConnected
                                                   : kDescriptionAbsent;
    m_pButton->setAccessibleDescription(QString::fromUtf8(state));
}

void CDevicePage::SetIdleFaces() {
    if (m_bConnected.load() == 1) {
        SetFaces(m_faces.connectedIn, m_faces.connectedOut);
    } else {
        SetFaces(m_faces.absentIn, m_faces.absentOut);
    }
}

void CDevicePage::SetBusyFace() {
    SetFaces(m_faces.busy);
}

bool CDevicePage::BeginPress() {
    CTextProgressCtrl& bar = m_services.ProgressBar();
    bar.SetPos(0);
    bar.SetWindowText(QString());
    if (m_bConnected.load() == 1)
        return true;
    SetFaces(m_faces.refused);
    ShowMessageBox(this, ops::kTextCheckConnection, ops::kCaptionCheckConnection,
                   ops::MessageIcon::None);
    SetIdleFaces();
    return false;
}

QString CDevicePage::ChooseFileToOpen(const char* filter) {
    SetBusyFace();
    m_pButton->setEnabled(false);
    QString path = m_services.FileDialogs().GetOpenFileName(this, QString::fromUtf8(kTitleOpen),
                                                            QString::fromUtf8(filter));
    if (path.isEmpty())
        EndPress();
    return path;
}

void CDevicePage::EndPress() {
    SetIdleFaces();
    m_pButton->setEnabled(true);
}

void CDevicePage::EnterBusy() {
    ++m_nBusyHeld;
    g_bBusy.store(1);
    m_services.LockForOperation(true);
}

void CDevicePage::LeaveBusy() {
    if (m_nBusyHeld == 0)
        return;
    --m_nBusyHeld;
    m_services.LockForOperation(false);
    if (m_nBusyHeld == 0)
        g_bBusy.store(0);
}

void CDevicePage::RunOperation(std::function<void(CDeviceLink&, ops::IOperationHost&)> operation) {
    CDeviceLink* link = m_services.Link();
    if (!link || m_pHost->IsShutDown()) {
        EndPress();
        return;
    }
    // Busy from the press on, not only once the worker has started, so that no tab change
    // or second operation can slip in between.
    EnterBusy();
    CLinkGate& gate = m_services.Gate();
    ops::IOperationHost& host = *m_pHost;
    bool started = m_pWorker->Start(
        [link, &gate, &host, operation = std::move(operation)] {
            auto gateHeld = gate.Acquire();
            // The whole job is this program's alone: another Veldrant program's requests
            // must not land in the middle of it, nor ours in the middle of its job.
            CDeviceLink::HoldOutcome held = link->Hold();
            if (held == CDeviceLink::HoldOutcome::Busy) {
                long holder = 0;
                link->RefusedAsBusy(&holder);
                host.ShowMessage(WatchBusyText(holder), ops::kCaptionError,
                                 ops::MessageIcon::Error);
                return;
            }
            // A watch that went away meanwhile: the operation says so in its own words.
            operation(*link, host);
            if (held == CDeviceLink::HoldOutcome::Held)
                link->Release();
        },
        [this] {
            EndPress();
            LeaveBusy();
        });
    if (!started) {
        EndPress();
        LeaveBusy();
    }
}

void CDevicePage::keyPressEvent(QKeyEvent* event) {
    if (IsDialogKey(event)) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace veldrant::app
