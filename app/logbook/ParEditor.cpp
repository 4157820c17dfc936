#include "app/logbook/ParEditor.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/MessageBox.h"
#include "logbook/Logbook.h"

namespace veldrant::app {
namespace {

constexpr int kHoles = 9;

std::optional<int> IntCell(const QString& text, int low, int high, bool* ok) {
    *ok = true;
    if (text.trimmed().isEmpty())
        return std::nullopt;
    int v = text.trimmed().toInt(ok);
    *ok = *ok && v >= low && v <= high;
    return v;
}

}  // namespace

CParEditor::CParEditor(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("ゴルフ場(&G):"), this);
    m_pGolfCourse = new QComboBox(this);
    m_pGolfCourse->setObjectName("parGolfCourse");
    m_pGolfCourse->setAccessibleName(QStringLiteral("ゴルフ場"));
    m_pGolfCourse->setMinimumContentsLength(24);
    label->setBuddy(m_pGolfCourse);
    top->addWidget(label);
    top->addWidget(m_pGolfCourse);
    top->addStretch();
    layout->addLayout(top);
    auto* note = new QLabel(
        QStringLiteral("各ホールのパーとハンディキャップ順位、ティーのコースレーティングとスロープ"
                       "レーティング（9ホールごと）を入力すると、すぐにログブックに保存されます。"
                       "空欄にすると値を消します。"),
        this);
    note->setWordWrap(true);
    layout->addWidget(note);

    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    m_pNines = new QWidget(scroll);
    m_pNinesLayout = new QVBoxLayout(m_pNines);
    scroll->setWidget(m_pNines);
    layout->addWidget(scroll, 1);
    connect(m_pGolfCourse, &QComboBox::currentIndexChanged, this, [this] { ShowGolfCourse(); });
}

void CParEditor::SetLogbook(logbook::Logbook* book) {
    m_pBook = book;
    const int shown = m_pGolfCourse->currentData().toInt();
    QSignalBlocker block(m_pGolfCourse);
    m_pGolfCourse->clear();
    if (m_pBook) {
        try {
            for (const auto& [id, name] : m_pBook->GolfCourses())
                m_pGolfCourse->addItem(
                    QString::fromStdString(name) + QStringLiteral(" (%1)").arg(id), id);
        } catch (const logbook::LogbookError& e) {
            ShowMessageBox(this, e.what(), "Error", ops::MessageIcon::Error);
        }
    }
    const int index = m_pGolfCourse->findData(shown);
    m_pGolfCourse->setCurrentIndex(index >= 0 ? index : 0);
    block.unblock();
    ShowGolfCourse();
}

QTableWidget* CParEditor::HoleTable(size_t course) const {
    return course < m_nines.size() ? m_nines[course].holes : nullptr;
}

