#include "widgets/TextProgressCtrl.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QThread>

#include <algorithm>
#include <utility>

#include "widgets/MemDC.h"
#include "widgets/Resources.h"
#include "widgets/UiFont.h"

namespace {

constexpr int kTextPixelHeight = 16;

// Exact integer shares: a double quotient times 100 lands just below whole numbers for some
// positions (29 of 100 would read "28%").
long long ScaledShare(int pos, int lower, int upper, long long scale) {
    return static_cast<long long>(pos - lower) * scale / (static_cast<long long>(upper) - lower);
}

// The bar as assistive technology sees it: a progress bar with its position and its text.
class CTextProgressAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit CTextProgressAccessible(CTextProgressCtrl* bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return Bar()->AccessibleValueText();
        return QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return Bar()->GetPos(); }
    void setCurrentValue(const QVariant&) override {}  // the jobs move the bar, not the user
    QVariant maximumValue() const override { return Range().second; }
    QVariant minimumValue() const override { return Range().first; }
    QVariant minimumStepSize() const override { return 1; }

private:
    CTextProgressCtrl* Bar() const { return static_cast<CTextProgressCtrl*>(widget()); }
    std::pair<int, int> Range() const {
        int lower = 0, upper = 0;
        Bar()->GetRange(lower, upper);
        return {lower, upper};
    }
};

QAccessibleInterface* MakeAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("CTextProgressCtrl") && object && object->isWidgetType())
        return new CTextProgressAccessible(static_cast<CTextProgressCtrl*>(object));
    return nullptr;
}

}  // namespace

CTextProgressCtrl::CTextProgressCtrl(QWidget* parent) : QWidget(parent) {
    static const bool factoryInstalled = (QAccessible::installFactory(MakeAccessible), true);
    (void)factoryInstalled;
    m_crTextDone = palette().color(QPalette::Base);
    m_crTextRest = palette().color(QPalette::Highlight);
    m_bmpDone = LoadBitmapResource(IDB_PROGRESS_DONE);
    m_bmpRest = LoadBitmapResource(IDB_PROGRESS_REST);
    // Every pixel is painted on each frame; the off-screen buffer makes the copy a single one.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CTextProgressCtrl::SetRange(int nLower, int nUpper) {
    m_nLower = nLower;
    m_nUpper = nUpper;
    m_nPos = std::clamp(m_nPos, m_nLower, std::max(m_nLower, m_nUpper));
    m_nFillWidth = -1;
    update();
}

void CTextProgressCtrl::GetRange(int& nLower, int& nUpper) const {
    nLower = m_nLower;
    nUpper = m_nUpper;
}

int CTextProgressCtrl::ComputeFillWidth() const {
    if (m_nLower >= m_nUpper) {
        return 0;
    }
    return static_cast<int>(ScaledShare(m_nPos, m_nLower, m_nUpper, width()));
}

int CTextProgressCtrl::SetPos(int nPos) {
    Q_ASSERT_X(QThread::currentThread() == thread(), "SetPos", "UI thread only");
    const int nOldPos = m_nPos;
    // Kept inside the range as a progress bar keeps it, so the fill never runs past either end.
    m_nPos = std::clamp(nPos, m_nLower, std::max(m_nLower, m_nUpper));
    if (m_nPos != nOldPos) {
        QAccessibleValueChangeEvent changed(this, m_nPos);
        QAccessible::updateAccessibility(&changed);
    }
    const int nFillWidth = ComputeFillWidth();
    if (nFillWidth != m_nFillWidth) {
        m_nFillWidth = nFillWidth;
        repaint();
    }
    return nOldPos;
}

void CTextProgressCtrl::SetWindowText(const QString& text) {
    Q_ASSERT_X(QThread::currentThread() == thread(), "SetWindowText", "UI thread only");
    if (text == m_strText) {
        return;
    }
    m_strText = text;
    update();
    QAccessibleValueChangeEvent changed(this, m_nPos);
    QAccessible::updateAccessibility(&changed);
}

QString CTextProgressCtrl::AccessibleValueText() const {
    if (!m_strText.isEmpty())
        return m_strText;
    if (m_nLower >= m_nUpper)
        return {};
    return QStringLiteral("%1%").arg(ScaledShare(m_nPos, m_nLower, m_nUpper, 100));
}

void CTextProgressCtrl::SetShowText(bool bShow) {
    m_bShowText = bShow;
    update();
}

void CTextProgressCtrl::SetTextForeColour(QColor crDone) {
    m_crTextDone = crDone;
    update();
}

void CTextProgressCtrl::SetTextBkColour(QColor crRest) {
    m_crTextRest = crRest;
    update();
}

void CTextProgressCtrl::resizeEvent(QResizeEvent* event) {
    m_nFillWidth = -1;
    QWidget::resizeEvent(event);
}

QString CTextProgressCtrl::TextToDraw() const {
    if (!m_bShowText) {
        return {};
    }
    if (!m_strText.isEmpty()) {
        return m_strText;
    }
    if (m_nPos == m_nLower) {
        return {};
    }
    return QStringLiteral("%1%").arg(ScaledShare(m_nPos, m_nLower, m_nUpper, 100));
}

void CTextProgressCtrl::paintEvent(QPaintEvent* event) {
    QPainter target(this);
    if (m_nLower >= m_nUpper) {
        target.fillRect(event->rect(), palette().color(QPalette::Window));
        return;
    }
    CMemDC memDC(target, event->rect());
    QPainter& p = memDC.painter();

    const QRect client = rect();
    const int x = client.left() + ComputeFillWidth();
    const int h = client.height();

    // Anything the bitmaps do not reach (a bar larger than they are) shows the page colour.
    p.fillRect(client, palette().color(QPalette::Window));
    // Bitmap columns map one to one onto bar columns; an empty part draws nothing (an empty
    // source rectangle would mean the whole bitmap to drawPixmap).
    const QRect done = QRect(client.left(), client.top(), x - client.left(), h) & m_bmpDone.rect();
    if (!done.isEmpty()) {
        p.drawPixmap(done.topLeft(), m_bmpDone, done);
    }
    const QRect rest = QRect(x, client.top(), client.right() + 1 - x, h) & m_bmpRest.rect();
    if (!rest.isEmpty()) {
        p.drawPixmap(rest.topLeft(), m_bmpRest, rest);
    }

    const QString text = TextToDraw();
    if (text.isEmpty()) {
        return;
    }
    p.setFont(MakeGothicFont(kTextPixelHeight, QFont::Bold));
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    p.save();
    p.setClipRect(QRect(client.left(), client.top(), x - client.left(), h));
    p.setPen(m_crTextDone);
    p.drawText(client, flags, text);
    p.restore();
    p.save();
    p.setClipRect(QRect(x, client.top(), client.right() + 1 - x, h));
    p.setPen(m_crTextRest);
    p.drawText(client, flags, text);
    p.restore();
}
