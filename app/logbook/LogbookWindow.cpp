#include "app/logbook/LogbookWindow.h"

#include <QComboBox>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <map>
#include <set>

#include "app/MessageBox.h"
#include "app/PicturePainter.h"
#include "app/logbook/LogbookAdd.h"
#include "app/logbook/LogbookCharts.h"
#include "app/logbook/ParEditor.h"
#include "app/logbook/TableCopy.h"
#include "logbook/Card.h"
#include "logbook/Logbook.h"
#include "logbook/Statistics.h"
#include "rounds/Measure.h"

namespace veldrant::app {

namespace {

constexpr int kSortRole = Qt::UserRole + 1;
constexpr int kIdRole = Qt::UserRole + 2;
constexpr int kKeyRole = Qt::UserRole + 3;  // golf course id (its column), year (the date's)

QString U(const std::string& s) {
    return QString::fromStdString(s);
}

QString Date(const rounds::LocalTime& t) {
    return U(rounds::DateText(t));
}

// "09:15", the clock without its seconds.
QString Clock(const rounds::LocalTime& t) {
    return U(rounds::ClockText(t)).left(5);
}

QString Fixed(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}

QString Fixed(const std::optional<double>& v, int decimals) {
    return v ? Fixed(*v, decimals) : QStringLiteral("-");
}

QString Percent(const std::optional<double>& rate) {
    return rate ? Fixed(*rate * 100, 1) + QStringLiteral("%") : QStringLiteral("-");
}

QString Yd(const std::optional<double>& metres) {
    if (!metres)
        return QStringLiteral("-");
    return QStringLiteral("%1 yd（%2 m）").arg(Fixed(rounds::Yards(*metres), 0), Fixed(*metres, 0));
}

QString Signed(double v, int decimals) {
    return (v > 0 ? QStringLiteral("+") : QString()) + Fixed(v, decimals);
}

void AppendHoles(QString& out, const logbook::Stats& s,
                 const std::vector<logbook::HoleFigures>& holes, bool byCourse) {
    int golfCourse = -1;
    for (const logbook::HoleFigures& h : holes) {
        if (h.golfCourseId != golfCourse) {
            golfCourse = h.golfCourseId;
            auto name = s.golfCourseNames.find(golfCourse);
            out += QStringLiteral("  %1\n").arg(
                name == s.golfCourseNames.end() ? QString::number(golfCourse) : U(name->second));
        }
        out += byCourse ? QStringLiteral("    コース%1 %2番").arg(h.courseId).arg(h.hole)
                        : QStringLiteral("    %1番").arg(h.hole);
        out += QStringLiteral("  %1回  平均 %2打 %3パット")
                   .arg(h.played)
                   .arg(Fixed(h.strokes, 2), Fixed(h.putts, 2));
        if (h.toPar)
            out += QStringLiteral("  パー比 %1").arg(Signed(*h.toPar, 2));
        out += '\n';
    }
}

// The figures as text a golfer can select and copy.
QString JapaneseStats(const logbook::Stats& s) {
    const logbook::CardFigures& c = s.card;
    QString out = QStringLiteral("ラウンド数: %1\n\n").arg(s.rounds);
    out += QStringLiteral("スコアカードから\n");
    out += QStringLiteral("  スコアカードのあるラウンド: %1（18ホール %2、9ホール %3）\n")
               .arg(c.rounds)
               .arg(c.rounds18)
               .arg(c.rounds9);
    auto scoring = [&](int holes, int rounds, const std::optional<double>& average,
                       const std::optional<int>& best, const std::optional<double>& putts) {
        if (!rounds)
            return;
        out += QStringLiteral("  %1ホール: 平均スコア %2、ベスト %3、1ラウンドのパット %4\n")
                   .arg(holes)
                   .arg(Fixed(average, 2))
                   .arg(best ? QString::number(*best) : QStringLiteral("-"))
                   .arg(Fixed(putts, 2));
    };
    scoring(18, c.rounds18, c.scoreAverage18, c.bestScore18, c.puttsPerRound18);
    scoring(9, c.rounds9, c.scoreAverage9, c.bestScore9, c.puttsPerRound9);
    if (c.holes) {
        out += QStringLiteral("  1ホールのパット: %1（%2ホール）\n")
                   .arg(Fixed(c.puttsPerHole, 2))
                   .arg(c.holes);
        out += QStringLiteral("  1パット率: %1、3パット以上の率: %2\n")
                   .arg(Percent(c.onePuttRate), Percent(c.threePuttRate));
    }
    if (s.par) {
        const logbook::ParFigures& p = *s.par;
        out += QStringLiteral("  パーのわかるホール（%1ホール）:\n").arg(p.holes);
        if (p.toParAverage18)
            out += QStringLiteral("    18ホールのパー比: %1（ベスト %2）\n")
                       .arg(Signed(*p.toParAverage18, 2), Signed(*p.bestToPar18, 0));
        out += QStringLiteral("    バーディー以上 %1、パー %2、ボギー %3、ダブルボギー以上 %4\n")
                   .arg(p.birdiesOrBetter)
                   .arg(p.pars)
                   .arg(p.bogeys)
                   .arg(p.doubleBogeysOrWorse);
        out += QStringLiteral("    パーオン率: %1").arg(Percent(p.greenRate));
        if (p.puttsPerGreen)
            out +=
                QStringLiteral("、パーオンしたホールのパット: %1").arg(Fixed(*p.puttsPerGreen, 2));
        out += QStringLiteral("\n    リカバリー率: %1\n").arg(Percent(p.scrambling));
    }
    if (!c.holeFigures.empty()) {
        out += QStringLiteral("  ホール別（難しい順）:\n");
        AppendHoles(out, s, c.holeFigures, false);
    }

    const logbook::MarkFigures& m = s.marks;
    out += QStringLiteral("\nマークから\n");
    out += QStringLiteral("  地点のあるラウンド: %1\n").arg(m.rounds);
    if (m.rounds)
        out += QStringLiteral("  1ラウンドの地点: ショット %1、パット %2\n")
                   .arg(Fixed(m.shotsPerRound, 2), Fixed(m.puttsPerRound, 2));
    out += QStringLiteral("  ティーショット: %1回\n").arg(m.teeShot.count);
    if (m.teeShot.count) {
        out += QStringLiteral("    平均 %1\n").arg(Yd(m.teeShot.averageMetres));
        out += QStringLiteral("    中央値 %1\n").arg(Yd(m.teeShot.medianMetres));
        out += QStringLiteral("    最長 %1\n").arg(Yd(m.teeShot.longestMetres));
    }
    if (!m.holeFigures.empty()) {
        out += QStringLiteral("  コースとホール別:\n");
        AppendHoles(out, s, m.holeFigures, true);
    }
    if (!s.handicap.scores.empty()) {
        const logbook::HandicapResult& h = s.handicap;
        out += QStringLiteral("\nハンディキャップインデックス（非公式）: ");
        if (h.indexTenths)
            out += QStringLiteral("%1（直近 %2 のスコアディファレンシャルのうち良い %3）\n")
                       .arg(Fixed(*h.indexTenths / 10.0, 1))
                       .arg(std::min<size_t>(h.scores.size(), 20))
                       .arg(h.used);
        else
            out += QStringLiteral("スコアが3つ必要です（現在 %1）\n").arg(h.scores.size());
    }
    return out;
}

}  // namespace

// The list's filter: one golf course, one year, or all.
class CRoundFilterModel : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void Set(std::optional<int> golfCourse, std::optional<int> year) {
        golfCourse_ = golfCourse;
        year_ = year;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        auto key = [&](int column) {
            return sourceModel()->index(row, column, parent).data(kKeyRole).toInt();
        };
        return (!golfCourse_ || key(CLogbookWindow::kGolfCourse) == *golfCourse_) &&
               (!year_ || key(CLogbookWindow::kDate) == *year_);
    }

private:
    std::optional<int> golfCourse_, year_;
};

