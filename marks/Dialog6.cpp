#include "marks/Dialog6.h"

#include <QLabel>
#include <QPushButton>

#include "app/JobPaths.h"
#include "marks/MarkImport.h"
#include "widgets/ButtonST.h"
#include "widgets/Resources.h"

namespace {

constexpr const char* kText = "\n VELDRANTに保存した地点データをPCに取り込みます。";
constexpr QRect kShowRoundsRect(529, 176, 150, 26);
constexpr QRect kOpenLogbookRect(419, 176, 104, 26);
constexpr QRect kLogbookLineRect(169, 124, 510, 44);

constexpr veldrant::app::CDevicePage::Faces kFaces{IDB_MARK_IN,        IDB_MARK_OUT,
                                                   IDB_MARK_ABSENT_IN, IDB_MARK_ABSENT_OUT,
                                                   IDB_MARK_BUSY,      IDB_MARK_REFUSED};

}  // namespace

// The import's host: the page's host for progress and messages, the save dialog shown on the
// UI thread for the worker that asks. The worker tests the live connected flag before each
// block; the page's copy only decides whether a press may start.
class CDialog6::CMarkHost : public veldrant::marks::IMarkImportHost {
public:
    CMarkHost(veldrant::app::CPageHost& host, veldrant::app::IPageServices& services,
              QWidget* owner)
        : host_(host), services_(services), owner_(owner) {}

    void SetProgressPos(int percent) override { host_.SetProgressPos(percent); }
    void SetProgressText(const std::string& text) override { host_.SetProgressText(text); }
    void ShowMessage(const std::string& text, const std::string& caption,
                     veldrant::ops::MessageIcon icon) override {
        host_.ShowMessage(text, caption, icon);
    }
    void SetOperationRunning(bool running) override { host_.SetOperationRunning(running); }
    bool IsConnected() override { return veldrant::g_bConnected.load() == 1; }

    std::optional<std::string> ChooseOutputPath(const std::string& defaultName) override {
        // The answer lives in shared memory: should the window go while the dialog is open,
        // the worker returns at once and the dialog's answer lands here, not on its stack.
        auto chosen = std::make_shared<QString>();
        QString name = QString::fromStdString(defaultName);
        bool ran = host_.RunOnUiAndWait([this, chosen, name] {
            *chosen = services_.FileDialogs().GetSaveFileName(
                owner_, name, QString::fromUtf8(veldrant::app::kFilterCsv));
        });
        if (!ran || chosen->isEmpty())
            return std::nullopt;
        return veldrant::app::JobPath(*chosen);
    }

private:
    veldrant::app::CPageHost& host_;
    veldrant::app::IPageServices& services_;
    QWidget* owner_;
};

CDialog6::CDialog6(veldrant::app::IPageServices& services, QWidget* parent)
    : CDevicePage(services, kFaces, kTimerId, QString::fromUtf8(kText),
                  QStringLiteral("地点データの取り込み"), parent),
      m_pMarkHost(std::make_unique<CMarkHost>(*m_pHost, services, this)) {
    m_pShowRounds = new QPushButton(QStringLiteral("ラウンドで見る"), this);
    m_pShowRounds->setObjectName("showInRounds");
    m_pShowRounds->setGeometry(kShowRoundsRect);
    m_pShowRounds->setAutoDefault(false);
    m_pShowRounds->hide();
    connect(m_pShowRounds, &QPushButton::clicked, this,
            [this] { Q_EMIT ShowInRounds(m_lastFile); });
    m_pLogbookLine = new QLabel(this);
    m_pLogbookLine->setObjectName("logbookLine");
    m_pLogbookLine->setGeometry(kLogbookLineRect);
    m_pLogbookLine->setWordWrap(true);
    m_pLogbookLine->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pLogbookLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pLogbookLine->hide();
    m_pOpenLogbook = new QPushButton(QStringLiteral("ログブック"), this);
    m_pOpenLogbook->setObjectName("openLogbook");
    m_pOpenLogbook->setGeometry(kOpenLogbookRect);
    m_pOpenLogbook->setAutoDefault(false);
    m_pOpenLogbook->hide();
    connect(m_pOpenLogbook, &QPushButton::clicked, this, [this] { Q_EMIT OpenLogbook(); });
}

void CDialog6::ShowLogbookLine(const QString& text) {
    m_pLogbookLine->setText(text);
    m_pLogbookLine->setVisible(!text.isEmpty());
    m_pOpenLogbook->setVisible(!text.isEmpty());
}

CDialog6::~CDialog6() {
    // The worker uses the import and its host: it has to be gone before they are.
    Shutdown();
}

void CDialog6::OnClicked() {
    m_pShowRounds->hide();
    ShowLogbookLine({});
    if (!BeginPress())
        return;
    SetBusyFace();
    m_pButton->setEnabled(false);
    veldrant::CDeviceLink* link = m_services.Link();
    if (!link) {
        EndPress();
        return;
    }
    if (!m_pImport)
        m_pImport = std::make_unique<veldrant::marks::MarkImport>(*link);
    veldrant::marks::MarkImport& import = *m_pImport;
    CMarkHost& markHost = *m_pMarkHost;
    // Requests 10 and 18 run on the worker, so that a watch slow to answer never freezes the
    // window; the save dialog between them and the download comes back to the UI thread.
    RunOperation(
        [this, &import, &markHost](veldrant::CDeviceLink&, veldrant::ops::IOperationHost&) {
            if (import.Start(markHost) != veldrant::marks::StartOutcome::Ready)
                return;
            veldrant::marks::ImportResult result = import.Run(markHost);
            if (result.outcome != veldrant::marks::RunOutcome::Done &&
                result.outcome != veldrant::marks::RunOutcome::Incomplete)
                return;
            // Back on the UI thread; dropped by Qt should the page be gone by then.
            QString path = veldrant::app::WindowPath(result.path);
            QMetaObject::invokeMethod(
                this,
                [this, path] {
                    m_lastFile = path;
                    m_pShowRounds->show();
                    Q_EMIT MarkFileWritten(path);
                },
                Qt::QueuedConnection);
        });
}
