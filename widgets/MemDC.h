#pragma once
// Off-screen drawing: everything is painted into a buffer the size of the clip rectangle and
// copied to the target in one block when the CMemDC goes away, so the target never shows a
// half-drawn frame. Printer and picture targets are drawn directly.

#include <QPainter>
#include <QPixmap>
#include <QRect>

class CMemDC {
public:
    // clip is in the target's logical coordinates; the returned painter uses the same ones.
    CMemDC(QPainter& target, const QRect& clip);
    ~CMemDC();

    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    QPainter& painter() { return m_bMemDC ? m_memPainter : m_target; }
    bool IsOffScreen() const { return m_bMemDC; }

private:
    QPainter& m_target;
    QRect m_rect;
    bool m_bMemDC;
    QPixmap m_buffer;
    QPainter m_memPainter;
};