CLogbookWindow::CLogbookWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName("logbookWindow");
    setWindowTitle(QString::fromUtf8(kTitle));
    setAcceptDrops(true);
    m_pTabs = new QTabWidget(this);
    m_pTabs->setObjectName("logbookTabs");
    auto* rounds = new QWidget(m_pTabs);
    auto* stats = new QWidget(m_pTabs);
    m_pPar = new CParEditor(m_pTabs);
    BuildRoundsPage(rounds);
    BuildStatsPage(stats);
    m_pTabs->addTab(rounds, QStringLiteral("ラウンド(&R)"));
    m_pTabs->addTab(stats, QStringLiteral("統計(&S)"));
    m_pTabs->addTab(m_pPar, QStringLiteral("パーとレーティング(&P)"));
    setCentralWidget(m_pTabs);
    // Made now, so that the layout has placed it before a wait shows in it.
    statusBar();
    connect(m_pTabs, &QTabWidget::currentChanged, this, [this] {
        if (m_statsStale)
            UpdateStats();
    });
    connect(m_pPar, &CParEditor::Changed, this, [this] {
        ForgetRounds();  // the rounds carry no par, but the nines' courses may change
    });
    resize(1120, 760);
}

CLogbookWindow::~CLogbookWindow() = default;

void CLogbookWindow::BuildRoundsPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    auto* bar = new QHBoxLayout;
    auto* golfLabel = new QLabel(QStringLiteral("ゴルフ場(&G):"), page);
    m_pGolfCourse = new QComboBox(page);
    m_pGolfCourse->setObjectName("logbookGolfCourse");
    m_pGolfCourse->setAccessibleName(QStringLiteral("ゴルフ場で絞り込む"));
    m_pGolfCourse->setMinimumContentsLength(20);
    golfLabel->setBuddy(m_pGolfCourse);
    auto* yearLabel = new QLabel(QStringLiteral("年(&Y):"), page);
    m_pYear = new QComboBox(page);
    m_pYear->setObjectName("logbookYear");
    m_pYear->setAccessibleName(QStringLiteral("年で絞り込む"));
    m_pYear->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    yearLabel->setBuddy(m_pYear);
    m_pCount = new QLabel(page);
    m_pRemove = new QPushButton(QStringLiteral("ラウンドを削除(&D)"), page);
    m_pRemove->setObjectName("logbookRemove");
    m_pRemove->setAccessibleName(QStringLiteral("ラウンドを削除"));
    m_pRemove->setEnabled(false);
    m_pAdd = new QPushButton(QStringLiteral("ファイルを追加(&A)..."), page);
    m_pAdd->setObjectName("logbookAdd");
    m_pAdd->setAccessibleName(QStringLiteral("地点データのCSVファイルを追加"));
    m_pAdd->setToolTip(
        QStringLiteral("地点データのCSVファイルをログブックに追加します（複数選択、"
                       "ウィンドウへのドロップも可）"));
    bar->addWidget(golfLabel);
    bar->addWidget(m_pGolfCourse);
    bar->addSpacing(12);
    bar->addWidget(yearLabel);
    bar->addWidget(m_pYear);
    bar->addSpacing(12);
    bar->addWidget(m_pCount);
    bar->addStretch();
    bar->addWidget(m_pAdd);
    bar->addWidget(m_pRemove);
    layout->addLayout(bar);

    m_pModel = new QStandardItemModel(0, kColumns, this);
    m_pModel->setHorizontalHeaderLabels({QStringLiteral("日付"), QStringLiteral("開始"),
                                         QStringLiteral("ゴルフ場"), QStringLiteral("スコア"),
                                         QStringLiteral("パット"), QStringLiteral("地点")});
    m_pFilter = new CRoundFilterModel(this);
    m_pFilter->setSourceModel(m_pModel);
    m_pFilter->setSortRole(kSortRole);
    m_pList = new QTableView(page);
    m_pList->setObjectName("logbookRounds");
    m_pList->setAccessibleName(QStringLiteral("ラウンド一覧"));
    m_pList->setModel(m_pFilter);
    m_pList->setSortingEnabled(true);
    m_pList->sortByColumn(kDate, Qt::DescendingOrder);
    m_pList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    AllowCopy(m_pList);
    m_pList->verticalHeader()->hide();
    m_pList->verticalHeader()->setDefaultSectionSize(22);
    SizeListColumns();
    m_pList->setMinimumWidth(420);

    auto* right = new QWidget(page);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    m_pRoundTitle = new QLabel(QStringLiteral("ラウンドを選んでください。"), right);
    m_pRoundTitle->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = m_pRoundTitle->font();
    bold.setBold(true);
    m_pRoundTitle->setFont(bold);
    rightLayout->addWidget(m_pRoundTitle);
    m_pCard = new QTableWidget(0, 19, right);
    m_pCard->setObjectName("logbookCard");
    m_pCard->setAccessibleName(QStringLiteral("スコアカード"));
    QStringList holes;
    for (int h = 1; h <= 18; ++h)
        holes << QString::number(h);
    holes << QStringLiteral("計");
    m_pCard->setHorizontalHeaderLabels(holes);
    m_pCard->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_pCard->horizontalHeader()->setMinimumSectionSize(22);
    m_pCard->verticalHeader()->setDefaultSectionSize(22);
    m_pCard->setEditTriggers(QAbstractItemView::NoEditTriggers);
    AllowCopy(m_pCard);
    m_pCard->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pCard->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FitCard();
    rightLayout->addWidget(m_pCard);
    auto* nines = new QHBoxLayout;
    const char* nineLabels[] = {"前半(&1)のコース:", "後半(&2)のコース:"};
    const char* nineNames[] = {"前半（1〜9番）のコース", "後半（10〜18番）のコース"};
    for (int n = 0; n < 2; ++n) {
        auto* label = new QLabel(QString::fromUtf8(nineLabels[n]), right);
        m_pNine[n] = new QComboBox(right);
        m_pNine[n]->setObjectName(n ? "logbookBackNine" : "logbookFrontNine");
        m_pNine[n]->setAccessibleName(QString::fromUtf8(nineNames[n]));
        m_pNine[n]->setToolTip(
            QStringLiteral("地点のないハーフは、プレーしたコースを選ぶと"
                           "パーを使う統計に入ります。"));
        m_pNine[n]->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        label->setBuddy(m_pNine[n]);
        nines->addWidget(label);
        nines->addWidget(m_pNine[n]);
        nines->addSpacing(12);
        connect(m_pNine[n], &QComboBox::activated, this, [this, n] { OnNineChosen(n); });
    }
    nines->addStretch();
    rightLayout->addLayout(nines);

    auto* holesRow = new QHBoxLayout;
    m_pHoles = new QTableWidget(0, 5, right);
    m_pHoles->setObjectName("logbookHoles");
    m_pHoles->setAccessibleName(QStringLiteral("ホール一覧"));
    m_pHoles->setHorizontalHeaderLabels({QStringLiteral("コース"), QStringLiteral("ホール"),
                                         QStringLiteral("打数"), QStringLiteral("パット"),
                                         QStringLiteral("ティー (yd)")});
    m_pHoles->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_pHoles->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_pHoles->verticalHeader()->hide();
    m_pHoles->verticalHeader()->setDefaultSectionSize(22);
    m_pHoles->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pHoles->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pHoles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    AllowCopy(m_pHoles);
    connect(m_pHoles, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int, int) { ShowHole(row); });
    m_pPicture = new CHolePictureView(right);
    m_pPicture->setObjectName("logbookPicture");
    m_pPicture->setAccessibleName(QStringLiteral("ホールの図"));
    m_pPicture->setMinimumSize(CHolePictureView::kTextsFrom, CHolePictureView::kTextsFrom);
    holesRow->addWidget(m_pHoles, 1);
    holesRow->addWidget(m_pPicture, 1);
    rightLayout->addLayout(holesRow, 1);

    auto* split = new QSplitter(page);
    split->addWidget(m_pList);
    split->addWidget(right);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);
    split->setSizes({480, 720});
    layout->addWidget(split, 1);

    connect(m_pGolfCourse, &QComboBox::currentIndexChanged, this, &CLogbookWindow::OnFilterChanged);
    connect(m_pYear, &QComboBox::currentIndexChanged, this, &CLogbookWindow::OnFilterChanged);
    connect(m_pList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &CLogbookWindow::ShowRound);
    connect(m_pRemove, &QPushButton::clicked, this, &CLogbookWindow::RemoveChosenRound);
    connect(m_pAdd, &QPushButton::clicked, this, &CLogbookWindow::ChooseFiles);
    setTabOrder(m_pGolfCourse, m_pYear);
    setTabOrder(m_pYear, m_pAdd);
    setTabOrder(m_pAdd, m_pRemove);
    setTabOrder(m_pRemove, m_pList);
    setTabOrder(m_pList, m_pCard);
    setTabOrder(m_pCard, m_pHoles);
}

