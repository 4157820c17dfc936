#include "app/RoundsPage.h"

#include <QDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/FileDialogs.h"
#include "app/MessageBox.h"
#include "app/PicturePainter.h"
#include "app/logbook/ShowLogbook.h"
#include "rounds/ExportText.h"
#include "rounds/Measure.h"
#include "rounds/RoundReader.h"
#include "widgets/UiFont.h"

namespace veldrant::app {
namespace {

// Inside the 690 x 207 page.
constexpr QRect kOpenRect(2, 2, 76, 24);
constexpr QRect kOfferedRect(82, 2, 230, 24);
constexpr QRect kFileRect(318, 2, 282, 24);
constexpr QRect kLogbookRect(604, 2, 84, 24);
constexpr QRect kRoundsRect(2, 30, 196, 112);
constexpr QRect kSummaryRect(4, 144, 194, 62);
constexpr QRect kHolesRect(202, 30, 306, 176);
constexpr QRect kPictureRect(512, 30, 176, 176);
constexpr int kFontPixels = 12;

const char* const kColumns[] = {"ホール", "打数", "パット", "ティー", "最長", "各打 (yd)"};
constexpr int kColumnWidths[] = {40, 34, 40, 44, 44};

QString Yd(const std::optional<double>& metres) {
    if (!metres)
        return QStringLiteral("-");
    std::string s;
    double y = rounds::Yards(*metres);
    rounds::text::AppendFixed(s, y, y < 10 ? 1 : 0);
    return QString::fromStdString(s);
}

QString U(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace

CRoundsPage::CRoundsPage(IPageServices& services, QWidget* parent)
    : QWidget(parent), m_services(services) {
    const QFont font = MakeGothicFont(kFontPixels);
    setFont(font);

    m_pOpen = new QPushButton(QStringLiteral("開く..."), this);
    m_pOpen->setObjectName("roundsOpen");
    m_pOpen->setGeometry(kOpenRect);
    m_pOpen->setAutoDefault(false);
    connect(m_pOpen, &QPushButton::clicked, this, &CRoundsPage::OnOpen);

    m_pOffered = new QPushButton(this);
    m_pOffered->setObjectName("roundsOffered");
    m_pOffered->setGeometry(kOfferedRect);
    m_pOffered->setAutoDefault(false);
    m_pOffered->hide();
    connect(m_pOffered, &QPushButton::clicked, this, [this] { OpenFile(m_offered); });

    m_pLogbook = new QPushButton(QStringLiteral("ログブック"), this);
    m_pLogbook->setObjectName("roundsLogbook");
    m_pLogbook->setGeometry(kLogbookRect);
    m_pLogbook->setAutoDefault(false);
    m_pLogbook->setToolTip(QStringLiteral("これまでに取り込んだすべてのラウンドと統計"));
    m_pLogbook->setVisible(HasLogbook());
    connect(m_pLogbook, &QPushButton::clicked, this, [this] { ShowLogbookWindow(window()); });

    m_pFileLabel = new QLabel(QStringLiteral("地点データのCSVファイルを開いてください。"), this);
    m_pFileLabel->setObjectName("roundsFile");
    m_pFileLabel->setGeometry(kFileRect);

    m_pRounds = new QListWidget(this);
    m_pRounds->setObjectName("roundsList");
    m_pRounds->setGeometry(kRoundsRect);
    m_pRounds->setAccessibleName(QStringLiteral("ラウンド一覧"));
    connect(m_pRounds, &QListWidget::currentRowChanged, this, &CRoundsPage::ShowRound);

    m_pSummary = new QLabel(this);
    m_pSummary->setGeometry(kSummaryRect);
    m_pSummary->setWordWrap(true);
    m_pSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_pHoles = new QTableWidget(0, 6, this);
    m_pHoles->setObjectName("roundsHoles");
    m_pHoles->setGeometry(kHolesRect);
    QStringList headers;
    for (const char* c : kColumns)
        headers << QString::fromUtf8(c);
    m_pHoles->setHorizontalHeaderLabels(headers);
    // Tab leaves the table for the next control; the arrow keys move inside it.
    m_pHoles->setTabKeyNavigation(false);
    m_pHoles->setAccessibleName(QStringLiteral("ホール一覧"));
    m_pHoles->horizontalHeaderItem(5)->setToolTip(
        QStringLiteral("次の地点までの距離。p: パット、外: 外れ値"));
    m_pHoles->verticalHeader()->hide();
    m_pHoles->verticalHeader()->setDefaultSectionSize(20);
    m_pHoles->horizontalHeader()->setFixedHeight(22);
    for (int c = 0; c < 5; ++c)
        m_pHoles->setColumnWidth(c, kColumnWidths[c]);
    m_pHoles->horizontalHeader()->setStretchLastSection(true);
    m_pHoles->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pHoles->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pHoles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(m_pHoles, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { ShowHole(row); });

    m_pPicture = new CHolePictureView(this);
    m_pPicture->setObjectName("roundsPicture");
    m_pPicture->setGeometry(kPictureRect);
    m_pPicture->setToolTip(QStringLiteral("クリックで拡大"));
    m_pPicture->setAccessibleName(QStringLiteral("ホールの図"));
    connect(m_pPicture, &CHolePictureView::Clicked, this, &CRoundsPage::OpenLargePicture);
}

void CRoundsPage::OfferFile(const QString& path) {
    m_offered = path;
    m_pOffered->setText(QStringLiteral("取り込んだファイル: ") + QFileInfo(path).fileName());
    m_pOffered->setToolTip(path);
    m_pOffered->show();
}

void CRoundsPage::OnOpen() {
    QString path = m_services.FileDialogs().GetOpenFileName(this, QString::fromUtf8(kTitleOpen),
                                                            QString::fromUtf8(kFilterCsv));
    if (path.isEmpty() || !OpenFile(path))
        return;
    // A file the golfer opens goes into the logbook too; the file label and the logbook button
    // say what went in.
    const QString shown = m_pFileLabel->text();
    const QString line = AddImportToLogbook(
        path, [this](const QString& waiting) { m_pFileLabel->setText(waiting); });
    m_pFileLabel->setText(shown);
    m_pFileLabel->setToolTip(line);
    m_pLogbook->setToolTip(
        line.isEmpty() ? QStringLiteral("これまでに取り込んだすべてのラウンドと統計") : line);
}

bool CRoundsPage::OpenFile(const QString& path) {
    // The path in UTF-8 on every platform, as the rounds take it (not the ANSI code page).
    rounds::ReadResult r = rounds::LoadRounds(path.toStdString());
    if (!r.ok()) {
        ShowMessageBox(this, "地点データのCSVファイルとして読めません。\n" + r.error, "Error",
                       ops::MessageIcon::Error);
        return false;
    }
    m_path = path;
    ShowRounds(std::move(r.file), QFileInfo(path).fileName(), path);
    return true;
}

bool CRoundsPage::ShowLogbookRounds() {
    std::optional<rounds::RoundFile> latest = LatestLogbookRounds(kLatestRounds, m_logbookSeen);
    if (!latest || latest->rounds.empty())
        return false;
    ShowRounds(
        std::move(*latest), QStringLiteral("ログブックの最近のラウンド"),
        QStringLiteral(
            "ログブックに記録した最近の%1ラウンド（新しい順）。開く...でファイルを読みます。")
            .arg(kLatestRounds));
    return true;
}

void CRoundsPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The logbook may have grown since the tab was last shown; if not, the round chosen stays.
    if (m_path.isEmpty())
        ShowLogbookRounds();
}

void CRoundsPage::ShowRounds(rounds::RoundFile file, const QString& label, const QString& tip) {
    // The views let go of the old rounds before they are replaced.
    if (m_pLarge)
        m_pLarge->close();
    m_pPicture->Show(nullptr, -1);
    m_pHoles->setRowCount(0);
    m_file = std::move(file);
    m_pFileLabel->setText(label + QStringLiteral("  (%1ラウンド)").arg(m_file.rounds.size()));
    m_pFileLabel->setToolTip(tip);

    QSignalBlocker block(m_pRounds);
    m_pRounds->clear();
    for (const rounds::Round& round : m_file.rounds) {
        m_pRounds->addItem(QStringLiteral("%1  %2  %3")
                               .arg(round.number)
                               .arg(U(rounds::DateText(round.start)))
                               .arg(U(round.golfCourseName)));
        m_pRounds->item(m_pRounds->count() - 1)
            ->setToolTip(U(round.golfCourseName) + QStringLiteral(" (%1)").arg(round.golfCourseId));
    }
    block.unblock();
    if (m_file.rounds.empty()) {
        m_pSummary->setText(QStringLiteral("ラウンドがありません。"));
        return;
    }
    m_pRounds->setCurrentRow(0);
}

void CRoundsPage::ShowRound(int index) {
    if (index < 0 || index >= static_cast<int>(m_file.rounds.size()))
        return;
    const rounds::Round& round = m_file.rounds[static_cast<size_t>(index)];
    const rounds::RoundTotals t = rounds::Totals(round);
    QString summary = QStringLiteral("%1ホール %2打 %3パット（地点の数）")
                          .arg(t.holes)
                          .arg(t.strokes)
                          .arg(t.putts);
    if (t.longest)
        summary += QStringLiteral("\n最長 %1 yd").arg(Yd(t.longest));
    if (t.averageTeeShot)
        summary += QStringLiteral("  平均ティー %1 yd").arg(Yd(t.averageTeeShot));
    if (t.outliers > 0)
        summary += QStringLiteral("\n外れ値 %1").arg(t.outliers);
    m_pSummary->setText(summary);

    QSignalBlocker block(m_pHoles);
    m_pHoles->setRowCount(static_cast<int>(round.holes.size()));
    for (size_t h = 0; h < round.holes.size(); ++h) {
        const rounds::Hole& hole = round.holes[h];
        QString shots;
        for (size_t i = 0; i < hole.marks.size(); ++i) {
            const rounds::Mark& m = hole.marks[i];
            if (i + 1 == hole.marks.size() && !m.distance && !m.outlier)
                break;  // the hole's last mark measures to nothing
            if (!shots.isEmpty())
                shots += ' ';
            if (m.kind == rounds::MarkKind::Putt)
                shots += 'p';
            shots += m.outlier ? QStringLiteral("外") : Yd(m.distance);
        }
        const QString cells[] = {QString::number(hole.number),
                                 QString::number(hole.Strokes()),
                                 QString::number(hole.Putts()),
                                 Yd(hole.teeShot),
                                 Yd(hole.longest),
                                 shots};
        for (int c = 0; c < 6; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c < 5 ? Qt::AlignRight | Qt::AlignVCenter
                                         : Qt::AlignLeft | Qt::AlignVCenter);
            if (c == 0)
                item->setToolTip(U(hole.courseName));
            m_pHoles->setItem(static_cast<int>(h), c, item);
        }
    }
    block.unblock();
    m_pHoles->setCurrentCell(0, 0);
    ShowHole(round.holes.empty() ? -1 : 0);
}

void CRoundsPage::ShowHole(int row) {
    int index = m_pRounds->currentRow();
    if (index < 0 || index >= static_cast<int>(m_file.rounds.size()))
        return;
    const rounds::Round& round = m_file.rounds[static_cast<size_t>(index)];
    m_pPicture->Show(&round, row < static_cast<int>(round.holes.size()) ? row : -1);
    if (auto* large = m_pLarge ? m_pLarge->findChild<CHolePictureView*>() : nullptr)
        large->Show(&round, m_pPicture->ShownHole());
}

QWidget* CRoundsPage::LargePicture() const {
    return m_pLarge;
}

void CRoundsPage::OpenLargePicture() {
    if (m_pLarge) {
        m_pLarge->raise();
        return;
    }
    auto* dialog = new QDialog(this);
    dialog->setObjectName("roundsLargePicture");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QString::fromUtf8(kTitle));
    auto* view = new CHolePictureView(dialog);
    view->Show(m_pPicture->ShownRound(), m_pPicture->ShownHole());
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    dialog->setFixedSize(CHolePictureView::kLayoutSize, CHolePictureView::kLayoutSize);
    connect(view, &CHolePictureView::Clicked, dialog, &QDialog::close);
    m_pLarge = dialog;
    connect(dialog, &QObject::destroyed, this, [this] { m_pLarge = nullptr; });
    dialog->show();
}

}  // namespace veldrant::app
