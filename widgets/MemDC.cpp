#include "widgets/MemDC.h"

#include <QPaintDevice>

namespace {

bool IsDirectTarget(const QPainter& painter) {
    const QPaintDevice* device = painter.device();
    if (!device) {
        return true;
    }
    const int type = device->devType();
    return type == QInternal::Printer || type == QInternal::Picture;
}

}  // namespace

CMemDC::CMemDC(QPainter& target, const QRect& clip)
    : m_target(target), m_rect(clip), m_bMemDC(!IsDirectTarget(target) && !clip.isEmpty()) {
    if (!m_bMemDC) {
        return;
    }
    const qreal ratio = target.device()->devicePixelRatioF();
    m_buffer = QPixmap(clip.size() * ratio);
    m_buffer.setDevicePixelRatio(ratio);
    m_buffer.fill(Qt::transparent);
    m_memPainter.begin(&m_buffer);
    m_memPainter.translate(-clip.topLeft());
    m_memPainter.setFont(target.font());
}

CMemDC::~CMemDC() {
    if (!m_bMemDC) {
        return;
    }
    m_memPainter.end();
    m_target.drawPixmap(m_rect.topLeft(), m_buffer);
}
