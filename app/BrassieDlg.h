// The main window: four tab pages over the one device link, the progress bar they share and
// the Exit button. It owns the link and the device watcher, blocks the session's end while it
// is open, refuses tab changes while an operation runs and tears everything down in order.
#pragma once

#include <QDialog>
#include <QFont>
#include <QRect>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "app/DeviceWatcher.h"
#include "app/FileDialogs.h"
#include "app/LinkGate.h"
#include "app/PageServices.h"
#include "devicelink/DeviceLink.h"
#include "platform/HidTransport.h"

class CDialog1;
class CDialog2;
class CDialog5;
class CDialog6;
class CTextProgressCtrl;
class QPushButton;

namespace veldrant::platform {
class CSessionGuard;
}
namespace veldrant::app {
class CRoundsPage;
class CTabCtrl;
class CWindowMessageFilter;
}  // namespace veldrant::app

inline constexpr const char* kMainWindowTitle = "Kestrune VELDRANT for KVT2700";
inline constexpr const char* kShutdownBlockReason =
    "このプログラムにより、シャットダウンできません";

struct BrassieOptions {
    // Makes the device link; by default one over every transport of the platform.
    std::function<std::unique_ptr<veldrant::CDeviceLink>()> makeLink;
    // The pages' file dialogs; by default Qt's own. Not owned.
    veldrant::app::IFileDialogs* fileDialogs = nullptr;
    // Ask the login manager to hold off shutdown while the window is open.
    bool guardSession = true;
    std::chrono::milliseconds searchInterval = veldrant::app::kSearchInterval;
};

class CBrassieDlg : public QDialog, public veldrant::app::IPageServices {
    Q_OBJECT

public:
    // Client size of the window, and where the controls sit in it.
    static constexpr QRect kTabRect{13, 13, 698, 236};
    static constexpr QRect kProgressRect{13, 270, 510, 25};
    static constexpr QRect kExitRect{573, 271, 135, 23};
    static constexpr int kClientWidth = 724;
    static constexpr int kClientHeight = 308;
    // The pages fill the tab control less these margins (left, top, right, bottom).
    static constexpr int kPageInsetLeft = 4, kPageInsetTop = 25, kPageInsetRight = 4,
                         kPageInsetBottom = 4;
    static constexpr int kTabCount = 5;
    static constexpr int kRoundsTab = 4;

    explicit CBrassieDlg(BrassieOptions options = {}, QWidget* parent = nullptr);
    ~CBrassieDlg() override;

    // The page shown for each tab, in tab order: marks, course data, firmware, About, rounds.
    QWidget* PageForTab(int index) const;
    CDialog1* FirmwarePage() const { return m_pDialog1; }
    CDialog2* CoursePage() const { return m_pDialog2; }
    CDialog5* AboutPage() const { return m_pDialog5; }
    CDialog6* MarkPage() const { return m_pDialog6; }
    veldrant::app::CRoundsPage* RoundsPage() const { return m_pRounds; }
    veldrant::app::CTabCtrl* TabCtrl() const { return m_pTab; }
    QPushButton* ExitButton() const { return m_pExit; }
    bool SessionGuardHeld() const;

    // Arrival and removal of a HID interface, on the UI thread.
    void OnDeviceChange(veldrant::platform::HidNotice notice, const std::string& path);

    // IPageServices
    CTextProgressCtrl& ProgressBar() override { return *m_pProgress; }
    void LockForOperation(bool lock) override;
    const QFont& SharedFont() const override { return m_font; }
    veldrant::CDeviceLink* Link() override { return m_pLink.get(); }
    veldrant::app::CLinkGate& Gate() override { return m_gate; }
    veldrant::app::IFileDialogs& FileDialogs() override { return *m_pFileDialogs; }

public:
    // Exit and Close end the window, but not while an operation runs.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    void CreatePages();
    void OnSelChangeTab(int index);
    bool OperationInFlight() const;
    void Teardown();

    BrassieOptions m_options;
    veldrant::app::CDesktopFileDialogs m_desktopFileDialogs;
    veldrant::app::IFileDialogs* m_pFileDialogs = nullptr;
    QFont m_font;
    std::unique_ptr<veldrant::platform::CSessionGuard> m_pSessionGuard;
    std::unique_ptr<veldrant::app::CWindowMessageFilter> m_pMessageFilter;

    CDialog1* m_pDialog1 = nullptr;
    CDialog2* m_pDialog2 = nullptr;
    CDialog5* m_pDialog5 = nullptr;
    CDialog6* m_pDialog6 = nullptr;
    veldrant::app::CRoundsPage* m_pRounds = nullptr;
    veldrant::app::CTabCtrl* m_pTab = nullptr;
    std::unique_ptr<veldrant::app::CDeviceWatcher> m_pWatcher;
    QPushButton* m_pExit = nullptr;
    CTextProgressCtrl* m_pProgress = nullptr;

    std::unique_ptr<veldrant::CDeviceLink> m_pLink;
    veldrant::app::CLinkGate m_gate;
    int m_nOperationLocks = 0;
    bool m_bTornDown = false;
};
