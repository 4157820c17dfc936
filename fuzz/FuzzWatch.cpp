#include "fuzz/FuzzWatch.h"

#include <algorithm>
#include <cstring>

namespace veldrant::fuzz {

namespace {
constexpr uint8_t kIdentityCode = 200;

// What the link holds of an opened FuzzDevice.
class DeviceHandle : public platform::IHidDevice {
public:
    explicit DeviceHandle(std::shared_ptr<FuzzDevice> device) : device_(std::move(device)) {}
    uint32_t InputReportLength() const override { return device_->InputReportLength(); }
    uint32_t OutputReportLength() const override { return device_->OutputReportLength(); }
    platform::IoResult Write(const uint8_t* data, size_t len,
                             std::chrono::milliseconds timeout) override {
        return device_->Write(data, len, timeout);
    }
    platform::IoResult Read(uint8_t* buf, size_t len, size_t* got,
                            std::chrono::milliseconds timeout) override {
        return device_->Read(buf, len, got, timeout);
    }
    void Cancel() override { device_->Cancel(); }

private:
    std::shared_ptr<FuzzDevice> device_;
};
}  // namespace

uint16_t OracleCrc16(const uint8_t* p, size_t n) {
    uint16_t c = 0;
    for (size_t i = 0; i < n; ++i) {
        c ^= uint16_t(p[i] << 8);
        for (int b = 0; b < 8; ++b)
            c = (c & 0x8000) ? uint16_t(c << 1 ^ 0x1021) : uint16_t(c << 1);
    }
    return c;
}

bool OracleAccepts(const std::vector<uint8_t>& r, size_t got, uint32_t length, int code) {
    const uint32_t p = length - length % 64;
    if (got != length || r.size() < length)
        return false;
    if (r[1] != '#' || r[12 + p] != '*')
        return false;
    if (OracleCrc16(&r[2], p + 7) != (r[9 + p] << 8 | r[10 + p]))
        return false;
    if (code < 0 || code > 255 || r[3] != code)
        return false;
    return r[2] == 1 || r[2] == 2;
}

FuzzDevice::FuzzDevice(FuzzBytes& in, uint32_t length, const DeviceIdentity& identity)
    : in_(in), length_(length), payload_(length - length % 64), identity_(identity) {}

void FuzzDevice::GoAway() {
    if (gone_)
        return;
    gone_ = true;
    if (onGone)
        onGone();
}

platform::IoResult FuzzDevice::Write(const uint8_t* data, size_t len, std::chrono::milliseconds) {
    last_ = Delivered{};
    if (gone_)
        return platform::IoResult::Gone;
    request_.assign(data, data + len);
    return platform::IoResult::Ok;
}

void FuzzDevice::BuildFrame(uint8_t control) {
    std::vector<uint8_t>& r = last_.report;
    r.assign(length_, 0);
    if (length_ < payload_ + 13 || request_.size() < payload_ + 13)
        return;
    r[1] = '#';
    r[2] = (control & 0x04) ? 2 : 1;
    r[3] = request_[3];
    if (control & 0x08) {
        uint32_t v = in_.Word();
        std::memcpy(&r[5], &v, 4);
    } else {
        std::memcpy(&r[5], &request_[5], 4);
    }
    if (request_[3] == kIdentityCode) {
        std::memcpy(&r[9], &identity_, std::min<size_t>(sizeof identity_, payload_));
    } else {
        auto payload = in_.Take(payload_);
        std::copy(payload.begin(), payload.end(), r.begin() + 9);
    }
    uint16_t crc = OracleCrc16(&r[2], payload_ + 7);
    r[9 + payload_] = uint8_t(crc >> 8);
    r[10 + payload_] = uint8_t(crc);
    r[12 + payload_] = '*';
    last_.got = length_;
}

platform::IoResult FuzzDevice::Read(uint8_t* buf, size_t len, size_t* got,
                                    std::chrono::milliseconds timeout) {
    *got = 0;
    if (gone_)
        return platform::IoResult::Gone;
    if (timeout.count() == 0) {
        // A read that only looks for stale reports.
        if (!stale_)
            return platform::IoResult::Timeout;
        *got = std::min(len, stale_->size());
        std::copy_n(stale_->begin(), *got, buf);
        stale_.reset();
        return platform::IoResult::Ok;
    }
    last_ = Delivered{};
    uint8_t control = 1;
    if (request_.size() < 4 || request_[3] != kIdentityCode) {
        if (in_.Empty()) {
            GoAway();
            return platform::IoResult::Gone;
        }
        control = in_.Byte();
    }
    switch (control & 0x03) {
        case 0: {
            auto raw = in_.Take(length_);
            last_.report.assign(length_, 0);
            std::copy(raw.begin(), raw.end(), last_.report.begin());
            last_.got = raw.size();
            break;
        }
        case 1:
            BuildFrame(control);
            break;
        case 2:
            return platform::IoResult::Timeout;
        default:
            GoAway();
            return platform::IoResult::Gone;
    }
    if ((control & 0x10) && !last_.report.empty()) {
        size_t at = in_.Half() % last_.report.size();
        last_.report[at] ^= uint8_t(in_.Byte() | 1);
    }
    if (control & 0x20)
        stale_ = last_.report;
    if (control & 0x40)
        swapAsked_ = true;
    last_.any = true;
    *got = last_.got;
    std::copy_n(last_.report.begin(), std::min(len, last_.report.size()), buf);
    return platform::IoResult::Ok;
}

std::optional<platform::HidIds> FuzzTransport::ReadIds(const std::string&, platform::OpenError*) {
    const DeviceIdentity& row = g_DeviceTable[row_];
    return platform::HidIds{row.wVendorId, row.wProductId, row.wRelease};
}

std::unique_ptr<platform::IHidDevice> FuzzTransport::Open(const std::string&,
                                                          platform::OpenError*) {
    device_ = std::make_shared<FuzzDevice>(in_, length_, g_DeviceTable[row_]);
    return std::make_unique<DeviceHandle>(device_);
}

uint32_t ChooseReportLength(FuzzBytes& in) {
    uint8_t choice = in.Byte();
    if (choice & 0x80)
        return in.Half() % 2048;  // longer reports only make each run slower
    return 64 * (2 + (choice & 0x0F)) + 13 + ((choice >> 4) & 0x07) * 9 % 51;
}

}  // namespace veldrant::fuzz
