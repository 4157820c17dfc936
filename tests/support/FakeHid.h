// An in-memory HID transport for tests of the device link and of the operations above it.
//
//   auto fake = std::make_shared<testing::FakeTransport>();
//   fake->Add({.path = "/fake/0", .ids = {0x0483, 0xA1D9, 0x0001},
//              .responder = testing::WatchResponder(std::make_shared<sim::Watch>())});
//   CDeviceLink link({fake}, std::chrono::milliseconds(200));
//   link.Discover();                       // opens /fake/0 and confirms it with command 200
//   fake->Device("/fake/0")->Written();    // every output report the link wrote
//
// A responder turns each output report into the input reports the device queues in answer
// (none: silence). FakeDevice::Inject queues a report at any moment (a late reply).
// Nothing here touches real hardware.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/HidTransport.h"
#include "sim/Watch.h"

namespace veldrant::testing {

using Report = std::vector<uint8_t>;
using Responder = std::function<std::vector<Report>(const Report& output)>;

// Answers through a simulated watch (silence, damage and unplug as its faults say; an unplug
// becomes silence here: remove the interface from the transport to model it).
Responder WatchResponder(std::shared_ptr<sim::Watch> watch);

struct FakeInterface {
    std::string path{};
    platform::HidIds ids{};
    uint32_t inputLength = 525;
    uint32_t outputLength = 525;
    platform::OpenError idsError = platform::OpenError::None;   // not None: ReadIds fails
    platform::OpenError openError = platform::OpenError::None;  // not None: Open fails
    std::optional<platform::IoResult> writeResult{};            // forced result of every Write
    Responder responder{};
};

class FakeDevice {
public:
    explicit FakeDevice(FakeInterface config) : config_(std::move(config)) {}

    platform::IoResult Write(const uint8_t* data, size_t len);
    platform::IoResult Read(uint8_t* buf, size_t len, size_t* got,
                            std::chrono::milliseconds timeout);
    void Cancel();

    // Queues one input report as if the device had sent it now.
    void Inject(Report report);
    std::vector<Report> Written() const;
    bool Cancelled() const;
    // Number of Read calls currently waiting.
    int Waiting() const;
    const FakeInterface& Config() const { return config_; }

private:
    FakeInterface config_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<Report> queue_;
    std::vector<Report> written_;
    bool cancelled_ = false;
    int waiting_ = 0;
};

class FakeTransport : public platform::IHidTransport {
public:
    explicit FakeTransport(std::string name = "fake") : name_(std::move(name)) {}

    void Add(FakeInterface config);
    // Takes the interface away and sends its removal notice.
    void Remove(const std::string& path);
    // The device opened last for `path` (nullptr when never opened).
    std::shared_ptr<FakeDevice> Device(const std::string& path) const;
    int OpenCount(const std::string& path) const;
    int ReadIdsCount(const std::string& path) const;
    int ListCount() const;

    std::string Name() const override { return name_; }
    std::vector<std::string> ListInterfaces() override;
    std::optional<platform::HidIds> ReadIds(const std::string& path,
                                            platform::OpenError* error) override;
    std::unique_ptr<platform::IHidDevice> Open(const std::string& path,
                                               platform::OpenError* error) override;
    std::unique_ptr<platform::INoticeSubscription> Subscribe(platform::HidNoticeFn fn) override;
    // One holder per interface, as between programs: a second lock is refused even within
    // this process. HoldElsewhere plays another program (`pid`) that holds the interface.
    std::unique_ptr<platform::IInterfaceLock> Lock(const std::string& path, long* holder) override;
    void HoldElsewhere(const std::string& path, long pid);
    void ReleaseElsewhere(const std::string& path);
    // True while a lock that Lock handed out for `path` lives.
    bool LockedHere(const std::string& path) const;

private:
    class LockHandle;
    std::map<std::string, long> holders_;  // pid of the holder; 0 for this process
    std::string name_;
    mutable std::mutex mutex_;
    std::vector<FakeInterface> interfaces_;
    std::map<std::string, std::shared_ptr<FakeDevice>> devices_;
    std::map<std::string, int> opens_, idReads_;
    int lists_ = 0;
    std::vector<platform::HidNoticeFn> subscribers_;
};

// Ids of a row of the device table.
platform::HidIds IdsOfRow(size_t row);

}  // namespace veldrant::testing
