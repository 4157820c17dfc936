#include "app/TabCtrl.h"

#include <QEvent>
#include <QPainter>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

#include "devicelink/DeviceLink.h"

namespace veldrant::app {

namespace {

// The tab row: fixed item height, and every user input that could change the selection is
// swallowed while an operation runs.
class CTabRow : public QTabBar {
public:
    explicit CTabRow(QWidget* parent) : QTabBar(parent) {
        setObjectName("tabBar");
        setDrawBase(false);
        setExpanding(false);
        setUsesScrollButtons(false);
        setElideMode(Qt::ElideNone);
    }

protected:
    bool event(QEvent* event) override {
        if (g_bBusy.load() != 0 && ChangesSelection(event->type())) {
            event->accept();
            return true;
        }
        return QTabBar::event(event);
    }

    QSize tabSizeHint(int index) const override {
        QSize size = QTabBar::tabSizeHint(index);
        return QSize(std::max(size.width(), CTabCtrl::kItemMinWidth), CTabCtrl::kItemHeight);
    }

private:
    static bool ChangesSelection(QEvent::Type type) {
        switch (type) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseButtonRelease:
            case QEvent::Wheel:
            case QEvent::KeyPress:
                return true;
            default:
                return false;
        }
    }
};

}  // namespace

CTabCtrl::CTabCtrl(QWidget* parent) : QWidget(parent) {
    m_pTabBar = new CTabRow(this);
    m_pTabBar->move(0, 0);
    connect(m_pTabBar, &QTabBar::currentChanged, this, [this](int index) {
        if (!m_bProgramChange)
            Q_EMIT SelectionChanged(index);
    });
}

void CTabCtrl::InsertItems(const QStringList& titles) {
    m_bProgramChange = true;
    for (const QString& title : titles)
        m_pTabBar->addTab(title);
    m_bProgramChange = false;
    m_pTabBar->resize(m_pTabBar->sizeHint());
}

int CTabCtrl::GetCurSel() const {
    return m_pTabBar->currentIndex();
}

void CTabCtrl::SetCurSel(int index) {
    m_bProgramChange = true;
    m_pTabBar->setCurrentIndex(index);
    m_bProgramChange = false;
}

int CTabCtrl::GetItemCount() const {
    return m_pTabBar->count();
}

void CTabCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_pTabBar->resize(std::min(m_pTabBar->sizeHint().width(), width()),
                      m_pTabBar->sizeHint().height());
}

void CTabCtrl::paintEvent(QPaintEvent*) {
    // The pane's frame starts where the tab row ends, as a tab widget draws it.
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame option;
    option.initFrom(this);
    option.shape = QTabBar::RoundedNorth;
    option.tabBarSize = m_pTabBar->size();
    option.tabBarRect = m_pTabBar->geometry();
    option.rect = QRect(0, m_pTabBar->height() - 1, width(), height() - m_pTabBar->height() + 1);
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, option);
}

}  // namespace veldrant::app
