// What a long operation (mark import, firmware update, course upload) needs of its front end:
// the main window's progress bar, message boxes and the controls that must be locked while it
// runs. The desktop pages implement it by marshalling to the UI thread; the CLI draws a progress
// bar on the terminal. Both therefore show the same texts at the same moments.
#pragma once

#include <string>

#include "devicelink/DeviceLink.h"

namespace veldrant::ops {

enum class MessageIcon {
    None,         // the missing-watch hint
    Error,        // error boxes, caption "Error" or "Open File"
    Exclamation,  // the application's own message box (caption: the program's name)
    Information,
};

class IOperationHost {
public:
    virtual ~IOperationHost() = default;
    // Progress bar position, 0 to 100.
    virtual void SetProgressPos(int percent) = 0;
    // Progress bar text (UTF-8); an empty text shows the percentage again.
    virtual void SetProgressText(const std::string& text) = 0;
    // A message box; returns when the user has dismissed it.
    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             MessageIcon icon) = 0;
    // Locks (true) or unlocks (false) the Exit button and the window's Close command.
    virtual void SetOperationRunning(bool running) = 0;
    // What the bar measures now ("mark set 2 of 3", "score data", "golf course 17 of 40"), for a
    // front end that labels its bar; the window's bar draws only its own text and ignores it.
    virtual void SetProgressLabel(const std::string& label) { (void)label; }
    // The connected flag the worker tests before each block.
    virtual bool IsConnected() = 0;
    // True when the user asked the job to stop (Ctrl-C in a terminal); the worker tests it
    // between blocks, never in the middle of an exchange. The window never asks: it refuses to
    // close while a job runs.
    virtual bool StopRequested() { return false; }
};

// Marks one operation as running for its whole scope: the busy flag (which refuses tab
// changes) and the host's locked controls, restored on every road out.
class BusyScope {
public:
    explicit BusyScope(IOperationHost& host) : host_(host) {
        g_bBusy.store(1);
        host_.SetOperationRunning(true);
    }
    ~BusyScope() {
        host_.SetOperationRunning(false);
        g_bBusy.store(0);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    IOperationHost& host_;
};

// Texts shared by several operations.
inline constexpr const char* kTextDone = "完了しました。";
inline constexpr const char* kTextDeviceRemoved = "Device removed!";
inline constexpr const char* kCaptionError = "Error";
inline constexpr const char* kTextCheckConnection = "端末とUSBの接続を確認してください";
inline constexpr const char* kCaptionCheckConnection = " ";

}  // namespace veldrant::ops