void CLogbookWindow::BuildStatsPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    m_pStatsRange = new QLabel(page);
    layout->addWidget(m_pStatsRange);
    auto* split = new QSplitter(page);
    m_pStats = new QPlainTextEdit(split);
    m_pStats->setObjectName("logbookStats");
    m_pStats->setAccessibleName(QStringLiteral("統計"));
    m_pStats->setReadOnly(true);
    m_pStats->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_pStats->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* charts = new QWidget(split);
    auto* chartsLayout = new QVBoxLayout(charts);
    chartsLayout->setContentsMargins(0, 0, 0, 0);
    m_pScoreChart = new CTrendChart(QStringLiteral("スコア（18ホール）"), charts);
    m_pPuttChart = new CTrendChart(QStringLiteral("パット（18ホール）"), charts);
    m_pHistogram = new CHistogramChart(QStringLiteral("スコアの分布（18ホール）"), charts);
    chartsLayout->addWidget(m_pScoreChart);
    chartsLayout->addWidget(m_pPuttChart);
    chartsLayout->addWidget(m_pHistogram);
    split->addWidget(m_pStats);
    split->addWidget(charts);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);
}

bool CLogbookWindow::OpenLogbook(const std::string& path) {
    m_pPar->SetLogbook(nullptr);
    m_book.reset();
    ForgetRounds();
    try {
        m_book =
            logbook::Logbook::Open(path, logbook::Logbook::Mode::Write, [this] { ShowWaiting(); });
    } catch (const std::exception& e) {
        FillList();
        ShowError(QStringLiteral("ログブックを開けません。"), e);
        return false;
    }
    setWindowTitle(QString::fromUtf8(kTitle) + QStringLiteral(" - ") +
                   QString::fromStdString(path));
    FillList();
    m_pPar->SetLogbook(m_book.get());
    UpdateStats();
    return true;
}

