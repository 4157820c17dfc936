// The main window's tab control (control 1000): a row of tabs over a framed pane that holds the
// pages. While an operation runs (g_bBusy) the user cannot change tabs.
#pragma once

#include <QStringList>
#include <QWidget>

class QTabBar;

namespace veldrant::app {

class CTabCtrl : public QWidget {
    Q_OBJECT

public:
    // Tab item height in pixels; the width follows each title.
    static constexpr int kItemHeight = 21;
    static constexpr int kItemMinWidth = 40;

    explicit CTabCtrl(QWidget* parent = nullptr);

    void InsertItems(const QStringList& titles);
    int GetCurSel() const;
    // Selects a tab from the program (not refused while busy; does not report a change).
    void SetCurSel(int index);
    int GetItemCount() const;
    QTabBar* TabBar() const { return m_pTabBar; }

Q_SIGNALS:
    // The user picked another tab (never while busy).
    void SelectionChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QTabBar* m_pTabBar = nullptr;
    bool m_bProgramChange = false;
};

}  // namespace veldrant::app
