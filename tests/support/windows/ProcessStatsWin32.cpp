#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include "tests/support/ProcessStats.h"

namespace veldrant::testing {

ProcessStats SampleProcess() {
    ProcessStats s;
    PROCESS_MEMORY_COUNTERS counters{};
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)))
        s.residentKiB = counters.WorkingSetSize / 1024;
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles))
        s.descriptors = handles;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap != INVALID_HANDLE_VALUE) {
        THREADENTRY32 entry{};
        entry.dwSize = sizeof(entry);
        for (BOOL more = Thread32First(snap, &entry); more; more = Thread32Next(snap, &entry)) {
            if (entry.th32OwnerProcessID == GetCurrentProcessId())
                ++s.threads;
        }
        CloseHandle(snap);
    }
    return s;
}

}  // namespace veldrant::testing
