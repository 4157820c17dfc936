// The link's life (construction, Close), the frame operations and the exchange.
#include "devicelink/DeviceLink.h"

#include <cstring>

#include "devicelink/DeviceLinkImpl.h"

namespace veldrant {

CDeviceLink::CDeviceLink() : CDeviceLink(platform::DefaultTransports()) {}

CDeviceLink::CDeviceLink(std::vector<std::shared_ptr<platform::IHidTransport>> transports,
                         std::chrono::milliseconds timeout)
    : impl_(std::make_unique<Impl>()) {
    impl_->transports = std::move(transports);
    impl_->timeout = timeout;
}

// The owner calls Close first; what is still open here is released all the same.
CDeviceLink::~CDeviceLink() {
    impl_->subscriptions.clear();
    Close();
}

void CDeviceLink::Close() {
    std::shared_ptr<platform::IHidDevice> device;
    std::shared_ptr<ReportBuffers> buffers;
    std::shared_ptr<platform::IInterfaceLock> watchLock;
    {
        std::lock_guard lock(impl_->mutex);
        // A job that holds the watch keeps it across a replug: it gives it back itself.
        if (impl_->holds == 0)
            watchLock = std::move(impl_->lock);
        impl_->openTransport.reset();
        m_bConnected.store(0);
        device = std::move(m_hDevice);
        m_hDevice.reset();
        buffers = std::move(impl_->buffers);
        impl_->buffers.reset();
        ++impl_->generation;
        m_pInReport = nullptr;
        m_pOutReport = nullptr;
        m_InFrame = FrameView{};
        m_OutFrame = FrameView{};
        std::memset(&m_Identity, 0, sizeof(m_Identity));
    }
    // A request waiting on the device returns at once; it still holds its share of the
    // buffers, which go when it leaves.
    if (device)
        device->Cancel();
}

bool CDeviceLink::Install(std::shared_ptr<platform::IHidDevice> device, uint32_t length,
                          const DeviceIdentity& row, const Opening& opening) {
    auto buffers = std::make_shared<ReportBuffers>();
    buffers->in.reset(new (std::nothrow) uint8_t[length]());
    buffers->out.reset(new (std::nothrow) uint8_t[length]());
    if (!buffers->in || !buffers->out)
        return false;
    // Byte 0 of both buffers is the report ID 0, set here once (the arrays start zeroed).
    std::shared_ptr<platform::IInterfaceLock> replaced;  // given back after the state lock
    std::lock_guard lock(impl_->mutex);
    // Unchanged sizes are not rewritten: a page may still read them after a replug.
    if (m_dwReportLength != length)
        m_dwReportLength = length;
    if (m_dwHIDPacketSize != PayloadSizeFor(length))
        m_dwHIDPacketSize = PayloadSizeFor(length);
    m_hDevice = std::move(device);
    impl_->buffers = std::move(buffers);
    impl_->openTransport = opening.transport;
    std::swap(impl_->lock, replaced);
    impl_->lock = opening.lock;
    impl_->lockPath = opening.path;
    ++impl_->generation;
    m_pInReport = impl_->buffers->in.get();
    m_pOutReport = impl_->buffers->out.get();
    m_InFrame = FrameView::For(m_dwHIDPacketSize);
    m_OutFrame = m_InFrame;
    m_Identity = row;
    m_bConnected.store(1);
    return true;
}

CDeviceLink::Session CDeviceLink::Snapshot() const {
    std::lock_guard lock(impl_->mutex);
    Session s;
    if (!m_bConnected.load() || !m_hDevice || !impl_->buffers)
        return s;
    s.device = m_hDevice;
    s.buffers = impl_->buffers;
    s.in = s.buffers->in.get();
    s.out = s.buffers->out.get();
    s.length = m_dwReportLength;
    s.payload = m_dwHIDPacketSize;
    s.view = m_OutFrame;
    s.generation = impl_->generation;
    return s;
}

bool CDeviceLink::StillOpen(const Session& s) const {
    if (!m_bConnected.load())
        return false;
    std::lock_guard lock(impl_->mutex);
    return impl_->generation == s.generation;
}

void CDeviceLink::SetDiagnosticStream(std::FILE* stream) {
    impl_->diagnostics = stream;
}

void CDeviceLink::BuildHeader(int code) {
    std::lock_guard one(impl_->requestMutex);
    Session s = Snapshot();
    if (!s) {
        m_nCommand = code;
        return;
    }
    BuildHeaderOn(s, code);
}

// Callers set the mode, value and payload first: the CRC covers them.
void CDeviceLink::BuildHeaderOn(const Session& s, int code) {
    const FrameView& v = s.view;
    s.out[v.start] = kStartMarker;
    s.out[v.end] = kEndMarker;
    s.out[v.type] = kTypeRequest;
    s.out[v.command] = uint8_t(code & 0xFF);
    m_nCommand = code;
    uint16_t crc = Crc16(s.out + v.type, s.out + v.crcHigh);
    s.out[v.crcHigh] = uint8_t(crc >> 8);
    s.out[v.crcLow] = uint8_t(crc & 0xFF);
}

int CDeviceLink::CheckReply() {
    std::lock_guard one(impl_->requestMutex);
    Session s = Snapshot();
    return s ? CheckReplyOn(s) : 0;
}

int CDeviceLink::CheckReplyOn(const Session& s) const {
    const FrameView& v = s.view;
    const uint8_t* in = s.in;
    if (in[v.start] != kStartMarker)
        return 0;
    if (in[v.end] != kEndMarker)
        return 0;
    uint16_t crc = Crc16(in + v.type, in + v.crcHigh);
    if (crc != in[v.crcHigh] * 256 + in[v.crcLow])
        return 0;
    // A code of 256 or more can never be answered: the reply carries one byte.
    if (in[v.command] != m_nCommand)
        return 0;
    if (in[v.type] != 1 && in[v.type] != 2)
        return 0;
    return 1;
}

int CDeviceLink::Exchange() {
    std::lock_guard one(impl_->requestMutex);
    Session s = Snapshot();
    return s ? ExchangeOn(s) : 0;
}

// The handle may hold input that is no reply to this request: a reply that came after its
// exchange timed out, or, since the system hands every report to every open handle, replies to
// another program that talked to the watch while this one sat idle. It is read away before each
// request goes out, so that it can never be taken for this request's reply.
int CDeviceLink::ExchangeOn(const Session& s) {
    using platform::IoResult;
    std::shared_ptr<platform::IInterfaceLock> own;
    if (!LockFor(s, &own))
        return 0;
    if (!s.device->DiscardInput())
        return 0;
    IoResult w = s.device->Write(s.out, s.length, impl_->timeout);
    if (w == IoResult::Timeout || w == IoResult::Gone)
        return 0;
    if (!StillOpen(s))
        return 0;
    // Any other write error goes on to the read all the same: its wait decides.
    size_t got = 0;
    IoResult r = s.device->Read(s.in, s.length, &got, impl_->timeout);
    if (r != IoResult::Ok)
        return 0;
    if (!StillOpen(s))
        return 0;
    if (got != s.length)
        return 0;
    return CheckReplyOn(s);
}

}  // namespace veldrant
