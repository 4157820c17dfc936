// Finding the watch among the HID interfaces of every transport, confirming its identity, and
// the path comparison and notices that removal handling needs.
#include <cctype>
#include <cstring>

#include "devicelink/DeviceLink.h"
#include "devicelink/DeviceLinkImpl.h"
#include "platform/AccessAdvice.h"

namespace veldrant {

namespace {

int MatchRow(const platform::HidIds& ids) {
    for (size_t i = 0; i < g_DeviceTable.size(); ++i) {
        const DeviceIdentity& row = g_DeviceTable[i];
        if (row.wVendorId == ids.vendorId && row.wProductId == ids.productId &&
            row.wRelease == ids.release) {
            return int(i);
        }
    }
    return -1;
}

std::string ErrorText(platform::OpenError error, const std::string& transport) {
    switch (error) {
        case platform::OpenError::None:
            return "failed";
        case platform::OpenError::NotFound:
            return "not found (unplugged?)";
        case platform::OpenError::PermissionDenied:
            return "permission denied (" + platform::PermissionDeniedHint(transport) + ")";
        case platform::OpenError::InUse:
            return "in use by another program";
        case platform::OpenError::NotHid:
            return "not a HID interface";
        case platform::OpenError::Other:
            break;
    }
    return "cannot be opened";
}

// One interface of another transport, for probing it alone with a link of its own.
class OneInterface : public platform::IHidTransport {
public:
    OneInterface(std::shared_ptr<platform::IHidTransport> inner, std::string path)
        : inner_(std::move(inner)), path_(std::move(path)) {}
    std::string Name() const override { return inner_->Name(); }
    std::vector<std::string> ListInterfaces() override { return {path_}; }
    std::optional<platform::HidIds> ReadIds(const std::string& path,
                                            platform::OpenError* error) override {
        return inner_->ReadIds(path, error);
    }
    std::unique_ptr<platform::IHidDevice> Open(const std::string& path,
                                               platform::OpenError* error) override {
        return inner_->Open(path, error);
    }
    std::unique_ptr<platform::INoticeSubscription> Subscribe(platform::HidNoticeFn) override {
        return nullptr;
    }
    std::unique_ptr<platform::IInterfaceLock> Lock(const std::string& path, long* holder) override {
        return inner_->Lock(path, holder);
    }

private:
    std::shared_ptr<platform::IHidTransport> inner_;
    std::string path_;
};

}  // namespace

void CDeviceLink::SetPath(const std::string& path) {
    std::lock_guard lock(impl_->mutex);
    m_strDevicePath = path;
}

std::string CDeviceLink::DevicePath() const {
    std::lock_guard lock(impl_->mutex);
    return m_strDevicePath;
}

CDeviceLink::Examined CDeviceLink::ExamineInterface(
    const std::shared_ptr<platform::IHidTransport>& shared, const std::string& path,
    InterfaceReport& r) {
    platform::IHidTransport& transport = *shared;
    SetPath(path);
    platform::OpenError error = platform::OpenError::None;
    r.ids = transport.ReadIds(path, &error);
    if (!r.ids) {
        r.error = error;
        r.verdict = "cannot read ids: " + ErrorText(error, transport.Name());
        return Examined::Skipped;
    }
    r.tableRow = MatchRow(*r.ids);
    if (r.tableRow < 0) {
        r.verdict = "matches no known watch";
        return Examined::Skipped;
    }
    // Nothing goes to a watch that another Veldrant program is working with, not even the
    // identity request: it would land in the middle of that program's job.
    long holder = 0;
    std::shared_ptr<platform::IInterfaceLock> lock = LockForDiscovery(transport, path, &holder);
    if (!lock) {
        r.busy = true;
        r.holderPid = holder;
        r.verdict = "busy with another Veldrant program";
        if (holder > 0)
            r.verdict += " (process " + std::to_string(holder) + ")";
        return Examined::Skipped;
    }
    std::shared_ptr<platform::IHidDevice> device = transport.Open(path, &error);
    if (!device) {
        r.error = error;
        r.verdict = "cannot open: " + ErrorText(error, transport.Name());
        return Examined::Skipped;
    }
    r.inputLength = device->InputReportLength();
    r.outputLength = device->OutputReportLength();
    if (r.inputLength == 0 || r.outputLength == 0) {
        r.verdict = "report lengths cannot be read";
        return Examined::Skipped;
    }
    if (r.inputLength != r.outputLength) {
        r.verdict = "input and output report lengths differ";
        return Examined::Skipped;
    }
    // The frame needs 13 bytes beyond the payload, and the identity record must fit in it.
    if (!FrameFits(r.inputLength)) {
        r.verdict = "report length " + std::to_string(r.inputLength) + " cannot hold the frame";
        return Examined::Skipped;
    }
    if (impl_->diagnostics) {
        std::fprintf(impl_->diagnostics, "m_dwHIDPacketSize 0x%X\r\n",
                     PayloadSizeFor(r.inputLength));
        std::fflush(impl_->diagnostics);
    }
    if (!Install(std::move(device), r.inputLength, g_DeviceTable[size_t(r.tableRow)],
                 Opening{shared, path, std::move(lock)})) {
        r.verdict = "out of memory for the report buffers";
        return Examined::Stop;
    }
    return Examined::Opened;
}

int CDeviceLink::Discover() {
    std::lock_guard one(impl_->discoverMutex);
    if (m_bConnected.load())
        return 1;
    std::vector<InterfaceReport> reports;
    Examined outcome = Examined::Skipped;
    for (const auto& transport : impl_->transports) {
        for (const std::string& path : transport->ListInterfaces()) {
            InterfaceReport& r = reports.emplace_back();
            r.transport = transport->Name();
            r.path = path;
            outcome = ExamineInterface(transport, path, r);
            if (outcome != Examined::Skipped)
                break;
        }
        if (outcome != Examined::Skipped)
            break;
    }
    if (outcome == Examined::Opened) {
        InterfaceReport& r = reports.back();
        std::string why;
        if (CheckIdentityWhy(&why)) {
            r.confirmed = true;
            r.verdict = why;
        } else {
            Close();
            r.verdict = "identity not confirmed: " + why;
        }
    }
    GiveBackUnheldLock();
    std::lock_guard lock(impl_->mutex);
    impl_->lastDiscovery = std::move(reports);
    return m_bConnected.load();
}

int CDeviceLink::CheckIdentity() {
    return CheckIdentityWhy(nullptr);
}

int CDeviceLink::CheckIdentityWhy(std::string* why) {
    DeviceIdentity expected;
    uint32_t payload;
    {
        std::lock_guard lock(impl_->mutex);
        expected = m_Identity;
        payload = m_dwHIDPacketSize;
    }
    auto say = [why](const std::string& text) {
        if (why)
            *why = text;
    };
    if (expected.wRowNumber == 0) {
        say("accepted without identity request (row 0)");
        return 1;
    }
    std::vector<uint8_t> buffer(payload, 0);
    m_nCommand = CMD_IDENTITY;
    if (!RequestBlock(buffer.data(), 0)) {
        say("no valid reply to command 200");
        return 0;
    }
    if (std::memcmp(buffer.data(), &expected, sizeof(expected)) != 0) {
        say("the reply to command 200 differs from table row " +
            std::to_string(expected.wRowNumber));
        return 0;
    }
    say("identity confirmed");
    return 1;
}

int CDeviceLink::IsCurrentDevice(const std::string& path) const {
    std::lock_guard lock(impl_->mutex);
    const std::string& mine = m_strDevicePath;
    if (mine.size() != path.size())
        return 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(mine[i])) !=
            std::tolower(static_cast<unsigned char>(path[i]))) {
            return 0;
        }
    }
    return 1;
}