void CLogbookWindow::ShowError(const QString& what, const std::exception& e) {
    ShowMessageBox(this, (what + '\n').toStdString() + e.what(), "Error", ops::MessageIcon::Error);
}

void CLogbookWindow::FillList() {
    std::vector<logbook::RoundSummary> list;
    if (m_book) {
        try {
            list = m_book->List();
        } catch (const std::exception& e) {
            ShowError(QStringLiteral("ログブックを読めません。"), e);
        }
    }
    // Filled apart from the sorting proxy, which would sort again after every item.
    m_pFilter->setSourceModel(nullptr);
    m_pModel->removeRows(0, m_pModel->rowCount());
    m_pModel->setRowCount(static_cast<int>(list.size()));
    int row = 0;
    for (const logbook::RoundSummary& r : list) {
        auto set = [&](int column, const QString& text, const QVariant& sort) {
            auto* item = new QStandardItem(text);
            item->setData(sort, kSortRole);
            item->setData(QVariant::fromValue<qlonglong>(r.id), kIdRole);
            if (column >= kScore)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_pModel->setItem(row, column, item);
            return item;
        };
        const QString date = Date(r.start);
        const QString clock = Clock(r.start);
        // The same day's rounds by their start, then as added.
        set(kDate, date, date + clock + QStringLiteral("%1").arg(r.id, 12, 10, QChar('0')))
            ->setData(r.start.year, kKeyRole);
        set(kStart, clock, clock);
        set(kGolfCourse, U(r.golfCourse), U(r.golfCourse))->setData(r.golfCourseId, kKeyRole);
        auto optional = [](const std::optional<int>& v) {
            return v ? QString::number(*v) : QString();
        };
        set(kScore, optional(r.score), r.score.value_or(-1));
        set(kPutts, optional(r.cardPutts), r.cardPutts.value_or(-1));
        set(kMarks, QString::number(r.marks), r.marks);
        ++row;
    }
    m_pFilter->setSourceModel(m_pModel);
    // The sections came back with the model, at their default widths.
    SizeListColumns();
    m_pList->sortByColumn(m_pList->horizontalHeader()->sortIndicatorSection(),
                          m_pList->horizontalHeader()->sortIndicatorOrder());
    FillFilters();
    OnFilterChanged();
}

