#pragma once
// Progress bar that draws two full-size bitmaps split at the fill column and writes the
// percentage, or a text set by a page, centred across the bar in two colours.
//
// Screen readers see a progress bar whose value is the text drawn (or the percentage).
//
// Threading: SetPos and SetWindowText repaint at once and must be called on the UI thread.
// Workers marshal their progress to it (QMetaObject::invokeMethod with a queued call).

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

class CTextProgressCtrl : public QWidget {
    Q_OBJECT

public:
    explicit CTextProgressCtrl(QWidget* parent = nullptr);

    // The range is 0 to 100 by default; an empty range (lower >= upper) draws nothing.
    void SetRange(int nLower, int nUpper);
    void GetRange(int& nLower, int& nUpper) const;

    // UI thread only. Stores the position (kept inside the range) and repaints at once, but
    // only when the fill width in whole pixels changes. Returns the previous position.
    int SetPos(int nPos);
    int GetPos() const { return m_nPos; }

    // UI thread only. A non-empty text is drawn instead of the percentage; an empty text
    // brings the percentage back.
    void SetWindowText(const QString& text);
    QString WindowText() const { return m_strText; }

    void SetShowText(bool bShow);
    // Text colour over the done part (the palette's base colour by default) and over the
    // rest (the palette's highlight colour by default).
    void SetTextForeColour(QColor crDone);
    void SetTextBkColour(QColor crRest);
    QColor GetTextForeColour() const { return m_crTextDone; }
    QColor GetTextBkColour() const { return m_crTextRest; }

    // What a screen reader reads as the bar's value: the text drawn, else the percentage.
    QString AccessibleValueText() const;

    // Width in pixels of the done part at the last redraw; -1 until measured.
    int FillWidth() const { return m_nFillWidth; }

    QSize sizeHint() const override { return QSize(510, 25); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int ComputeFillWidth() const;
    QString TextToDraw() const;

    int m_nPos = 0;
    int m_nLower = 0;
    int m_nUpper = 100;
    QString m_strText;
    bool m_bShowText = true;
    int m_nFillWidth = -1;
    QColor m_crTextDone;
    QColor m_crTextRest;
    QPixmap m_bmpDone;
    QPixmap m_bmpRest;
};
