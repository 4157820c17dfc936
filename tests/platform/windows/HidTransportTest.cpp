// The Windows HID transport's logic against a fake of its Windows calls: enumeration order,
// interfaces whose ids cannot be read, open failures, report sizes, time-outs, removal during
// an exchange, and Cancel from another thread.
#include <gtest/gtest.h>

#include <deque>
#include <future>
#include <map>
#include <thread>

#include "platform/windows/HidApi.h"

namespace veldrant::platform::win {
namespace {

using std::chrono::milliseconds;

// What one ReadFile or WriteFile of the fake does.
struct Step {
    IoResult result = IoResult::Ok;
    std::vector<uint8_t> report{};  // a read's report
    DWORD error = ERROR_SUCCESS;
    bool waitForCancel = false;  // blocks until the cancel event is set, as a pending read does
};

struct FakeHandleLog {
    std::vector<std::vector<uint8_t>> written;
    std::vector<DWORD> readSizes;
    std::vector<milliseconds> timeouts;
};

class FakeHandle : public IHidHandle {
public:
    FakeHandle(uint32_t in, uint32_t out, bool caps, std::deque<Step> steps,
               std::shared_ptr<FakeHandleLog> log, std::promise<void>* waiting)
        : in_(in), out_(out), caps_(caps), steps_(std::move(steps)), log_(log), waiting_(waiting) {}

    bool GetCaps(uint32_t* in, uint32_t* out) override {
        *in = in_;
        *out = out_;
        return caps_;
    }

    Transfer Run(bool write, void* buffer, DWORD len, HANDLE cancel,
                 milliseconds timeout) override {
        log_->timeouts.push_back(timeout);
        Step step = steps_.empty() ? Step{IoResult::Timeout} : steps_.front();
        if (!steps_.empty())
            steps_.pop_front();
        if (step.waitForCancel) {
            if (waiting_)
                waiting_->set_value();
            WaitForSingleObject(cancel, INFINITE);
            return {IoResult::Gone, 0, ERROR_OPERATION_ABORTED};
        }
        auto* bytes = static_cast<uint8_t*>(buffer);
        if (write) {
            log_->written.emplace_back(bytes, bytes + len);
            return {step.result, step.result == IoResult::Ok ? len : 0, step.error};
        }
        log_->readSizes.push_back(len);
        if (step.result != IoResult::Ok)
            return {step.result, 0, step.error};
        DWORD n = DWORD(std::min<size_t>(step.report.size(), len));
        std::copy_n(step.report.begin(), n, bytes);
        return {IoResult::Ok, n, ERROR_SUCCESS};
    }

private:
    uint32_t in_, out_;
    bool caps_;
    std::deque<Step> steps_;
    std::shared_ptr<FakeHandleLog> log_;
    std::promise<void>* waiting_;
};

struct FakeInterface {
    std::string path;
    HidIds ids{};
    DWORD idsError = ERROR_SUCCESS;   // GetAttributes fails with it
    DWORD openError = ERROR_SUCCESS;  // Open fails with it
    uint32_t input = 65, output = 65;
    bool caps = true;
    std::deque<Step> steps{};
};

class FakeApi : public IHidApi {
public:
    std::vector<FakeInterface> interfaces;
    std::shared_ptr<FakeHandleLog> log = std::make_shared<FakeHandleLog>();
    std::promise<void>* waiting = nullptr;
    int attributeReads = 0;
    int opens = 0;

    std::vector<std::string> Enumerate() override {
        std::vector<std::string> paths;
        for (const auto& i : interfaces)
            paths.push_back(i.path);
        return paths;
    }
    bool GetAttributes(const std::string& path, HidIds* ids, DWORD* error) override {
        ++attributeReads;
        const FakeInterface& i = Find(path);
        if (i.idsError != ERROR_SUCCESS) {
            *error = i.idsError;
            return false;
        }
        *ids = i.ids;
        return true;
    }
    std::unique_ptr<IHidHandle> Open(const std::string& path, DWORD* error) override {
        ++opens;
        const FakeInterface& i = Find(path);
        if (i.openError != ERROR_SUCCESS) {
            *error = i.openError;
            return nullptr;
        }
        return std::make_unique<FakeHandle>(i.input, i.output, i.caps, i.steps, log, waiting);
    }

private:
    const FakeInterface& Find(const std::string& path) {
        for (const auto& i : interfaces)
            if (i.path == path)
                return i;
        throw std::runtime_error("no fake interface " + path);
    }
};

TEST(WindowsHid, ListsInEnumerationOrderAndReadsIdsWithoutOpening) {
    auto api = std::make_shared<FakeApi>();
    api->interfaces = {{"\\\\?\\hid#b", {0x10C4, 0x8A3B, 1}},
                       {"\\\\?\\hid#a", {0x0483, 0xA1D9, 1}}};
    auto transport = MakeHidTransport(api);
    EXPECT_EQ(transport->Name(), "hid");
    EXPECT_EQ(transport->ListInterfaces(),
              (std::vector<std::string>{"\\\\?\\hid#b", "\\\\?\\hid#a"}));
    OpenError error = OpenError::Other;
    auto ids = transport->ReadIds("\\\\?\\hid#a", &error);
    ASSERT_TRUE(ids);
    EXPECT_EQ(ids->vendorId, 0x0483);
    EXPECT_EQ(ids->productId, 0xA1D9);
    EXPECT_EQ(error, OpenError::None);
    EXPECT_EQ(api->opens, 0);  // reading ids claims nothing
}

TEST(WindowsHid, FailuresReadAsTheLinkExpects) {
    struct Row {
        DWORD error;
        OpenError expected;
    };
    const Row rows[] = {
        {ERROR_ACCESS_DENIED, OpenError::PermissionDenied},
        {ERROR_SHARING_VIOLATION, OpenError::InUse},  // another program holds it
        {ERROR_FILE_NOT_FOUND, OpenError::NotFound},
        {ERROR_DEVICE_NOT_CONNECTED, OpenError::NotFound},
        {ERROR_INVALID_FUNCTION, OpenError::NotHid},
        {ERROR_GEN_FAILURE, OpenError::Other},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.error);
        auto api = std::make_shared<FakeApi>();
        api->interfaces = {{"ids", {}, row.error}, {"open", {}, ERROR_SUCCESS, row.error}};
        auto transport = MakeHidTransport(api);
        OpenError error = OpenError::None;
        EXPECT_FALSE(transport->ReadIds("ids", &error));
        EXPECT_EQ(error, row.expected);
        error = OpenError::None;
        EXPECT_EQ(transport->Open("open", &error), nullptr);
        EXPECT_EQ(error, row.expected);
    }
}

TEST(WindowsHid, ReportLengthsFromTheCapabilitiesOrZero) {
    auto api = std::make_shared<FakeApi>();
    api->interfaces = {{"a", {}, 0, 0, 525, 589}, {"b", {}, 0, 0, 525, 525, false}};
    auto transport = MakeHidTransport(api);
    auto a = transport->Open("a");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->InputReportLength(), 525u);
    EXPECT_EQ(a->OutputReportLength(), 589u);
    auto b = transport->Open("b");  // capabilities unreadable: the link refuses it by length
    ASSERT_TRUE(b);
    EXPECT_EQ(b->InputReportLength(), 0u);
    EXPECT_EQ(b->OutputReportLength(), 0u);
}

