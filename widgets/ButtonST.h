#pragma once
// Picture button: draws image In while hovered or pressed and image Out otherwise, each with
// one colour treated as transparent. Pages swap the images to show the watch's state.

#include <QAbstractButton>
#include <QColor>
#include <QImage>

class CButtonST : public QAbstractButton {
    Q_OBJECT

public:
    enum {
        BTNST_OK = 0,
        BTNST_INVALIDRESOURCE = 1,  // an image is not a valid bitmap
        BTNST_FAILEDMASK = 2,       // the transparency mask could not be made
    };

    explicit CButtonST(QWidget* parent = nullptr);
    ~CButtonST() override;

    // Resource ids of widgets/Resources.h. nBitmapOut 0 means image In alone, shown in every
    // state; nBitmapIn 0 leaves the button without images. On failure the button is left
    // without images and only its background is drawn.
    int SetBitmaps(int nBitmapIn, QColor crTransColorIn, int nBitmapOut = 0,
                   QColor crTransColorOut = QColor());
    // The same with images in hand; a null imageOut means image In alone.
    int SetBitmaps(const QImage& imageIn, QColor crTransColorIn, const QImage& imageOut = QImage(),
                   QColor crTransColorOut = QColor());

    // Thin raised border while hovered, sunken while pressed. On by default.
    void DrawBorder(bool bEnable = true, bool bRepaint = true);
    bool IsBorderDrawn() const { return m_bDrawBorder; }

    // Fill behind the image in every state. By default there is none and the page itself shows
    // behind the image and through its transparent pixels, whatever the style paints there.
    void SetBkColor(QColor crBk, bool bRepaint = true);
    QColor GetBkColor() const { return m_crBk; }

    bool IsPointerOver() const { return m_bMouseOnButton; }
    bool HasImages() const { return !m_imageIn.isNull(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ReleaseImages();
    void SetPointerOver(bool bOver);

    // Images with their transparent colour turned into alpha 0, ready to draw.
    QImage m_imageIn;
    QImage m_imageOut;
    bool m_bMouseOnButton = false;
    bool m_bDrawBorder = true;
    QColor m_crBk;  // invalid: no fill
};
