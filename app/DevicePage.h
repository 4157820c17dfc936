// What the three device pages (marks, course data, firmware) share: the picture button with
// its faces for each state, the one-second poll of the connected flag, the missing-watch hint,
// the key filtering, and running the page's operation on a worker thread.
#pragma once

#include <QWidget>

#include <atomic>
#include <functional>
#include <string>

#include "app/PageHost.h"
#include "app/PageServices.h"
#include "app/PageWorker.h"

class CButtonST;
class QLabel;
class QTimer;

namespace veldrant::app {

class CDevicePage : public QWidget {
    Q_OBJECT

public:
    // Bitmap ids of the button's faces.
    struct Faces {
        int connectedIn, connectedOut;  // idle, watch connected (hovered / at rest)
        int absentIn, absentOut;        // idle, no watch
        int busy;                       // alone while the operation is prepared or runs
        int refused;                    // alone while the missing-watch hint is open
    };
    static constexpr int kPollMs = 1000;

    ~CDevicePage() override;

    CButtonST* StartButton() const { return m_pButton; }
    QLabel* StaticText() const { return m_pText; }
    QTimer* PollTimer() const { return m_pTimer; }
    // The page's copy of g_bConnected, refreshed by its timer.
    int CachedConnected() const { return m_bConnected.load(); }
    // The bitmap ids the button shows now (Out is 0 for a single face).
    int FaceIn() const { return m_nFaceIn; }
    int FaceOut() const { return m_nFaceOut; }
    // A job of this page is running or waiting to hand back its result.
    virtual bool OperationInFlight() const;
    // Stops the timer and ends the page's jobs: message boxes stop waiting for the user and
    // the worker threads are waited for. After it the page never touches the link again.
    virtual void Shutdown();

protected:
    // `job` names the button's job for screen readers ("地点データの取り込み").
    CDevicePage(IPageServices& services, const Faces& faces, int timerId, const QString& text,
                const QString& job, QWidget* parent);

    // One tick of the poll timer; the base swaps the faces when the connection changed.
    virtual void OnTimer();
    // Called by OnTimer when the connected flag changed (after the faces were set).
    virtual void OnConnectionChanged(bool connected);
    virtual void OnClicked() = 0;

    void SetFaces(int idIn, int idOut = 0);
    // The idle faces of the connection state the page knows now.
    void SetIdleFaces();
    void SetBusyFace();
    // The start of every press: bar at 0 without text, then, without a watch, the refused face
    // and the hint. False when the press ends there.
    bool BeginPress();
    // The press ends without an operation: idle faces, button enabled.
    void EndPress();
    // The open dialog of a page whose operation works on a file: busy face and button disabled
    // while it is open, idle again when the user cancels (then the result is empty).
    QString ChooseFileToOpen(const char* filter);
    // Runs `operation` on the page's worker, holding the link gate. The busy flag and the
    // locked Exit and Close hold from now until the page has its button back.
    void RunOperation(std::function<void(CDeviceLink&, ops::IOperationHost&)> operation);
    // Holds the busy state and the locks for a step run from the page itself.
    void EnterBusy();
    void LeaveBusy();

    void keyPressEvent(QKeyEvent* event) override;

    IPageServices& m_services;
    CPageHost* m_pHost = nullptr;
    CPageWorker* m_pWorker = nullptr;
    CButtonST* m_pButton = nullptr;
    QLabel* m_pText = nullptr;
    QTimer* m_pTimer = nullptr;
    std::atomic<int> m_bConnected{0};

private:
    // The button's description for screen readers: what its faces show.
    void Describe();

    Faces m_faces;
    int m_nFaceIn = 0;
    int m_nFaceOut = 0;
    int m_nBusyHeld = 0;
};

// Escape and Enter, which a dialog would take as cancel and confirm.
// What the window says when another Veldrant program is working with the watch.
std::string WatchBusyText(long holder);

bool IsDialogKey(const QKeyEvent* event);

}  // namespace veldrant::app