TEST(WindowsHid, WritesPadToTheOutputLengthAndRefuseLongerReports) {
    auto api = std::make_shared<FakeApi>();
    api->interfaces = {{"w", {}, 0, 0, 8, 8, true, {Step{}, Step{}}}};
    auto device = MakeHidTransport(api)->Open("w");
    const uint8_t shortReport[3] = {0, '#', 1};
    EXPECT_EQ(device->Write(shortReport, 3, milliseconds(50)), IoResult::Ok);
    const uint8_t longReport[9] = {};
    EXPECT_EQ(device->Write(longReport, 9, milliseconds(50)), IoResult::Error);
    ASSERT_EQ(api->log->written.size(), 1u);
    EXPECT_EQ(api->log->written[0], (std::vector<uint8_t>{0, '#', 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(api->log->timeouts[0], milliseconds(50));
}

TEST(WindowsHid, ReadsTellTheRealLengthAndMapEveryOutcome) {
    struct Row {
        const char* name;
        Step step;
        size_t buffer;
        IoResult result;
        size_t got;
        std::vector<uint8_t> stored;
    };
    const std::vector<Row> rows = {
        {"whole report", {IoResult::Ok, {0, 1, 2, 3}}, 4, IoResult::Ok, 4, {0, 1, 2, 3}},
        {"longer than the buffer",
         {IoResult::Ok, {0, 1, 2, 3, 4, 5}},
         4,
         IoResult::Ok,
         6,
         {0, 1, 2, 3}},
        {"time-out", {IoResult::Timeout}, 4, IoResult::Timeout, 0, {9, 9, 9, 9}},
        {"removed mid-exchange",
         {IoResult::Gone, {}, ERROR_DEVICE_NOT_CONNECTED},
         4,
         IoResult::Gone,
         0,
         {9, 9, 9, 9}},
        {"other failure", {IoResult::Error, {}, ERROR_CRC}, 4, IoResult::Error, 0, {9, 9, 9, 9}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto api = std::make_shared<FakeApi>();
        api->interfaces = {{"r", {}, 0, 0, 6, 6, true, {row.step}}};
        auto device = MakeHidTransport(api)->Open("r");
        std::vector<uint8_t> buffer(row.buffer, 9);
        size_t got = 99;
        EXPECT_EQ(device->Read(buffer.data(), buffer.size(), &got, milliseconds(30)), row.result);
        EXPECT_EQ(got, row.got);
        EXPECT_EQ(buffer, row.stored);
        // Windows reads whole input reports: the read is never smaller than the input length.
        ASSERT_FALSE(api->log->timeouts.empty());
        EXPECT_EQ(api->log->timeouts.back(), milliseconds(30));
        if (!api->log->readSizes.empty()) {
            EXPECT_GE(api->log->readSizes.back(), 6u);
        }
    }
}

TEST(WindowsHid, CancelFromAnotherThreadEndsAWaitingReadAndEveryLaterCall) {
    auto api = std::make_shared<FakeApi>();
    std::promise<void> waiting;
    api->waiting = &waiting;
    Step pending;
    pending.waitForCancel = true;
    api->interfaces = {{"c", {}, 0, 0, 8, 8, true, {pending, Step{}}}};
    auto device = MakeHidTransport(api)->Open("c");
    auto reader = std::async(std::launch::async, [&] {
        uint8_t buffer[8];
        size_t got = 0;
        return device->Read(buffer, sizeof buffer, &got, milliseconds(-1));  // no time-out
    });
    waiting.get_future().wait();  // the read is pending in the fake
    device->Cancel();
    EXPECT_EQ(reader.get(), IoResult::Gone);
    const uint8_t report[8] = {};
    EXPECT_EQ(device->Write(report, 8, milliseconds(10)), IoResult::Gone);
    size_t got = 0;
    uint8_t buffer[8];
    EXPECT_EQ(device->Read(buffer, 8, &got, milliseconds(0)), IoResult::Gone);
    EXPECT_TRUE(api->log->written.empty());
}

}  // namespace
}  // namespace veldrant::platform::win
