// The rounds page (tab "ラウンド", after the four device and About tabs): a mark CSV file read
// back as rounds. The user opens a file (the mark page's last import is offered first), picks a
// round and sees its holes with strokes, putts and distances, and the chosen hole's picture,
// which opens large when clicked. Until a file is opened it lists the logbook's latest rounds;
// "ログブック" opens the logbook window, which keeps every round imported.
#pragma once

#include <QString>
#include <QWidget>

#include <string>

#include "app/PageServices.h"
#include "rounds/Round.h"

class QLabel;
class QShowEvent;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace veldrant::app {

class CHolePictureView;

class CRoundsPage : public QWidget {
    Q_OBJECT

public:
    static constexpr const char* kTitle = "ラウンド";

    CRoundsPage(IPageServices& services, QWidget* parent);

    // Reads the file and shows its first round; a file that cannot be read is refused with a
    // message box naming the reason, and what was shown stays.
    bool OpenFile(const QString& path);
    // The mark page's newest file: offered as the first choice.
    void OfferFile(const QString& path);
    // Opens the file picked in the open dialog.
    void OnOpen();
    // Until a file is opened the page lists the logbook's latest rounds, newest first; false
    // when there is no logbook, it holds no round or it has not changed since it was read.
    bool ShowLogbookRounds();
    static constexpr size_t kLatestRounds = 20;

    const QString& FilePath() const { return m_path; }
    const rounds::RoundFile& File() const { return m_file; }
    QPushButton* OpenButton() const { return m_pOpen; }
    QPushButton* OfferedButton() const { return m_pOffered; }
    // Opens the logbook window.
    QPushButton* LogbookButton() const { return m_pLogbook; }
    QListWidget* RoundList() const { return m_pRounds; }
    QTableWidget* HoleTable() const { return m_pHoles; }
    QLabel* Summary() const { return m_pSummary; }
    CHolePictureView* PictureView() const { return m_pPicture; }
    // The large picture opened by a click; null when none is open.
    QWidget* LargePicture() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Shows `file`'s rounds in the list, the first one chosen.
    void ShowRounds(rounds::RoundFile file, const QString& label, const QString& tip);
    void ShowRound(int index);
    void ShowHole(int row);
    void OpenLargePicture();

    IPageServices& m_services;
    QString m_path;
    std::string m_logbookSeen;  // the logbook's fingerprint when its rounds were last read
    QString m_offered;
    rounds::RoundFile m_file;
    QPushButton* m_pOpen = nullptr;
    QPushButton* m_pOffered = nullptr;
    QPushButton* m_pLogbook = nullptr;
    QLabel* m_pFileLabel = nullptr;
    QListWidget* m_pRounds = nullptr;
    QLabel* m_pSummary = nullptr;
    QTableWidget* m_pHoles = nullptr;
    CHolePictureView* m_pPicture = nullptr;
    QWidget* m_pLarge = nullptr;
};

}  // namespace veldrant::app
