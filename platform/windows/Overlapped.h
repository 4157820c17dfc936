// One overlapped transfer on a handle opened with FILE_FLAG_OVERLAPPED, waited for with a
// time-out and a cancel event. A transfer that does not finish is cancelled (CancelIoEx) and
// waited for until Windows is done with it, so that the buffer and the OVERLAPPED record may be
// reused or freed as soon as this returns.
#pragma once

#include <chrono>

#include "platform/HidTransport.h"
#include "platform/windows/WinText.h"

namespace veldrant::platform::win {

struct Transfer {
    IoResult result = IoResult::Error;
    DWORD bytes = 0;              // moved
    DWORD error = ERROR_SUCCESS;  // of the failed call; ERROR_MORE_DATA: a longer message
};

// `write` chooses WriteFile or ReadFile. `cancel` (manual-reset, may be null) ends the wait at
// once with Gone. A negative time-out waits for ever.
Transfer OverlappedTransfer(HANDLE h, bool write, void* buffer, DWORD len, HANDLE cancel,
                            std::chrono::milliseconds timeout);

// Gone for the errors of a handle whose device or pipe went away.
IoResult ResultForError(DWORD error);

}  // namespace veldrant::platform::win
