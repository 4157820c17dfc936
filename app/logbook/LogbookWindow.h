// The logbook window: every round of the logbook in a sortable list (the newest first, filtered
// by golf course and year), the chosen round's score card and holes with the hole picture, the
// statistics of the filtered rounds as text and charts, and the par and rating editor. Its own
// resizable top-level window, opened by `veldrant --logbook` and from the rounds tab.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/logbook/LogbookAdd.h"
#include "logbook/Records.h"

class QComboBox;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTabWidget;
class QTableView;
class QTableWidget;

namespace veldrant::logbook {
class Logbook;
struct Card;
}  // namespace veldrant::logbook

namespace veldrant::app {

class CHistogramChart;
class CHolePictureView;
class CParEditor;
class CRoundFilterModel;
class CTrendChart;

class CLogbookWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "ログブック";
    enum Column { kDate, kStart, kGolfCourse, kScore, kPutts, kMarks, kColumns };

    explicit CLogbookWindow(QWidget* parent = nullptr);
    ~CLogbookWindow() override;

    // Opens the logbook file and lists its rounds. A logbook that cannot be opened is named in a
    // message box with the reason; the window then stays empty.
    bool OpenLogbook(const std::string& path);
    logbook::Logbook* Book() const { return m_book.get(); }

    QTabWidget* Tabs() const { return m_pTabs; }
    QTableView* RoundList() const { return m_pList; }
    QComboBox* GolfCourseFilter() const { return m_pGolfCourse; }
    QComboBox* YearFilter() const { return m_pYear; }
    QPushButton* RemoveButton() const { return m_pRemove; }
    QTableWidget* CardTable() const { return m_pCard; }
    QTableWidget* HoleTable() const { return m_pHoles; }
    CHolePictureView* PictureView() const { return m_pPicture; }
    QPlainTextEdit* StatsText() const { return m_pStats; }
    CParEditor* ParEditor() const { return m_pPar; }
    // Card holes 1-9 (0) and 10-18 (1): on which course the nine was played, chosen by the golfer
    // when the round's marks do not tell (disabled when they do).
    QComboBox* NineBox(int nine) const { return m_pNine[nine]; }
    // The round shown (its id), if any.
    std::optional<int64_t> ShownRound() const;
    // Asks for confirmation, then removes the chosen round from the logbook.
    void RemoveChosenRound();
    // Adds mark CSV files (chosen with ファイルを追加…, or dropped on the window), each in its own
    // transaction, and says per file what went in. The report's text, empty without a logbook.
    QString AddFiles(const QStringList& paths);
    // Adds the file an import wrote, without a message box; `waiting` also shows the notice
    // when another program is writing to the logbook.
    LogbookAddReport AddImport(const QString& path,
                               const std::function<void(const QString&)>& waiting);
    QPushButton* AddButton() const { return m_pAdd; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void ChooseFiles();
    // Adds and shows the logbook as it now is.
    LogbookAddReport Add(const QStringList& paths);
    // In the status bar until the program is back at its events.
    void ShowWaiting();
    void BuildRoundsPage(QWidget* page);
    void BuildStatsPage(QWidget* page);
    void FillList();
    void FillFilters();
    void SizeListColumns();
    void OnFilterChanged();
    // Says how many rounds the filter lets through and chooses the one at `row` (the last when
    // fewer), or shows none.
    void ChooseRow(int row);
    // The loaded rounds no longer hold: loaded again for the statistics when next needed.
    void ForgetRounds();
    void ShowRound();
    void ShowHole(int row);
    void ShowCard();
    void ShowNines(const logbook::Card* card);
    void OnNineChosen(int nine);
    // As high as its rows, at least two.
    void FitCard();
    // Recomputes the statistics of the filtered rounds (loading the rounds once) when the
    // statistics page is shown; else marks them stale.
    void UpdateStats();
    void ShowError(const QString& what, const std::exception& e);

    std::unique_ptr<logbook::Logbook> m_book;
    std::optional<std::vector<logbook::LoggedRound>> m_rounds;  // loaded for the statistics
    bool m_statsStale = true;
    logbook::LoggedRound m_round;  // the one shown
    bool m_hasRound = false;
    std::function<void(const QString&)> m_alsoWaiting;  // during AddImport

    QTabWidget* m_pTabs = nullptr;
    QComboBox* m_pGolfCourse = nullptr;
    QComboBox* m_pYear = nullptr;
    QLabel* m_pCount = nullptr;
    QPushButton* m_pRemove = nullptr;
    QPushButton* m_pAdd = nullptr;
    QStandardItemModel* m_pModel = nullptr;
    CRoundFilterModel* m_pFilter = nullptr;
    QTableView* m_pList = nullptr;
    QLabel* m_pRoundTitle = nullptr;
    QTableWidget* m_pCard = nullptr;
    QComboBox* m_pNine[2] = {nullptr, nullptr};
    QTableWidget* m_pHoles = nullptr;
    CHolePictureView* m_pPicture = nullptr;
    QLabel* m_pStatsRange = nullptr;
    QPlainTextEdit* m_pStats = nullptr;
    CTrendChart* m_pScoreChart = nullptr;
    CTrendChart* m_pPuttChart = nullptr;
    CHistogramChart* m_pHistogram = nullptr;
    CParEditor* m_pPar = nullptr;
};

}  // namespace veldrant::app
