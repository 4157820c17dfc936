#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "tests/support/ProcessStats.h"

namespace veldrant::testing {

namespace {

// The system's handle table, as NtQuerySystemInformation gives it (class 64): one entry per
// open handle of every process.
struct HandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handle;
    ULONG access;
    USHORT creatorBackTrace;
    USHORT objectType;
    ULONG attributes;
    ULONG reserved;
};
struct HandleTable {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};
constexpr ULONG kExtendedHandleInformation = 64;
constexpr LONG kInfoLengthMismatch = LONG(0xC0000004);
using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

// This process's entries in the system's handle table; nullopt when the table cannot be read.
std::optional<uint64_t> HandlesFromTable() {
    auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return std::nullopt;
    std::vector<uint8_t> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        LONG status =
            query(kExtendedHandleInformation, buffer.data(), ULONG(buffer.size()), &needed);
        if (status == kInfoLengthMismatch && buffer.size() < (256u << 20)) {
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status < 0)
            return std::nullopt;
        break;
    }
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    const ULONG_PTR self = GetCurrentProcessId();
    uint64_t mine = 0;
    for (ULONG_PTR i = 0; i < table->count; ++i)
        mine += table->entries[i].processId == self;
    return mine;
}

}  // namespace

ProcessStats SampleProcess() {
    ProcessStats s;
    PROCESS_MEMORY_COUNTERS counters{};
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters)))
        s.residentKiB = counters.WorkingSetSize / 1024;
    DWORD handles = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &handles) && handles > 0)
        s.descriptors = handles;
    else
        s.descriptors = HandlesFromTable();
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