void CLogbookWindow::SizeListColumns() {
    m_pList->horizontalHeader()->setSectionResizeMode(kGolfCourse, QHeaderView::Stretch);
    // As wide as their texts in the window's font, which differs between the desktops.
    const QFontMetrics metrics = m_pList->fontMetrics();
    const int pad = 2 * metrics.averageCharWidth() + 8;
    m_pList->setColumnWidth(kDate, metrics.horizontalAdvance(QStringLiteral("2016-05-03")) + pad);
    m_pList->setColumnWidth(kStart, metrics.horizontalAdvance(QStringLiteral("08:00")) + pad);
    for (int c : {kScore, kPutts, kMarks})
        m_pList->setColumnWidth(c, metrics.horizontalAdvance(QStringLiteral("パット")) + pad);
}

void CLogbookWindow::FillFilters() {
    std::map<QString, int> golfCourses;  // by name
    std::set<int> years;
    for (int row = 0; row < m_pModel->rowCount(); ++row) {
        golfCourses[m_pModel->item(row, kGolfCourse)->text()] =
            m_pModel->item(row, kGolfCourse)->data(kKeyRole).toInt();
        years.insert(m_pModel->item(row, kDate)->data(kKeyRole).toInt());
    }
    const QVariant golfCourse = m_pGolfCourse->currentData(), year = m_pYear->currentData();
    QSignalBlocker b1(m_pGolfCourse), b2(m_pYear);
    m_pGolfCourse->clear();
    m_pGolfCourse->addItem(QStringLiteral("すべてのゴルフ場"));
    for (const auto& [name, id] : golfCourses)
        m_pGolfCourse->addItem(name, id);
    m_pYear->clear();
    m_pYear->addItem(QStringLiteral("すべての年"));
    for (auto it = years.rbegin(); it != years.rend(); ++it)
        m_pYear->addItem(QStringLiteral("%1年").arg(*it), *it);
    m_pGolfCourse->setCurrentIndex(std::max(0, m_pGolfCourse->findData(golfCourse)));
    m_pYear->setCurrentIndex(std::max(0, m_pYear->findData(year)));
}

