// The device link: the one object that finds the watch, frames requests and exchanges them.
// Public members keep the names the rest of the system reads (m_dwHIDPacketSize, m_Identity, ...).
//
// Threads. One operation at a time is the callers' rule, but the link stays sound when it is
// broken: requests are serialised among themselves, and Close never waits for them. Every
// request works on a snapshot of the open device and its report buffers (shared ownership), so
// Close cancels the device (a waiting exchange ends at once with 0), forgets the buffers, and
// their memory goes only when the last request using them leaves. The sizes and the current
// command are atomics because the watcher thread may rewrite them while a page reads them.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devicelink/Commands.h"
#include "devicelink/DeviceIdentity.h"
#include "devicelink/Frame.h"
#include "platform/HidTransport.h"

namespace veldrant {

// How long a report write and a report read may each take before the exchange fails.
inline constexpr std::chrono::milliseconds kExchangeTimeout{3000};

class CDeviceLink {
public:
    // Uses every transport present on this platform, real ones first.
    CDeviceLink();
    // Uses the given transports, searched in this order; tests pass a short time-out.
    explicit CDeviceLink(std::vector<std::shared_ptr<platform::IHidTransport>> transports,
                         std::chrono::milliseconds timeout = kExchangeTimeout);
    ~CDeviceLink();
    CDeviceLink(const CDeviceLink&) = delete;
    CDeviceLink& operator=(const CDeviceLink&) = delete;

    // Discovery and identity. Discover returns 1 when the link is (or becomes) open with a
    // confirmed watch, else 0. Close is safe on a closed link and from any thread, also while
    // another thread is in an exchange: that exchange fails at once.
    int Discover();
    int CheckIdentity();
    void Close();
    int IsCurrentDevice(const std::string& path) const;
    // Starts arrival and removal notices of every transport; `fn` runs on a transport thread.
    void RegisterArrivalRemoval(platform::HidNoticeFn fn);

    // Frame.
    void BuildHeader(int code);
    int CheckReply();

    // One output report written, one input report read and checked.
    int Exchange();

    // Request forms.
    int RequestBlock(uint8_t* dest, uint32_t n);
    int SendBlock(const uint8_t* src, uint32_t n);
    // The same for a block cut for `payloadSize` bytes: they fail, sending nothing, when the
    // open watch's payload size is another (a watch found again with another report size
    // between two blocks of a transfer), so that no request reads or writes past the block.
    int RequestBlock(uint8_t* dest, uint32_t n, uint32_t payloadSize);
    int SendBlock(const uint8_t* src, uint32_t n, uint32_t payloadSize);
    int SendArgs(int code, uint32_t args[5]);
    int SendCommand(int code, uint32_t value, std::optional<uint32_t> arg = std::nullopt);
    // The reply word: the first payload word of the last input report (0 while closed).
    uint32_t ReplyWord() const;

    // One Veldrant program at a time on a watch. Every request takes the watch's lock (see
    // IHidTransport::Lock) for its own length unless a job of this process holds it already;
    // a request refused because another program holds it fails without sending anything.
    // Hold keeps the lock until the matching Release, for a job of several requests (holds
    // nest); Busy when another program has the watch, Closed when no watch is open.
    enum class HoldOutcome { Held, Busy, Closed };
    HoldOutcome Hold();
    void Release();
    // For a program that works with one watch for its whole life (the CLI): the lock that
    // discovery takes to examine the watch is kept while it stays open, so that no other
    // program can come in between finding the watch and the job.
    void HoldWhileOpen(bool keep);
    // True when the last discovery, hold or request was refused because another Veldrant
    // program holds the watch; *holder gets that program's process id (0 when the system
    // does not tell).
    bool RefusedAsBusy(long* holder = nullptr) const;

    // What discovery made of one interface, for the CLI's diagnostics.
    struct InterfaceReport {
        std::string transport;
        std::string path;
        std::optional<platform::HidIds> ids;
        platform::OpenError error = platform::OpenError::None;
        uint32_t inputLength = 0;
        uint32_t outputLength = 0;
        int tableRow = -1;  // -1: matches no row
        bool confirmed = false;
        bool busy = false;   // another Veldrant program holds it
        long holderPid = 0;  // that program's process id, 0 when not known
        std::string verdict;
    };
    // Lists every present interface with what discovery would make of it, without opening a
    // link (the CLI's "devices"). Matching interfaces are opened briefly and, for rows 1 to 3,
    // asked for their identity.
    std::vector<InterfaceReport> Survey();
    // True while a transport still lists the interface at `path`; a watch pulled out is not
    // listed, even before its removal notice arrives.
    bool InterfaceListed(const std::string& path) const;
    // The interfaces the last Discover examined, with what it made of each.
    std::vector<InterfaceReport> LastDiscovery() const;

    // The device path, read under the link's lock (m_strDevicePath may change on the watcher
    // thread while another thread asks).
    std::string DevicePath() const;
    // Where Discover writes its one diagnostic line; stdout by default, nullptr for none.
    void SetDiagnosticStream(std::FILE* stream);

    DeviceIdentity m_Identity{};
    std::atomic<int> m_bConnected{0};
    std::atomic<uint32_t> m_dwReportLength{0};
    std::atomic<uint32_t> m_dwHIDPacketSize{0};
    uint8_t* m_pInReport = nullptr;
    uint8_t* m_pOutReport = nullptr;
    FrameView m_OutFrame{};
    FrameView m_InFrame{};
    std::string m_strDevicePath;
    std::atomic<int> m_nCommand{0};
    std::shared_ptr<platform::IHidDevice> m_hDevice;

private:
    struct Impl;
    struct Session;

    Session Snapshot() const;
    bool StillOpen(const Session& s) const;
    void BuildHeaderOn(const Session& s, int code);
    int CheckReplyOn(const Session& s) const;
    int ExchangeOn(const Session& s);
    int RequestBlockOf(uint8_t* dest, uint32_t n, std::optional<uint32_t> payloadSize);
    int SendBlockOf(const uint8_t* src, uint32_t n, std::optional<uint32_t> payloadSize);
    // What discovery hands over with an opened interface.
    struct Opening {
        std::shared_ptr<platform::IHidTransport> transport;
        std::string path;
        std::shared_ptr<platform::IInterfaceLock> lock;
    };
    bool Install(std::shared_ptr<platform::IHidDevice> device, uint32_t length,
                 const DeviceIdentity& row, const Opening& opening);
    std::shared_ptr<platform::IInterfaceLock> LockForDiscovery(platform::IHidTransport& transport,
                                                               const std::string& path,
                                                               long* holder);
    std::shared_ptr<platform::IInterfaceLock> TakeLock(platform::IHidTransport& transport,
                                                       const std::string& path, long* holder);
    bool HoldsLockOfOpenWatch() const;
    bool LockFor(const Session& s, std::shared_ptr<platform::IInterfaceLock>* own);
    void GiveBackUnheldLock();
    void SetPath(const std::string& path);
    enum class Examined { Skipped, Opened, Stop };
    Examined ExamineInterface(const std::shared_ptr<platform::IHidTransport>& transport,
                              const std::string& path, InterfaceReport& report);
    int CheckIdentityWhy(std::string* why);

    std::unique_ptr<Impl> impl_;
};

// The one link of the desktop application, and the flags the pages read.
inline std::atomic<CDeviceLink*> g_pDeviceLink{nullptr};
inline std::atomic<int> g_bConnected{0};
inline std::atomic<int> g_bBusy{0};

}  // namespace veldrant