void CParEditor::ShowGolfCourse() {
    m_nines.clear();
    while (QLayoutItem* item = m_pNinesLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (!m_pBook || m_pGolfCourse->currentIndex() < 0)
        return;
    const int gcid = m_pGolfCourse->currentData().toInt();
    std::map<logbook::NineKey, std::string> courses;
    logbook::CourseSetup setup;
    if (!Write([&] {
            courses = m_pBook->Courses();
            setup = m_pBook->Setup();
        }))
        return;
    QWidget* previous = m_pGolfCourse;
    for (const auto& [key, name] : courses) {
        if (key.golfCourseId != gcid)
            continue;
        auto* box = new QGroupBox(
            QStringLiteral("%1 (コース %2)").arg(QString::fromStdString(name)).arg(key.courseId),
            m_pNines);
        box->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        auto* row = new QHBoxLayout(box);
        Nine nine{key};
        nine.holes = new QTableWidget(2, kHoles, box);
        nine.holes->setAccessibleName(QString::fromStdString(name) +
                                      QStringLiteral(" のパーとハンディキャップ順位"));
        nine.holes->setVerticalHeaderLabels({QStringLiteral("パー"), QStringLiteral("HC順位")});
        QStringList holes;
        for (int h = 1; h <= kHoles; ++h)
            holes << QString::number(h);
        nine.holes->setHorizontalHeaderLabels(holes);
        nine.holes->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        nine.holes->setFixedHeight(nine.holes->horizontalHeader()->sizeHint().height() +
                                   2 * nine.holes->verticalHeader()->defaultSectionSize() + 6);
        nine.holes->setMinimumWidth(360);
        nine.holes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        nine.holes->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        row->addWidget(nine.holes, 1);
        auto* ratings = new QGridLayout;
        nine.rating = new QLineEdit(box);
        nine.rating->setAccessibleName(QString::fromStdString(name) +
                                       QStringLiteral(" のコースレーティング"));
        nine.rating->setPlaceholderText(QStringLiteral("例 35.8"));
        nine.rating->setMaximumWidth(80);
        nine.slope = new QLineEdit(box);
        nine.slope->setAccessibleName(QString::fromStdString(name) +
                                      QStringLiteral(" のスロープレーティング"));
        nine.slope->setPlaceholderText(QStringLiteral("例 113"));
        nine.slope->setMaximumWidth(80);
        ratings->addWidget(new QLabel(QStringLiteral("コースレーティング"), box), 0, 0);
        ratings->addWidget(nine.rating, 0, 1);
        ratings->addWidget(new QLabel(QStringLiteral("スロープ"), box), 1, 0);
        ratings->addWidget(nine.slope, 1, 1);
        row->addLayout(ratings);
        m_pNinesLayout->addWidget(box);
        setTabOrder(previous, nine.holes);
        setTabOrder(nine.holes, nine.rating);
        setTabOrder(nine.rating, nine.slope);
        previous = nine.slope;
        m_nines.push_back(nine);
        Fill(m_nines.back(), setup);
        const size_t index = m_nines.size() - 1;
        connect(nine.holes, &QTableWidget::itemChanged, this,
                [this, index](QTableWidgetItem* item) { OnHoleEdited(index, item->column()); });
        for (QLineEdit* edit : {nine.rating, nine.slope})
            connect(edit, &QLineEdit::editingFinished, this,
                    [this, index] { OnRatingEdited(index); });
    }
    m_pNinesLayout->addStretch();
}

void CParEditor::Fill(const Nine& nine, const logbook::CourseSetup& setup) {
    QSignalBlocker block(nine.holes);
    for (int h = 0; h < kHoles; ++h) {
        const logbook::HoleKey key{nine.key.golfCourseId, nine.key.courseId, h + 1};
        for (int r = 0; r < 2; ++r) {
            const auto& values = r == 0 ? setup.par : setup.strokeIndex;
            auto it = values.find(key);
            auto* item =
                new QTableWidgetItem(it == values.end() ? QString() : QString::number(it->second));
            item->setTextAlignment(Qt::AlignCenter);
            nine.holes->setItem(r, h, item);
        }
    }
    auto rating = setup.ratings.find(nine.key);
    nine.rating->setText(rating == setup.ratings.end()
                             ? QString()
                             : QString::number(rating->second.courseRating, 'f', 1));
    nine.slope->setText(rating == setup.ratings.end() ? QString()
                                                      : QString::number(rating->second.slope));
}

bool CParEditor::Write(const std::function<void()>& write) {
    try {
        write();
        return true;
    } catch (const logbook::LogbookError& e) {
        ShowMessageBox(this, std::string("ログブックに保存できません。\n") + e.what(), "Error",
                       ops::MessageIcon::Error);
        return false;
    }
}

void CParEditor::OnHoleEdited(size_t index, int column) {
    const Nine& nine = m_nines[index];
    bool parOk = false, indexOk = false;
    const auto par = IntCell(nine.holes->item(0, column)->text(), 3, 6, &parOk);
    const auto strokeIndex = IntCell(nine.holes->item(1, column)->text(), 1, 18, &indexOk);
    if (!parOk || !indexOk)
        ShowMessageBox(this,
                       "パーは 3 から 6、ハンディキャップ順位は 1 から 18 で入力してください。",
                       "Error", ops::MessageIcon::Exclamation);
    else if (Write([&] {
                 m_pBook->SetHole({nine.key.golfCourseId, nine.key.courseId, column + 1}, par,
                                  strokeIndex);
             }))
        Q_EMIT Changed();
    logbook::CourseSetup setup;
    if (Write([&] { setup = m_pBook->Setup(); }))
        Fill(nine, setup);
}

void CParEditor::OnRatingEdited(size_t index) {
    const Nine& nine = m_nines[index];
    const QString ratingText = nine.rating->text().trimmed();
    const QString slopeText = nine.slope->text().trimmed();
    std::optional<logbook::NineRating> rating;
    if (!ratingText.isEmpty() || !slopeText.isEmpty()) {
        if (ratingText.isEmpty() || slopeText.isEmpty())
            return;  // the other half is still to come
        bool ok1 = false, ok2 = false;
        rating = logbook::NineRating{ratingText.toDouble(&ok1), slopeText.toInt(&ok2)};
        if (!ok1 || !ok2 || rating->courseRating < 20 || rating->courseRating > 60 ||
            rating->slope < 55 || rating->slope > 155) {
            ShowMessageBox(this,
                           "コースレーティングは 9ホールの値（例 35.8）、スロープは 55 から 155 "
                           "で入力してください。",
                           "Error", ops::MessageIcon::Exclamation);
            return;
        }
    }
    if (Write([&] { m_pBook->SetRating(nine.key, rating); }))
        Q_EMIT Changed();
}

}  // namespace veldrant::app