void CLogbookWindow::OnFilterChanged() {
    auto chosen = [](QComboBox* box) {
        return box->currentIndex() > 0 ? std::optional<int>(box->currentData().toInt())
                                       : std::nullopt;
    };
    m_pFilter->Set(chosen(m_pGolfCourse), chosen(m_pYear));
    ChooseRow(0);
    UpdateStats();
}

std::optional<int64_t> CLogbookWindow::ShownRound() const {
    return m_hasRound ? std::optional<int64_t>(m_round.id) : std::nullopt;
}

void CLogbookWindow::ShowRound() {
    m_pPicture->Show(nullptr, -1);
    m_pHoles->setRowCount(0);
    m_pCard->setRowCount(0);
    FitCard();
    ShowNines(nullptr);
    m_hasRound = false;
    const QModelIndex current = m_pList->currentIndex();
    m_pRemove->setEnabled(current.isValid());
    if (!current.isValid() || !m_book) {
        m_pRoundTitle->setText(QStringLiteral("ラウンドを選んでください。"));
        return;
    }
    const int64_t id = current.siblingAtColumn(kDate).data(kIdRole).toLongLong();
    try {
        std::vector<logbook::LoggedRound> found = m_book->Rounds({.id = id});
        if (found.empty())
            return;
        m_round = std::move(found.front());
        m_hasRound = true;
    } catch (const std::exception& e) {
        ShowError(QStringLiteral("ログブックを読めません。"), e);
        return;
    }
    const rounds::Round& round = m_round.round;
    m_pRoundTitle->setText(
        QStringLiteral("%1 %2  %3")
            .arg(Date(round.start), Clock(round.start), U(round.golfCourseName)));
    ShowCard();
    QSignalBlocker block(m_pHoles);
    m_pHoles->setRowCount(static_cast<int>(round.holes.size()));
    for (size_t h = 0; h < round.holes.size(); ++h) {
        const rounds::Hole& hole = round.holes[h];
        const QString cells[] = {
            U(hole.courseName), QString::number(hole.number), QString::number(hole.Strokes()),
            QString::number(hole.Putts()),
            hole.teeShot ? Fixed(rounds::Yards(*hole.teeShot), 0) : QStringLiteral("-")};
        for (int c = 0; c < 5; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                          : Qt::AlignRight | Qt::AlignVCenter);
            m_pHoles->setItem(static_cast<int>(h), c, item);
        }
    }
    block.unblock();
    if (!round.holes.empty())
        m_pHoles->setCurrentCell(0, 0);
    ShowHole(round.holes.empty() ? -1 : 0);
}

void CLogbookWindow::ShowCard() {
    const std::vector<logbook::Card> cards = logbook::ReadCards(m_round.round);
    ShowNines(cards.empty() ? nullptr : &cards.front());
    if (cards.empty())
        return;
    const logbook::Card& card = cards.front();
    QStringList rows;
    std::vector<std::array<int, logbook::kCardHoles>> values;
    auto tag = [](const logbook::CardPlayer& p, int n) {
        return p.tag.empty() || p.tag[0] == '\0' ? QStringLiteral("プレーヤー%1").arg(n) : U(p.tag);
    };
    rows << tag(card.players[0], 1) + QStringLiteral(" 打数") << QStringLiteral("パット");
    values.push_back(card.players[0].strokes);
    values.push_back(card.putts);
    for (int p = 1; p < 4; ++p) {
        if (!card.players[p].present)
            continue;
        rows << tag(card.players[p], p + 1);
        values.push_back(card.players[p].strokes);
    }
    m_pCard->setRowCount(rows.size());
    m_pCard->setVerticalHeaderLabels(rows);
    for (int r = 0; r < rows.size(); ++r) {
        int total = 0;
        for (int h = 0; h < logbook::kCardHoles; ++h) {
            const int v = values[r][h];
            total += v;
            auto* item = new QTableWidgetItem(v ? QString::number(v) : QString());
            item->setTextAlignment(Qt::AlignCenter);
            m_pCard->setItem(r, h, item);
        }
        auto* item = new QTableWidgetItem(QString::number(total));
        item->setTextAlignment(Qt::AlignCenter);
        m_pCard->setItem(r, logbook::kCardHoles, item);
    }
    FitCard();
    if (cards.size() > 1)
        m_pRoundTitle->setText(
            m_pRoundTitle->text() +
            QStringLiteral("  （スコアカード %1枚のうち1枚目）").arg(cards.size()));
}

