#include "widgets/Dialog5.h"

#include <QKeyEvent>
#include <QLabel>

#include "widgets/ButtonST.h"
#include "widgets/DialogUnits.h"
#include "widgets/HyperLink.h"
#include "widgets/Resources.h"
#include "widgets/UiFont.h"

const char* const kMakerWebAddress = "https://www.kestrune.example/";

namespace {

constexpr int kAppFontHeight = 16;
constexpr int kLinkFontHeight = 14;

// Template layout of the page, in dialog units.
const QRect kPageDu(0, 0, 497, 164);
const QRect kTextDu(114, 30, 361, 102);
const QRect kLinkDu(114, 90, 154, 15);
const QRect kPictureDu(19, 24, 82, 76);

QRect ToPixels(const QRect& du) {
    return DialogUnitsToPixels(du.x(), du.y(), du.width(), du.height());
}

}  // namespace

CDialog5::CDialog5(QWidget* parent) : CDialog5(MakeGothicFont(kAppFontHeight), parent) {}

CDialog5::CDialog5(const QFont& appFont, QWidget* parent) : QWidget(parent) {
    Build(appFont);
}

QString CDialog5::Text() {
    return QStringLiteral(
        "Kestrune VELDRANT For KVT2700\n"
        "\n"
        "Ver 1.01\n"
        "\n"
        "Copyright (C) Kestrune Co., Ltd. All rights reserved.\n");
}

void CDialog5::Build(const QFont& appFont) {
    resize(ToPixels(kPageDu).size());

    m_pText = new QLabel(Text(), this);
    m_pText->setTextFormat(Qt::PlainText);
    m_pText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pText->setWordWrap(true);
    m_pText->setGeometry(ToPixels(kTextDu));
    m_pText->setFont(appFont);

    // The logo shows in every state and does not react to the mouse.
    m_pPicture = new CButtonST(this);
    m_pPicture->setGeometry(ToPixels(kPictureDu));
    m_pPicture->SetBitmaps(IDB_LOGO, ButtonTransparentColour(), 0, QColor());
    m_pPicture->setEnabled(false);

    const QString address = QString::fromLatin1(kMakerWebAddress);
    m_pLink = new CHyperLink(address, this);
    m_pLink->setGeometry(ToPixels(kLinkDu));
    m_pLink->SetURL(address);
    m_pLink->setFont(MakeGothicFont(kLinkFontHeight));
    m_pLink->SetUnderline(true);
    m_pLink->SetLinkCursor(QCursor(Qt::PointingHandCursor));
    m_pLink->SetAutoSize(true);
}

void CDialog5::keyPressEvent(QKeyEvent* event) {
    // Enter and Escape must neither confirm nor close the window from this page.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Escape:
            event->accept();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}
