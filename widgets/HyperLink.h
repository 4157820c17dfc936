#pragma once
// A text label that draws itself in link colours, shows a hand cursor and a tooltip with its
// target, and opens the target in the desktop's browser when clicked or, when it has the
// keyboard focus (shown by a focus frame), when Space or Enter is pressed.

#include <QColor>
#include <QCursor>
#include <QLabel>
#include <QString>

#include <functional>

class CHyperLink : public QLabel {
    Q_OBJECT

public:
    // Opens a target and answers a result code: above 32 is success, 32 and below are the
    // failures that widgets/HyperLinkErrors.h describes.
    using Opener = std::function<int(const QString& target)>;
    // Shows a failure to the user (caption, text); the default beeps and shows a warning box.
    using Notifier = std::function<void(const QString& caption, const QString& text)>;

    static constexpr QRgb kLinkColour = 0xFF0000EE;     // RGB(0, 0, 238)
    static constexpr QRgb kVisitedColour = 0xFF551A8B;  // RGB(85, 26, 139)

    explicit CHyperLink(QWidget* parent = nullptr);
    // The text is also the target until SetURL gives another one.
    explicit CHyperLink(const QString& text, QWidget* parent = nullptr);
    ~CHyperLink() override;

    // Stores the target, shows it as the tooltip, gives an empty label the target as its text
    // and fits the label to its text.
    void SetURL(const QString& target);
    QString GetURL() const { return m_strURL; }

    // An invalid hover colour keeps the current one.
    void SetColours(QColor crLink, QColor crVisited, QColor crHover = QColor());
    QColor GetLinkColour() const { return m_crLink; }
    QColor GetVisitedColour() const { return m_crVisited; }
    QColor GetHoverColour() const { return m_crHover; }
    // The colour the text is drawn in now: hover while the pointer is over the label, else
    // visited after a successful click, else link.
    QColor CurrentColour() const;

    void SetVisited(bool bVisited);
    bool GetVisited() const { return m_bVisited; }
    bool IsPointerOver() const { return m_bOverControl; }

    void SetLinkCursor(const QCursor& cursor);
    QCursor GetLinkCursor() const { return m_linkCursor; }

    // Underlines the label's current font (and any font given to it later).
    void SetUnderline(bool bUnderline);
    bool GetUnderline() const { return m_bUnderline; }

    // Shrinks the label to its text, keeping the side or centre its alignment names.
    void SetAutoSize(bool bAutoSize);
    bool GetAutoSize() const { return m_bAdjustToFit; }

    void SetOpener(Opener opener);
    void SetNotifier(Notifier notifier);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // Space and Enter open the target, as a click does: the keyboard reaches the link too.
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Init();
    void PositionWindow();
    void OnClicked();
    void SetOver(bool bOver);

    QString m_strURL;
    QColor m_crLink{kLinkColour};
    QColor m_crVisited{kVisitedColour};
    QColor m_crHover;
    QCursor m_linkCursor{Qt::PointingHandCursor};
    bool m_bOverControl = false;
    bool m_bVisited = false;
    bool m_bUnderline = true;
    bool m_bAdjustToFit = true;
    bool m_bPressed = false;
    Opener m_opener;
    Notifier m_notifier;
};