void CLogbookWindow::FitCard() {
    const int rows = std::max(m_pCard->rowCount(), 2);
    m_pCard->setFixedHeight(m_pCard->horizontalHeader()->sizeHint().height() +
                            rows * m_pCard->verticalHeader()->defaultSectionSize() +
                            2 * m_pCard->frameWidth());
}

void CLogbookWindow::ShowHole(int row) {
    if (!m_hasRound)
        return;
    m_pPicture->Show(&m_round.round,
                     row >= 0 && row < static_cast<int>(m_round.round.holes.size()) ? row : -1);
}

void CLogbookWindow::RemoveChosenRound() {
    const QModelIndex current = m_pList->currentIndex();
    if (!current.isValid() || !m_book)
        return;
    const int64_t id = current.siblingAtColumn(kDate).data(kIdRole).toLongLong();
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(kTitle),
                    QStringLiteral("このラウンドをログブックから削除しますか？\n%1 %2  %3\n"
                                   "削除したラウンドは元に戻せません。")
                        .arg(current.siblingAtColumn(kDate).data().toString(),
                             current.siblingAtColumn(kStart).data().toString(),
                             current.siblingAtColumn(kGolfCourse).data().toString()),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("削除"));
    box.setDefaultButton(QMessageBox::Cancel);
    if (box.exec() != QMessageBox::Ok)
        return;
    try {
        m_book->Remove(id);
    } catch (const std::exception& e) {
        ShowError(QStringLiteral("ラウンドを削除できません。"), e);
        return;
    }
    const int next = current.row();
    m_pFilter->removeRow(current.row());
    if (m_rounds)
        std::erase_if(*m_rounds, [id](const logbook::LoggedRound& r) { return r.id == id; });
    ChooseRow(next);
    m_statsStale = true;
}

void CLogbookWindow::ChooseRow(int row) {
    const int rows = m_pFilter->rowCount();
    m_pCount->setText(QStringLiteral("%1ラウンド").arg(rows));
    if (rows > 0)
        m_pList->setCurrentIndex(m_pFilter->index(std::min(row, rows - 1), 0));
    else
        ShowRound();
}

void CLogbookWindow::ForgetRounds() {
    m_rounds.reset();
    m_statsStale = true;
}

void CLogbookWindow::UpdateStats() {
    m_statsStale = m_pTabs->currentIndex() != 1;
    if (m_statsStale)
        return;
    logbook::Stats stats;
    logbook::Range range;
    QString what = m_pGolfCourse->currentIndex() > 0 ? m_pGolfCourse->currentText()
                                                     : QStringLiteral("すべてのゴルフ場");
    what += QStringLiteral("、") + m_pYear->currentText();
    if (m_pGolfCourse->currentIndex() > 0)
        range.golfCourseId = m_pGolfCourse->currentData().toInt();
    if (m_pYear->currentIndex() > 0)
        range.year = m_pYear->currentData().toInt();
    m_pStatsRange->setText(QStringLiteral("対象: ") + what +
                           QStringLiteral("（ラウンドタブの絞り込み）"));
    try {
        if (m_book) {
            if (!m_rounds)
                m_rounds = m_book->Rounds();
            stats = logbook::ComputeStats(*m_rounds, m_book->Setup(), range);
        }
    } catch (const std::exception& e) {
        ShowError(QStringLiteral("ログブックを読めません。"), e);
    }
    m_pStats->setPlainText(JapaneseStats(stats));

    std::vector<CTrendChart::Point> scores, putts;
    std::vector<int> totals;
    for (const logbook::TrendPoint& p : stats.trend) {
        if (p.kind != logbook::CardKind::Eighteen || !p.score)
            continue;
        scores.push_back({Date(p.start), static_cast<double>(*p.score), p.scoreAverage5});
        if (p.putts)
            putts.push_back({Date(p.start), static_cast<double>(*p.putts), p.puttsAverage5});
        totals.push_back(*p.score);
    }
    m_pScoreChart->SetPoints(std::move(scores));
    m_pPuttChart->SetPoints(std::move(putts));
    m_pHistogram->SetValues(totals, totals.size() > 40 ? 2 : 1);
}

void CLogbookWindow::ChooseFiles() {
    QStringList paths =
        QFileDialog::getOpenFileNames(this, QStringLiteral("ログブックに追加する地点データ"), {},
                                      QStringLiteral("CSV (*.csv);;すべてのファイル (*)"));
    AddFiles(paths);
}

