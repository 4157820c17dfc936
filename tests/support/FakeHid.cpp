#include "tests/support/FakeHid.h"

#include <algorithm>
#include <cstring>

#include "devicelink/DeviceIdentity.h"

namespace veldrant::testing {

using platform::IoResult;

Responder WatchResponder(std::shared_ptr<sim::Watch> watch) {
    return [watch](const Report& out) -> std::vector<Report> {
        Report reply;
        if (watch->Process(out.data(), out.size(), reply) != sim::Action::Reply)
            return {};
        return {reply};
    };
}

platform::HidIds IdsOfRow(size_t row) {
    const DeviceIdentity& r = g_DeviceTable.at(row);
    return {r.wVendorId, r.wProductId, r.wRelease};
}

IoResult FakeDevice::Write(const uint8_t* data, size_t len) {
    Report out(data, data + len);
    Responder responder;
    {
        std::lock_guard lock(mutex_);
        if (cancelled_)
            return IoResult::Gone;
        written_.push_back(out);
        if (config_.writeResult)
            return *config_.writeResult;
        responder = config_.responder;
    }
    // The responder may take the watch's lock: call it without ours.
    std::vector<Report> replies = responder ? responder(out) : std::vector<Report>{};
    std::lock_guard lock(mutex_);
    for (Report& r : replies)
        queue_.push_back(std::move(r));
    cv_.notify_all();
    return IoResult::Ok;
}

IoResult FakeDevice::Read(uint8_t* buf, size_t len, size_t* got,
                          std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    *got = 0;
    ++waiting_;
    cv_.notify_all();
    bool ready = cv_.wait_for(lock, timeout, [this] { return cancelled_ || !queue_.empty(); });
    --waiting_;
    if (cancelled_)
        return IoResult::Gone;
    if (!ready)
        return IoResult::Timeout;
    Report r = std::move(queue_.front());
    queue_.pop_front();
    std::memcpy(buf, r.data(), std::min(len, r.size()));
    *got = r.size();
    return IoResult::Ok;
}

void FakeDevice::Cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    cv_.notify_all();
}

void FakeDevice::Inject(Report report) {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(report));
    cv_.notify_all();
}

std::vector<Report> FakeDevice::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

bool FakeDevice::Cancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

int FakeDevice::Waiting() const {
    std::lock_guard lock(mutex_);
    return waiting_;
}

namespace {
// What the link holds: a share of the test's device.
class DeviceHandle : public platform::IHidDevice {
public:
    explicit DeviceHandle(std::shared_ptr<FakeDevice> d) : d_(std::move(d)) {}
    uint32_t InputReportLength() const override { return d_->Config().inputLength; }
    uint32_t OutputReportLength() const override { return d_->Config().outputLength; }
    IoResult Write(const uint8_t* data, size_t len, std::chrono::milliseconds) override {
        return d_->Write(data, len);
    }
    IoResult Read(uint8_t* buf, size_t len, size_t* got,
                  std::chrono::milliseconds timeout) override {
        return d_->Read(buf, len, got, timeout);
    }
    void Cancel() override { d_->Cancel(); }

private:
    std::shared_ptr<FakeDevice> d_;
};

class NoticeHandle : public platform::INoticeSubscription {};
}  // namespace

void FakeTransport::Add(FakeInterface config) {
    std::lock_guard lock(mutex_);
    interfaces_.push_back(std::move(config));
}

void FakeTransport::Remove(const std::string& path) {
    std::vector<platform::HidNoticeFn> subscribers;
    {
        std::lock_guard lock(mutex_);
        std::erase_if(interfaces_, [&](const FakeInterface& i) { return i.path == path; });
        if (auto it = devices_.find(path); it != devices_.end())
            it->second->Cancel();
        subscribers = subscribers_;
    }
    for (auto& fn : subscribers)
        fn(platform::HidNotice::Removal, path);
}

std::shared_ptr<FakeDevice> FakeTransport::Device(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = devices_.find(path);
    return it == devices_.end() ? nullptr : it->second;
}

int FakeTransport::OpenCount(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = opens_.find(path);
    return it == opens_.end() ? 0 : it->second;
}

int FakeTransport::ReadIdsCount(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = idReads_.find(path);
    return it == idReads_.end() ? 0 : it->second;
}

int FakeTransport::ListCount() const {
    std::lock_guard lock(mutex_);
    return lists_;
}

std::vector<std::string> FakeTransport::ListInterfaces() {
    std::lock_guard lock(mutex_);
    ++lists_;
    std::vector<std::string> paths;
    for (const FakeInterface& i : interfaces_)
        paths.push_back(i.path);
    return paths;
}

std::optional<platform::HidIds> FakeTransport::ReadIds(const std::string& path,
                                                       platform::OpenError* error) {
    std::lock_guard lock(mutex_);
    ++idReads_[path];
    for (const FakeInterface& i : interfaces_) {
        if (i.path != path)
            continue;
        if (error)
            *error = i.idsError;
        if (i.idsError != platform::OpenError::None)
            return std::nullopt;
        return i.ids;
    }
    if (error)
        *error = platform::OpenError::NotFound;
    return std::nullopt;
}

std::unique_ptr<platform::IHidDevice> FakeTransport::Open(const std::string& path,
                                                          platform::OpenError* error) {
    std::lock_guard lock(mutex_);
    for (const FakeInterface& i : interfaces_) {
        if (i.path != path)
            continue;
        if (error)
            *error = i.openError;
        if (i.openError != platform::OpenError::None)
            return nullptr;
        ++opens_[path];
        auto device = std::make_shared<FakeDevice>(i);
        devices_[path] = device;
        return std::make_unique<DeviceHandle>(device);
    }
    if (error)
        *error = platform::OpenError::NotFound;
    return nullptr;
}

std::unique_ptr<platform::INoticeSubscription> FakeTransport::Subscribe(platform::HidNoticeFn fn) {
    std::lock_guard lock(mutex_);
    subscribers_.push_back(std::move(fn));
    return std::make_unique<NoticeHandle>();
}

class FakeTransport::LockHandle : public platform::IInterfaceLock {
public:
    LockHandle(FakeTransport& owner, std::string path) : owner_(owner), path_(std::move(path)) {}
    ~LockHandle() override {
        std::lock_guard lock(owner_.mutex_);
        owner_.holders_.erase(path_);
    }

private:
    FakeTransport& owner_;
    std::string path_;
};

std::unique_ptr<platform::IInterfaceLock> FakeTransport::Lock(const std::string& path,
                                                              long* holder) {
    std::lock_guard lock(mutex_);
    auto it = holders_.find(path);
    if (it != holders_.end()) {
        *holder = it->second;
        return nullptr;
    }
    holders_[path] = 0;
    return std::make_unique<LockHandle>(*this, path);
}

void FakeTransport::HoldElsewhere(const std::string& path, long pid) {
    std::lock_guard lock(mutex_);
    holders_[path] = pid;
}

void FakeTransport::ReleaseElsewhere(const std::string& path) {
    std::lock_guard lock(mutex_);
    holders_.erase(path);
}

bool FakeTransport::LockedHere(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = holders_.find(path);
    return it != holders_.end() && it->second == 0;
}

}  // namespace veldrant::testing
