#include "platform/windows/Overlapped.h"

namespace veldrant::platform::win {

IoResult ResultForError(DWORD error) {
    switch (error) {
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_BAD_COMMAND:  // a HID device removed under a pending transfer
        case ERROR_GEN_FAILURE:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_BROKEN_PIPE:
        case ERROR_PIPE_NOT_CONNECTED:
        case ERROR_NO_DATA:
        case ERROR_OPERATION_ABORTED:
        case ERROR_INVALID_HANDLE:
            return IoResult::Gone;
        default:
            return IoResult::Error;
    }
}

Transfer OverlappedTransfer(HANDLE h, bool write, void* buffer, DWORD len, HANDLE cancel,
                            std::chrono::milliseconds timeout) {
    Transfer t;
    Handle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!done) {
        t.error = GetLastError();
        return t;
    }
    OVERLAPPED ov{};
    ov.hEvent = done.Get();
    BOOL ok =
        write ? WriteFile(h, buffer, len, nullptr, &ov) : ReadFile(h, buffer, len, nullptr, &ov);
    DWORD err = ok ? ERROR_SUCCESS : GetLastError();
    if (!ok && err != ERROR_IO_PENDING && err != ERROR_MORE_DATA) {
        t.error = err;
        t.result = ResultForError(err);
        return t;
    }
    if (!ok && err == ERROR_IO_PENDING) {
        HANDLE events[2] = {done.Get(), cancel};
        DWORD count = cancel ? 2 : 1;
        DWORD wait = WaitForMultipleObjects(
            count, events, FALSE, timeout.count() < 0 ? INFINITE : DWORD(timeout.count()));
        if (wait != WAIT_OBJECT_0) {
            // Cancelled, timed out or failed: stop the transfer and wait until Windows has let go
            // of the buffer. It may have finished meanwhile; then its result counts.
            CancelIoEx(h, &ov);
            DWORD moved = 0;
            if (GetOverlappedResult(h, &ov, &moved, TRUE)) {
                t.bytes = moved;
                t.result = IoResult::Ok;
                return t;
            }
            t.error = GetLastError();
            if (t.error == ERROR_MORE_DATA) {
                t.bytes = moved;
                t.result = IoResult::Ok;
                return t;
            }
            t.result = wait == WAIT_OBJECT_0 + 1 ? IoResult::Gone
                       : wait == WAIT_TIMEOUT    ? IoResult::Timeout
                                                 : IoResult::Error;
            return t;
        }
    }
    DWORD moved = 0;
    if (!GetOverlappedResult(h, &ov, &moved, TRUE)) {
        t.error = GetLastError();
        if (t.error != ERROR_MORE_DATA) {
            t.result = ResultForError(t.error);
            return t;
        }
    }
    t.bytes = moved;
    t.result = IoResult::Ok;
    return t;
}

}  // namespace veldrant::platform::win