void CLogbookWindow::ShowWaiting() {
    ShowLogbookWaiting([this](const QString& text) {
        statusBar()->showMessage(text);
        if (m_alsoWaiting)
            m_alsoWaiting(text);
    });
    QTimer::singleShot(0, statusBar(), &QStatusBar::clearMessage);
}

LogbookAddReport CLogbookWindow::Add(const QStringList& paths) {
    // Years of files take a while: the window says which one it is at.
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    LogbookAddReport report =
        AddFilesToLogbook(*m_book, paths, [&](int number, const QString& name) {
            statusBar()->showMessage(QStringLiteral("追加しています（%1/%2）：%3")
                                         .arg(number)
                                         .arg(paths.size())
                                         .arg(name));
            // All of the window once, as the file dialog may have left its picture on it.
            if (number == 1)
                repaint();
            else
                statusBar()->repaint();
        });
    statusBar()->clearMessage();
    QGuiApplication::restoreOverrideCursor();
    ForgetRounds();
    FillList();
    UpdateStats();
    return report;
}

LogbookAddReport CLogbookWindow::AddImport(const QString& path,
                                           const std::function<void(const QString&)>& waiting) {
    m_alsoWaiting = waiting;
    LogbookAddReport report = Add({path});
    m_alsoWaiting = {};
    return report;
}

QString CLogbookWindow::AddFiles(const QStringList& paths) {
    if (!m_book || paths.isEmpty())
        return {};
    LogbookAddReport report = Add(paths);
    ShowMessageBox(this, report.text.trimmed().toStdString(),
                   report.refused ? "Error" : QString::fromUtf8(kTitle).toStdString(),
                   report.refused ? ops::MessageIcon::Error : ops::MessageIcon::Information);
    return report.text;
}

void CLogbookWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (m_book && !urls.isEmpty() &&
        std::all_of(urls.begin(), urls.end(), [](const QUrl& u) { return u.isLocalFile(); }))
        event->acceptProposedAction();
}

void CLogbookWindow::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        paths << url.toLocalFile();
    event->acceptProposedAction();
    // After the drop has ended: the report's message box must not run inside the drag.
    QMetaObject::invokeMethod(
        this, [this, paths] { AddFiles(paths); }, Qt::QueuedConnection);
}

void CLogbookWindow::ShowNines(const logbook::Card* card) {
    for (QComboBox* box : m_pNine) {
        QSignalBlocker block(box);
        box->clear();
        box->setEnabled(false);
    }
    if (!card || !m_hasRound || !m_book)
        return;
    // What the marks tell, without the golfer's picks.
    logbook::LoggedRound marksOnly = m_round;
    marksOnly.frontCourseId.reset();
    marksOnly.backCourseId.reset();
    const auto fromMarks = logbook::NineCourses(marksOnly, *card);
    std::map<logbook::NineKey, std::string> courses;
    try {
        courses = m_book->Courses();
    } catch (const std::exception&) {
    }
    const int gcid = m_round.round.golfCourseId;
    auto name = [&](int cid) {
        auto it = courses.find({gcid, cid});
        return it != courses.end() ? U(it->second) + QStringLiteral(" (%1)").arg(cid)
                                   : QStringLiteral("コース %1").arg(cid);
    };
    for (int n = 0; n < 2; ++n) {
        QComboBox* box = m_pNine[n];
        QSignalBlocker block(box);
        if (fromMarks[n]) {
            box->addItem(name(*fromMarks[n]) + QStringLiteral("（地点から）"), *fromMarks[n]);
            continue;
        }
        box->addItem(QStringLiteral("わからない"), QVariant());
        for (const auto& [key, courseName] : courses)
            if (key.golfCourseId == gcid)
                box->addItem(name(key.courseId), key.courseId);
        const std::optional<int>& pick = n ? m_round.backCourseId : m_round.frontCourseId;
        box->setCurrentIndex(pick ? std::max(0, box->findData(*pick)) : 0);
        box->setEnabled(box->count() > 1);
    }
}

void CLogbookWindow::OnNineChosen(int nine) {
    if (!m_hasRound || !m_book)
        return;
    const QVariant data = m_pNine[nine]->currentData();
    const std::optional<int> cid = data.isValid() ? std::optional<int>(data.toInt()) : std::nullopt;
    try {
        m_book->SetNine(m_round.id, nine == 1, cid);
    } catch (const std::exception& e) {
        ShowError(QStringLiteral("ログブックに書けません。"), e);
        return;
    }
    (nine ? m_round.backCourseId : m_round.frontCourseId) = cid;
    ForgetRounds();
}

}  // namespace veldrant::app
