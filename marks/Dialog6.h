// The mark data page (tab "地点データ", the first tab): one button that imports the marks and
// score cards on the watch into a CSV file that the user names.
#pragma once

#include <QString>

#include <memory>

#include "app/DevicePage.h"

namespace veldrant::marks {
class MarkImport;
}

class QLabel;
class QPushButton;

class CDialog6 : public veldrant::app::CDevicePage {
    Q_OBJECT

public:
    static constexpr int kTimerId = 1128;

    CDialog6(veldrant::app::IPageServices& services, QWidget* parent);
    ~CDialog6() override;

    // Shown after an import wrote its file: opens that file on the rounds page.
    QPushButton* ShowInRoundsButton() const { return m_pShowRounds; }
    const QString& LastFile() const { return m_lastFile; }
    // After an import: the line that says what went into the logbook, with a button that opens
    // the logbook window. Hidden again at the next press.
    void ShowLogbookLine(const QString& text);
    QLabel* LogbookLine() const { return m_pLogbookLine; }
    QPushButton* OpenLogbookButton() const { return m_pOpenLogbook; }

Q_SIGNALS:
    // An import finished with its file written (every set, or the ones the watch gave).
    void MarkFileWritten(const QString& path);
    void ShowInRounds(const QString& path);
    void OpenLogbook();

protected:
    void OnClicked() override;

private:
    class CMarkHost;
    std::unique_ptr<CMarkHost> m_pMarkHost;
    // Lives from the first press on: the score indicator is kept from one press to the next.
    std::unique_ptr<veldrant::marks::MarkImport> m_pImport;
    QPushButton* m_pShowRounds = nullptr;
    QLabel* m_pLogbookLine = nullptr;
    QPushButton* m_pOpenLogbook = nullptr;
    QString m_lastFile;
};
