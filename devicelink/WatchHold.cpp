// One Veldrant program at a time on a watch: the lock that discovery, jobs and single requests
// take through the watch's transport.
#include "devicelink/DeviceLink.h"
#include "devicelink/DeviceLinkImpl.h"

namespace veldrant {

namespace {
constexpr long kNotRefused = -1;
}

// Every attempt goes through here, so that RefusedAsBusy tells of the last one.
std::shared_ptr<platform::IInterfaceLock> CDeviceLink::TakeLock(platform::IHidTransport& transport,
                                                                const std::string& path,
                                                                long* holder) {
    std::shared_ptr<platform::IInterfaceLock> taken = transport.Lock(path, holder);
    impl_->busyHolder.store(taken ? kNotRefused : *holder);
    return taken;
}

// With the state lock held: the lock this link has is the open watch's.
bool CDeviceLink::HoldsLockOfOpenWatch() const {
    return impl_->lock && impl_->lockPath == m_strDevicePath;
}

// The lock this link already has for `path` is used again: a second lock of one process on one
// watch would find the first and refuse itself.
std::shared_ptr<platform::IInterfaceLock> CDeviceLink::LockForDiscovery(
    platform::IHidTransport& transport, const std::string& path, long* holder) {
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->lock && impl_->lockPath == path)
            return impl_->lock;
    }
    return TakeLock(transport, path, holder);
}

// Called with the request lock held, so `own` lives exactly as long as the request.
bool CDeviceLink::LockFor(const Session& s, std::shared_ptr<platform::IInterfaceLock>* own) {
    std::shared_ptr<platform::IHidTransport> transport;
    std::string path;
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->generation != s.generation)
            return false;
        if (HoldsLockOfOpenWatch())
            return true;
        transport = impl_->openTransport;
        path = m_strDevicePath;
    }
    if (!transport)
        return true;  // opened by hand (tests): nobody else can reach it
    long holder = 0;
    *own = TakeLock(*transport, path, &holder);
    return *own != nullptr;
}

CDeviceLink::HoldOutcome CDeviceLink::Hold() {
    std::shared_ptr<platform::IHidTransport> transport;
    std::string path;
    {
        std::lock_guard lock(impl_->mutex);
        if (!m_bConnected.load() || !impl_->openTransport)
            return HoldOutcome::Closed;
        if (HoldsLockOfOpenWatch()) {
            ++impl_->holds;
            return HoldOutcome::Held;
        }
        transport = impl_->openTransport;
        path = m_strDevicePath;
    }
    long holder = 0;
    std::shared_ptr<platform::IInterfaceLock> taken = TakeLock(*transport, path, &holder);
    if (!taken)
        return HoldOutcome::Busy;
    std::shared_ptr<platform::IInterfaceLock> replaced;  // given back after the state lock
    std::lock_guard lock(impl_->mutex);
    if (!m_bConnected.load() || m_strDevicePath != path)
        return HoldOutcome::Closed;
    replaced = std::move(impl_->lock);
    impl_->lock = std::move(taken);
    impl_->lockPath = path;
    ++impl_->holds;
    return HoldOutcome::Held;
}

void CDeviceLink::Release() {
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->holds == 0)
            return;
        --impl_->holds;
    }
    GiveBackUnheldLock();
}

// Without a job that holds it, the lock stays only where the link keeps it while the watch is
// open.
void CDeviceLink::GiveBackUnheldLock() {
    std::shared_ptr<platform::IInterfaceLock> released;  // given back after the state lock
    std::lock_guard lock(impl_->mutex);
    if (impl_->holds == 0 && !(impl_->holdWhileOpen && m_bConnected.load()))
        released = std::move(impl_->lock);
}

void CDeviceLink::HoldWhileOpen(bool keep) {
    std::lock_guard lock(impl_->mutex);
    impl_->holdWhileOpen = keep;
}

bool CDeviceLink::RefusedAsBusy(long* holder) const {
    long h = impl_->busyHolder.load();
    if (holder)
        *holder = h < 0 ? 0 : h;
    return h >= 0;
}

}  // namespace veldrant
