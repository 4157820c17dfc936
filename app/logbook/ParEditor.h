// The par and rating editor of the logbook window: per golf course, a table of each course's
// nine holes (par and stroke index) and the nine's course rating and slope, written to the
// logbook as soon as a value is entered. An empty cell clears the value.
#pragma once

#include <QWidget>

#include <functional>
#include <vector>

#include "logbook/Records.h"

class QComboBox;
class QLineEdit;
class QTableWidget;
class QVBoxLayout;

namespace veldrant::logbook {
class Logbook;
}

namespace veldrant::app {

class CParEditor : public QWidget {
    Q_OBJECT

public:
    explicit CParEditor(QWidget* parent = nullptr);

    // The logbook to edit (null: nothing to edit); reads its golf courses again.
    void SetLogbook(logbook::Logbook* book);
    QComboBox* GolfCourseBox() const { return m_pGolfCourse; }
    // The tables of the shown golf course's courses, in the order of their course ids.
    QTableWidget* HoleTable(size_t course) const;

Q_SIGNALS:
    // Par, stroke index or a rating was written.
    void Changed();

private:
    struct Nine {
        logbook::NineKey key;
        QTableWidget* holes = nullptr;
        QLineEdit* rating = nullptr;
        QLineEdit* slope = nullptr;
    };
    void ShowGolfCourse();
    void Fill(const Nine& nine, const logbook::CourseSetup& setup);
    void OnHoleEdited(size_t nine, int row);
    void OnRatingEdited(size_t nine);
    // Runs a write; a refused one is shown in a message box. False when refused.
    bool Write(const std::function<void()>& write);

    logbook::Logbook* m_pBook = nullptr;
    QComboBox* m_pGolfCourse = nullptr;
    QWidget* m_pNines = nullptr;
    QVBoxLayout* m_pNinesLayout = nullptr;
    std::vector<Nine> m_nines;
};

}  // namespace veldrant::app
