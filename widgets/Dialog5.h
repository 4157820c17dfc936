#pragma once
// The About page: the maker's logo, the product name and version, the legal notice and a link
// to the maker's web site.

#include <QFont>
#include <QWidget>

class CButtonST;
class CHyperLink;
class QLabel;

// The maker's web address, the link's text and target.
extern const char* const kMakerWebAddress;

class CDialog5 : public QWidget {
    Q_OBJECT

public:
    // The About text uses the program's shared font, MakeGothicFont(16) unless one is given.
    explicit CDialog5(QWidget* parent = nullptr);
    CDialog5(const QFont& appFont, QWidget* parent);

    CButtonST* Picture() const { return m_pPicture; }
    QLabel* AboutText() const { return m_pText; }
    CHyperLink* Link() const { return m_pLink; }

    // The About text: five lines, each ended by a line feed.
    static QString Text();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Build(const QFont& appFont);

    CButtonST* m_pPicture = nullptr;
    QLabel* m_pText = nullptr;
    CHyperLink* m_pLink = nullptr;
};
