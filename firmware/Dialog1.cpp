#include "firmware/Dialog1.h"

#include <QLabel>

#include <memory>

#include "app/JobPaths.h"
#include "firmware/FirmwareUpdate.h"
#include "firmware/VersionQuery.h"
#include "widgets/ButtonST.h"
#include "widgets/Resources.h"

namespace {

constexpr const char* kText =
    "\n VELDRANTのファームウェアをアップデートします。\n アップデートには約1分かかります。\n "
    "書き込み中はUSBケーブルを抜かないでください。\n データが破損する恐れがあります。";

constexpr veldrant::app::CDevicePage::Faces kFaces{IDB_UPLOAD_IN,        IDB_UPLOAD_OUT,
                                                   IDB_UPLOAD_ABSENT_IN, IDB_UPLOAD_ABSENT_OUT,
                                                   IDB_UPLOAD_BUSY,      IDB_UPLOAD_REFUSED};

// Control 1008, under the page's text.
constexpr QRect kVersionRect(165, 180, 504, 22);

}  // namespace

CDialog1::CDialog1(veldrant::app::IPageServices& services, QWidget* parent)
    : CDevicePage(services, kFaces, kTimerId, QString::fromUtf8(kText),
                  QStringLiteral("ファームウェアのアップデート"), parent) {
    m_pVersion = new QLabel(this);
    m_pVersion->setObjectName("static1008");
    m_pVersion->setFont(services.SharedFont());
    m_pVersion->setGeometry(kVersionRect);
    m_pVersionWorker = new veldrant::app::CPageWorker(this);
}

CDialog1::~CDialog1() {
    Shutdown();
}

void CDialog1::Shutdown() {
    CDevicePage::Shutdown();
    m_pVersionWorker->Join();
}

void CDialog1::OnTimer() {
    if (!m_bVersionShown && veldrant::g_bConnected.load() == 1)
        StartVersionQuery();
    CDevicePage::OnTimer();
}

void CDialog1::OnConnectionChanged(bool connected) {
    if (connected)
        return;
    m_bVersionShown = false;
    ++m_nConnectionEpoch;
    m_pVersion->clear();
}

void CDialog1::StartVersionQuery() {
    // The query waits for nothing on the UI thread, and never while another request sequence
    // has the link: it simply runs again on a later tick.
    if (m_pVersionWorker->Running() || veldrant::g_bBusy.load() != 0)
        return;
    veldrant::CDeviceLink* link = m_services.Link();
    if (!link || m_pHost->IsShutDown())
        return;
    veldrant::app::CLinkGate& gate = m_services.Gate();
    auto answer = std::make_shared<std::optional<std::string>>();
    const unsigned epoch = m_nConnectionEpoch;
    m_pVersionWorker->Start(
        [link, &gate, answer] {
            auto hold = gate.TryAcquire();
            if (!hold.owns_lock())
                return;
            *answer = veldrant::firmware::QueryFirmwareVersion(*link);
        },
        [this, answer, epoch] {
            if (!*answer || m_bVersionShown || epoch != m_nConnectionEpoch ||
                veldrant::g_bConnected.load() != 1) {
                return;
            }
            m_pVersion->setText(QString::fromStdString(**answer));
            m_bVersionShown = true;
        });
}

void CDialog1::OnClicked() {
    if (!BeginPress())
        return;
    m_strPath.clear();
    m_strPath = ChooseFileToOpen(veldrant::app::kFilterBin);
    if (m_strPath.isEmpty())
        return;
    std::string path = veldrant::app::JobPath(m_strPath);
    RunOperation([path](veldrant::CDeviceLink& link, veldrant::ops::IOperationHost& host) {
        const std::string watch = link.DevicePath();
        const veldrant::firmware::UpdateResult result =
            veldrant::firmware::UpdateFirmware(link, host, path);
        // A pulled cable fails the block under way on both tries long before the page's copy
        // of the connected flag (refreshed each second) drops; the user must still hear that
        // the watch went, not find the page back as if nothing had happened.
        if (result.outcome == veldrant::firmware::UpdateOutcome::BlockFailed &&
            (link.m_bConnected.load() == 0 || !link.InterfaceListed(watch))) {
            host.ShowMessage(veldrant::ops::kTextDeviceRemoved, veldrant::ops::kCaptionError,
                             veldrant::ops::MessageIcon::Error);
        }
    });
}
