#include "tests/faults/TamperingTransport.h"

#include <algorithm>

#include "devicelink/Commands.h"
#include "devicelink/Frame.h"

namespace veldrant::faults {

namespace {

SentRequest Parse(const uint8_t* data, size_t len) {
    SentRequest rq;
    if (len < 9 + 16)
        return rq;
    rq.code = data[3];
    rq.mode = data[4];
    rq.value = LoadLe32(data + 5);
    for (size_t i = 0; i < 4; ++i)
        rq.words[i] = LoadLe32(data + kPayloadOffset + 4 * i);
    return rq;
}

class TamperingDevice : public platform::IHidDevice {
public:
    TamperingDevice(std::unique_ptr<platform::IHidDevice> inner,
                    std::shared_ptr<TamperingTransport::State> state)
        : inner_(std::move(inner)), state_(std::move(state)) {}

    uint32_t InputReportLength() const override { return inner_->InputReportLength(); }
    uint32_t OutputReportLength() const override { return inner_->OutputReportLength(); }

    platform::IoResult Write(const uint8_t* data, size_t len,
                             std::chrono::milliseconds timeout) override {
        SentRequest rq = Parse(data, len);
        uint64_t n = 0;
        TamperRule rule;
        WriteHook hook;
        {
            std::lock_guard lock(state_->mutex);
            n = ++state_->exchanges;
            state_->log.push_back(rq);
            rule = state_->rule;
            hook = state_->hook;
        }
        {
            std::lock_guard lock(mutex_);
            pending_ = rule ? rule(n, rq) : Tamper{};
        }
        if (hook)
            hook(n, rq);
        return inner_->Write(data, len, timeout);
    }

    platform::IoResult Read(uint8_t* buf, size_t len, size_t* got,
                            std::chrono::milliseconds timeout) override {
        if (TakeHeld(buf, len, got))
            return platform::IoResult::Ok;
        platform::IoResult r = inner_->Read(buf, len, got, timeout);
        if (r != platform::IoResult::Ok)
            return r;
        Tamper tamper;
        {
            std::lock_guard lock(mutex_);
            tamper = pending_;
            pending_ = Tamper{};
            if (tamper.damage == Damage::LateReply) {
                // The time-out runs out first; the reply is there for the next read.
                held_.assign(buf, buf + *got);
                *got = 0;
                return platform::IoResult::Timeout;
            }
        }
        ApplyTamper(tamper, buf, len, got);
        return r;
    }

    void Cancel() override { inner_->Cancel(); }

private:
    bool TakeHeld(uint8_t* buf, size_t len, size_t* got) {
        std::lock_guard lock(mutex_);
        if (held_.empty())
            return false;
        *got = held_.size();
        std::copy_n(held_.begin(), std::min(len, held_.size()), buf);
        held_.clear();
        return true;
    }

    std::unique_ptr<platform::IHidDevice> inner_;
    std::shared_ptr<TamperingTransport::State> state_;
    std::mutex mutex_;
    Tamper pending_;             // for the reply to the request written last
    std::vector<uint8_t> held_;  // a late reply, delivered at the next read
};

}  // namespace

std::string Describe(const SentRequest& rq) {
    std::string code = std::to_string(rq.code);
    if (rq.IsBlock())
        return "block " + std::to_string(rq.value) + " under code " + code;
    if (rq.code == CMD_COURSE_DATA) {
        if (rq.words[3] == 0xAA55AA55)
            return "code 3 confirm of golf course " + std::to_string(rq.words[2] & 0xFFFF);
        if (rq.words[3] == 51)
            return "code 3 end record";
        if (rq.words[0] == 0x55 && rq.words[2] == 0)
            return "code 3 directory begin";
        return "code 3 begin of golf course " + std::to_string(rq.words[2] & 0xFFFF);
    }
    if (rq.code == CMD_MARK_READ)
        return "code 11 for mark set " + std::to_string(rq.value);
    return "code " + code;
}

TamperingTransport::TamperingTransport(std::shared_ptr<platform::IHidTransport> inner)
    : inner_(std::move(inner)), state_(std::make_shared<State>()) {}

void TamperingTransport::SetRule(TamperRule rule) {
    std::lock_guard lock(state_->mutex);
    state_->rule = std::move(rule);
}

void TamperingTransport::SetWriteHook(WriteHook hook) {
    std::lock_guard lock(state_->mutex);
    state_->hook = std::move(hook);
}

void TamperingTransport::Lift() {
    std::lock_guard lock(state_->mutex);
    state_->rule = nullptr;
    state_->hook = nullptr;
}

void TamperingTransport::ResetCount() {
    std::lock_guard lock(state_->mutex);
    state_->exchanges = 0;
    state_->log.clear();
}

uint64_t TamperingTransport::Exchanges() const {
    std::lock_guard lock(state_->mutex);
    return state_->exchanges;
}

std::vector<SentRequest> TamperingTransport::Log() const {
    std::lock_guard lock(state_->mutex);
    return state_->log;
}

std::unique_ptr<platform::IHidDevice> TamperingTransport::Open(const std::string& path,
                                                               platform::OpenError* error) {
    std::unique_ptr<platform::IHidDevice> device = inner_->Open(path, error);
    if (!device)
        return nullptr;
    return std::make_unique<TamperingDevice>(std::move(device), state_);
}

}  // namespace veldrant::faults
