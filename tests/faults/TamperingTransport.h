// A transport that wraps another (here the simulated watches' sockets) and sits on the wire
// between the device link and the watch: it logs every request the link writes, can pull the
// cable just as a chosen request goes out, and can break or rewrite the reply that comes back.
//
//   auto tamper = std::make_shared<TamperingTransport>(sim.Transport());
//   CDeviceLink link({tamper}, timeout);
//   tamper->SetRule([](uint64_t n, const SentRequest& rq) {
//       return n == 12 ? Tamper{Damage::BadCrc} : Tamper{};
//   });
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/HidTransport.h"
#include "tests/faults/ReplyDamage.h"

namespace veldrant::faults {

// One request as the link wrote it.
struct SentRequest {
    uint8_t code = 0;
    uint8_t mode = 0;  // 1: command with arguments, 0: block
    uint32_t value = 0;
    uint32_t words[4] = {0, 0, 0, 0};  // payload words 0 to 3

    bool IsBlock() const { return mode == 0; }
};

// "block 7 under code 11", "code 3 confirm", ...: for tables and failure traces.
std::string Describe(const SentRequest& request);

// Decides what happens to the reply of request number `exchange` (1-based, counted since the
// last ResetCount).
using TamperRule = std::function<Tamper(uint64_t exchange, const SentRequest& request)>;
// Runs on the link's thread as request `exchange` is about to be written.
using WriteHook = std::function<void(uint64_t exchange, const SentRequest& request)>;

class TamperingTransport : public platform::IHidTransport {
public:
    explicit TamperingTransport(std::shared_ptr<platform::IHidTransport> inner);

    void SetRule(TamperRule rule);
    void SetWriteHook(WriteHook hook);
    // Clears the rule and the hook.
    void Lift();
    // Starts counting exchanges (and logging requests) from 1 again.
    void ResetCount();
    uint64_t Exchanges() const;
    std::vector<SentRequest> Log() const;

    std::string Name() const override { return inner_->Name(); }
    std::vector<std::string> ListInterfaces() override { return inner_->ListInterfaces(); }
    std::optional<platform::HidIds> ReadIds(const std::string& path,
                                            platform::OpenError* error) override {
        return inner_->ReadIds(path, error);
    }
    std::unique_ptr<platform::IHidDevice> Open(const std::string& path,
                                               platform::OpenError* error) override;
    std::unique_ptr<platform::INoticeSubscription> Subscribe(platform::HidNoticeFn fn) override {
        return inner_->Subscribe(std::move(fn));
    }

    // Shared with the devices it opened.
    struct State {
        mutable std::mutex mutex;
        TamperRule rule;
        WriteHook hook;
        uint64_t exchanges = 0;
        std::vector<SentRequest> log;
    };

private:
    std::shared_ptr<platform::IHidTransport> inner_;
    std::shared_ptr<State> state_;
};

}  // namespace veldrant::faults
