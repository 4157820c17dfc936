#include "widgets/ButtonST.h"

#include <QEnterEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "widgets/Resources.h"

namespace {

// The image as drawn: every pixel of the transparent colour becomes fully transparent, so the
// background shows through it. A null result means the conversion could not be made.
QImage MakeMaskedImage(const QImage& source, QColor crTrans) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    if (image.isNull()) {
        return image;
    }
    const QRgb key = (crTrans.isValid() ? crTrans.rgb() : qRgb(0, 0, 0)) & 0x00FFFFFF;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & 0x00FFFFFF) == key) {
                line[x] = 0;
            }
        }
    }
    return image;
}

// A one-pixel frame: topLeft on the top and left edges, bottomRight on the bottom and right.
void Draw3dRect(QPainter& p, const QRect& r, QColor topLeft, QColor bottomRight) {
    const int w = r.width();
    const int h = r.height();
    p.fillRect(QRect(r.left(), r.top(), w - 1, 1), topLeft);
    p.fillRect(QRect(r.left(), r.top(), 1, h - 1), topLeft);
    p.fillRect(QRect(r.left() + w - 1, r.top(), 1, h), bottomRight);
    p.fillRect(QRect(r.left(), r.top() + h - 1, w, 1), bottomRight);
}

}  // namespace

CButtonST::CButtonST(QWidget* parent) : QAbstractButton(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

CButtonST::~CButtonST() = default;

int CButtonST::SetBitmaps(int nBitmapIn, QColor crTransColorIn, int nBitmapOut,
                          QColor crTransColorOut) {
    QImage imageIn;
    QImage imageOut;
    if (nBitmapIn != 0) {
        imageIn = LoadBitmapResource(nBitmapIn).toImage();
        if (imageIn.isNull()) {
            ReleaseImages();
            return BTNST_INVALIDRESOURCE;
        }
        if (nBitmapOut != 0) {
            imageOut = LoadBitmapResource(nBitmapOut).toImage();
            if (imageOut.isNull()) {
                ReleaseImages();
                return BTNST_INVALIDRESOURCE;
            }
        }
    }
    return SetBitmaps(imageIn, crTransColorIn, imageOut, crTransColorOut);
}

int CButtonST::SetBitmaps(const QImage& imageIn, QColor crTransColorIn, const QImage& imageOut,
                          QColor crTransColorOut) {
    ReleaseImages();
    if (imageIn.isNull()) {
        update();
        return BTNST_OK;
    }
    m_imageIn = MakeMaskedImage(imageIn, crTransColorIn);
    if (!imageOut.isNull()) {
        m_imageOut = MakeMaskedImage(imageOut, crTransColorOut);
    }
    if (m_imageIn.isNull() || (!imageOut.isNull() && m_imageOut.isNull())) {
        ReleaseImages();
        return BTNST_FAILEDMASK;
    }
    update();
    return BTNST_OK;
}

void CButtonST::ReleaseImages() {
    m_imageIn = QImage();
    m_imageOut = QImage();
}

void CButtonST::DrawBorder(bool bEnable, bool bRepaint) {
    m_bDrawBorder = bEnable;
    if (bRepaint) {
        update();
    }
}

void CButtonST::SetBkColor(QColor crBk, bool bRepaint) {
    m_crBk = crBk;
    if (bRepaint) {
        update();
    }
}

QSize CButtonST::sizeHint() const {
    if (!m_imageIn.isNull()) {
        return m_imageIn.size();
    }
    return QSize(16, 16);
}

void CButtonST::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    const QRect item = rect();
    const bool bPressed = isDown();
    // A disabled button looks exactly like one at rest; the pages give it a busy image.
    const bool bOver = m_bMouseOnButton && isEnabled();

    if (m_crBk.isValid()) {
        p.fillRect(item, m_crBk);
    }

    if (m_bDrawBorder) {
        const QColor shadow = palette().color(QPalette::Dark);
        const QColor highlight = palette().color(QPalette::Light);
        if (bPressed) {
            Draw3dRect(p, item, shadow, highlight);
        } else if (bOver) {
            Draw3dRect(p, item, highlight, shadow);
        }
    }

    const QImage& image = (bPressed || bOver || m_imageOut.isNull()) ? m_imageIn : m_imageOut;
    if (image.isNull()) {
        return;
    }
    int x = item.left() + (item.width() - image.width()) / 2;
    int y = item.top() + (item.height() - image.height()) / 2;
    if (bPressed) {
        ++x;
        ++y;
    }
    p.drawImage(QPoint(x, y), image);
}

void CButtonST::SetPointerOver(bool bOver) {
    if (m_bMouseOnButton == bOver) {
        return;
    }
    m_bMouseOnButton = bOver;
    update();
}

void CButtonST::enterEvent(QEnterEvent* event) {
    // Sliding in with the left button held (a press that started elsewhere) is not a hover.
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton) || m_bMouseOnButton) {
        SetPointerOver(true);
    }
    QAbstractButton::enterEvent(event);
}

void CButtonST::leaveEvent(QEvent* event) {
    SetPointerOver(false);
    QAbstractButton::leaveEvent(event);
}

void CButtonST::mouseMoveEvent(QMouseEvent* event) {
    if (!rect().contains(event->position().toPoint())) {
        SetPointerOver(false);
    } else if (!(event->buttons() & Qt::LeftButton) || m_bMouseOnButton) {
        SetPointerOver(true);
    }
    QAbstractButton::mouseMoveEvent(event);
}

void CButtonST::focusOutEvent(QFocusEvent* event) {
    SetPointerOver(false);
    QAbstractButton::focusOutEvent(event);
}

void CButtonST::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        SetPointerOver(false);
    } else if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        SetPointerOver(false);
    }
    QAbstractButton::changeEvent(event);
}