void CDeviceLink::RegisterArrivalRemoval(platform::HidNoticeFn fn) {
    for (const auto& transport : impl_->transports) {
        if (auto subscription = transport->Subscribe(fn)) {
            impl_->subscriptions.push_back(std::move(subscription));
        }
    }
}

std::vector<CDeviceLink::InterfaceReport> CDeviceLink::LastDiscovery() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->lastDiscovery;
}

bool CDeviceLink::InterfaceListed(const std::string& path) const {
    for (const auto& transport : impl_->transports) {
        for (const std::string& listed : transport->ListInterfaces()) {
            if (listed == path)
                return true;
        }
    }
    return false;
}

std::vector<CDeviceLink::InterfaceReport> CDeviceLink::Survey() {
    std::vector<InterfaceReport> reports;
    for (const auto& transport : impl_->transports) {
        for (const std::string& path : transport->ListInterfaces()) {
            if (m_bConnected.load() && IsCurrentDevice(path)) {
                InterfaceReport& r = reports.emplace_back();
                r.transport = transport->Name();
                r.path = path;
                r.ids = transport->ReadIds(path, &r.error);
                r.inputLength = r.outputLength = m_dwReportLength;
                r.tableRow = m_Identity.wRowNumber;
                r.confirmed = true;
                r.verdict = "open in this link";
                continue;
            }
            CDeviceLink probe({std::make_shared<OneInterface>(transport, path)}, impl_->timeout);
            probe.SetDiagnosticStream(nullptr);
            probe.Discover();
            std::vector<InterfaceReport> seen = probe.LastDiscovery();
            probe.Close();
            if (!seen.empty())
                reports.push_back(std::move(seen.front()));
        }
    }
    return reports;
}

}  // namespace veldrant
