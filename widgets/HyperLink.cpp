#include "widgets/HyperLink.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "widgets/HyperLinkErrors.h"
#include "widgets/LinkOpener.h"

namespace {

// The program file's name without its extension, the caption of the program's own messages.
QString ApplicationName() {
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return name.isEmpty() ? QCoreApplication::applicationName() : name;
}

void ShowWarning(QWidget* owner, const QString& caption, const QString& text) {
    QApplication::beep();
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

}  // namespace

CHyperLink::CHyperLink(QWidget* parent) : QLabel(parent) {
    Init();
}

CHyperLink::CHyperLink(const QString& text, QWidget* parent) : QLabel(text, parent) {
    Init();
}

CHyperLink::~CHyperLink() = default;

void CHyperLink::Init() {
    // A static text control's default placement: top-left, one line as measured.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
    m_crHover = palette().color(QPalette::Highlight);
    m_strURL = text();
    QFont underlined = font();
    underlined.setUnderline(m_bUnderline);
    setFont(underlined);
    setCursor(m_linkCursor);
    setToolTip(m_strURL);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleDescription(QStringLiteral("ウェブブラウザーで開きます。"));
}

void CHyperLink::SetURL(const QString& target) {
    m_strURL = target;
    if (text().isEmpty()) {
        setText(target);
    }
    PositionWindow();
    setToolTip(target);
}

void CHyperLink::SetColours(QColor crLink, QColor crVisited, QColor crHover) {
    m_crLink = crLink;
    m_crVisited = crVisited;
    if (crHover.isValid()) {
        m_crHover = crHover;
    }
    update();
}

QColor CHyperLink::CurrentColour() const {
    if (m_bOverControl) {
        return m_crHover;
    }
    return m_bVisited ? m_crVisited : m_crLink;
}

void CHyperLink::SetVisited(bool bVisited) {
    m_bVisited = bVisited;
    update();
}

void CHyperLink::SetLinkCursor(const QCursor& cursor) {
    m_linkCursor = cursor;
    setCursor(m_linkCursor);
}

void CHyperLink::SetUnderline(bool bUnderline) {
    m_bUnderline = bUnderline;
    QFont f = font();
    f.setUnderline(bUnderline);
    setFont(f);
    update();
}

void CHyperLink::SetAutoSize(bool bAutoSize) {
    m_bAdjustToFit = bAutoSize;
    PositionWindow();
}

void CHyperLink::SetOpener(Opener opener) {
    m_opener = std::move(opener);
}

void CHyperLink::SetNotifier(Notifier notifier) {
    m_notifier = std::move(notifier);
}

void CHyperLink::PositionWindow() {
    if (!m_bAdjustToFit) {
        return;
    }
    const QRect r = geometry();
    const QSize extent = QFontMetrics(font()).size(Qt::TextSingleLine, text());
    int left = r.left();
    int top = r.top();
    int width = r.width();
    int height = r.height();
    const Qt::Alignment align = alignment();

    if (align & Qt::AlignVCenter) {
        const int dy = (height - extent.height()) / 2;
        top += dy;
        height -= 2 * dy;
    } else {
        height = extent.height();
    }
    if (align & Qt::AlignHCenter) {
        const int dx = (width - extent.width()) / 2;
        left += dx;
        width -= 2 * dx;
    } else if (align & Qt::AlignRight) {
        left += width - extent.width();
        width = extent.width();
    } else {
        width = extent.width();
    }
    setGeometry(left, top, width, height);
}

void CHyperLink::SetOver(bool bOver) {
    if (m_bOverControl == bOver) {
        return;
    }
    m_bOverControl = bOver;
    repaint();
}

void CHyperLink::paintEvent(QPaintEvent* /*event*/) {
    // No background: the page shows through around the letters.
    QPainter p(this);
    p.setFont(font());
    p.setPen(CurrentColour());
    p.drawText(contentsRect(), static_cast<int>(alignment()) | Qt::TextSingleLine, text());
    if (hasFocus()) {
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &p, this);
    }
}

void CHyperLink::enterEvent(QEnterEvent* event) {
    SetOver(true);
    QLabel::enterEvent(event);
}

void CHyperLink::leaveEvent(QEvent* event) {
    SetOver(false);
    QLabel::leaveEvent(event);
}

void CHyperLink::mousePressEvent(QMouseEvent* event) {
    m_bPressed = event->button() == Qt::LeftButton;
    event->accept();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    const bool bClick = m_bPressed && event->button() == Qt::LeftButton &&
                        rect().contains(event->position().toPoint());
    m_bPressed = false;
    event->accept();
    if (bClick) {
        OnClicked();
    }
}

void CHyperLink::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is no click of its own: the first one has opened the
    // target already, so the release that follows opens nothing. (A label would take the
    // double click for one more press.)
    m_bPressed = false;
    event->accept();
}

void CHyperLink::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            OnClicked();
            return;
        default:
            QLabel::keyPressEvent(event);
    }
}

void CHyperLink::OnClicked() {
    const int result = m_opener ? m_opener(m_strURL) : OpenWithDesktop(m_strURL);
    m_bVisited = OpenSucceeded(result);
    if (m_bVisited) {
        repaint();
        return;
    }
    update();
    const QString message = QString::fromStdString(HyperLinkErrorMessage(result));
    if (m_notifier) {
        m_notifier(ApplicationName(), message);
    } else {
        ShowWarning(this, ApplicationName(), message);
    }
}

void CHyperLink::changeEvent(QEvent* event) {
    // A font given later keeps the link's underline setting.
    if (event->type() == QEvent::FontChange && font().underline() != m_bUnderline) {
        QFont f = font();
        f.setUnderline(m_bUnderline);
        setFont(f);
    }
    QLabel::changeEvent(event);
}
