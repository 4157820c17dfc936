// The "hid" transport: Windows' HID class driver through the calls of HidApi.h. Arrival and
// removal notices come to a message-only window that a thread of the transport's own creates
// and registers with RegisterDeviceNotificationW for the HID interface class (wine has no
// CM_Register_Notification, and the window works on every Windows).
#include <windows.h>

#include <dbt.h>
#include <setupapi.h>
// hidsdi.h needs the types of setupapi.h first; mingw-w64's HID headers lack extern "C".
extern "C" {
#include <hidsdi.h>
}

#include <algorithm>
#include <atomic>
#include <future>
#include <thread>

#include "platform/windows/HidApi.h"
#include "platform/windows/InterfaceLockWin32.h"

namespace veldrant::platform::win {

OpenError OpenErrorForHid(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DEVICE_NOT_CONNECTED:
            return OpenError::NotFound;
        case ERROR_ACCESS_DENIED:
            return OpenError::PermissionDenied;
        case ERROR_SHARING_VIOLATION:
            return OpenError::InUse;
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_PARAMETER:
            return OpenError::NotHid;
        default:
            return OpenError::Other;
    }
}

namespace {

class HidDevice : public IHidDevice {
public:
    HidDevice(std::unique_ptr<IHidHandle> handle, uint32_t input, uint32_t output)
        : handle_(std::move(handle)),
          input_(input),
          output_(output),
          cancel_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

    uint32_t InputReportLength() const override { return input_; }
    uint32_t OutputReportLength() const override { return output_; }

    // Windows takes exactly the output report length; a shorter report is padded with zeros.
    IoResult Write(const uint8_t* data, size_t len, std::chrono::milliseconds timeout) override {
        if (cancelled_.load())
            return IoResult::Gone;
        if (len == 0 || len > output_)
            return IoResult::Error;
        writeBuffer_.assign(output_, 0);
        std::copy(data, data + len, writeBuffer_.begin());
        Transfer t = handle_->Run(true, writeBuffer_.data(), output_, cancel_.Get(), timeout);
        if (cancelled_.load())
            return IoResult::Gone;
        if (t.result == IoResult::Ok && t.bytes != output_)
            return IoResult::Error;
        return t.result;
    }

    // Windows reads whole input reports only, into a buffer of at least the input length; the
    // report goes through a buffer of that size and `*got` is its real length.
    IoResult Read(uint8_t* buf, size_t len, size_t* got,
                  std::chrono::milliseconds timeout) override {
        *got = 0;
        if (cancelled_.load())
            return IoResult::Gone;
        readBuffer_.assign(std::max<size_t>({input_, len, 1}), 0);
        Transfer t = handle_->Run(false, readBuffer_.data(), DWORD(readBuffer_.size()),
                                  cancel_.Get(), std::max(timeout, std::chrono::milliseconds(0)));
        if (cancelled_.load())
            return IoResult::Gone;
        if (t.result != IoResult::Ok)
            return t.result;
        *got = t.bytes;
        std::copy_n(readBuffer_.begin(), std::min<size_t>(t.bytes, len), buf);
        return IoResult::Ok;
    }

    void Cancel() override {
        cancelled_.store(true);
        SetEvent(cancel_.Get());
    }

    // The HID class driver keeps a ring of input reports per handle; flushing it is one call.
    bool DiscardInput() override {
        if (cancelled_.load())
            return false;
        return handle_->FlushQueue() || IHidDevice::DiscardInput();
    }

private:
    std::unique_ptr<IHidHandle> handle_;
    uint32_t input_;
    uint32_t output_;
    Handle cancel_;
    std::atomic<bool> cancelled_{false};
    std::vector<uint8_t> writeBuffer_;
    std::vector<uint8_t> readBuffer_;
};

// The notice window's thread. The window exists and is registered before Subscribe returns.
class HidNotices : public INoticeSubscription {
public:
    explicit HidNotices(HidNoticeFn fn) : fn_(std::move(fn)) {
        std::promise<void> ready;
        auto started = ready.get_future();
        thread_ = std::thread([this, &ready] { Run(ready); });
        started.wait();
    }
    ~HidNotices() override {
        if (window_)
            PostMessageW(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<HidNotices*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (msg == WM_DEVICECHANGE && self &&
            (wp == DBT_DEVICEARRIVAL || wp == DBT_DEVICEREMOVECOMPLETE)) {
            auto* header = reinterpret_cast<DEV_BROADCAST_HDR*>(lp);
            if (header && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
                auto* di = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(lp);
                self->fn_(wp == DBT_DEVICEARRIVAL ? HidNotice::Arrival : HidNotice::Removal,
                          Utf8(di->dbcc_name));
            }
            return TRUE;
        }
        if (msg == WM_CLOSE) {
            DestroyWindow(hwnd);
            return 0;
        }
        if (msg == WM_DESTROY) {
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }

    void Run(std::promise<void>& ready) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VeldrantHidNotices";
        RegisterClassExW(&wc);  // fails harmlessly when a second subscription registers again
        window_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
        HDEVNOTIFY notify = nullptr;
        if (window_) {
            SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            DEV_BROADCAST_DEVICEINTERFACE_W filter{};
            filter.dbcc_size = sizeof filter;
            filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
            HidD_GetHidGuid(&filter.dbcc_classguid);
            notify = RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        }
        ready.set_value();
        if (!window_)
            return;
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (notify)
            UnregisterDeviceNotification(notify);
    }

    HidNoticeFn fn_;
    HWND window_ = nullptr;
    std::thread thread_;
};

class HidTransport : public IHidTransport {
public:
    explicit HidTransport(std::shared_ptr<IHidApi> api) : api_(std::move(api)) {}

    std::string Name() const override { return "hid"; }

    std::vector<std::string> ListInterfaces() override { return api_->Enumerate(); }

    std::optional<HidIds> ReadIds(const std::string& path, OpenError* error) override {
        HidIds ids;
        DWORD err = ERROR_SUCCESS;
        if (!api_->GetAttributes(path, &ids, &err)) {
            if (error)
                *error = OpenErrorForHid(err);
            return std::nullopt;
        }
        if (error)
            *error = OpenError::None;
        return ids;
    }

    std::unique_ptr<IHidDevice> Open(const std::string& path, OpenError* error) override {
        DWORD err = ERROR_SUCCESS;
        std::unique_ptr<IHidHandle> handle = api_->Open(path, &err);
        if (!handle) {
            if (error)
                *error = OpenErrorForHid(err);
            return nullptr;
        }
        uint32_t input = 0, output = 0;
        if (!handle->GetCaps(&input, &output))
            input = output = 0;  // the link refuses the interface for its lengths
        if (error)
            *error = OpenError::None;
        return std::make_unique<HidDevice>(std::move(handle), input, output);
    }

    std::unique_ptr<INoticeSubscription> Subscribe(HidNoticeFn fn) override {
        return std::make_unique<HidNotices>(std::move(fn));
    }

    std::unique_ptr<IInterfaceLock> Lock(const std::string& path, long* holder) override {
        return LockInterfaceMutex(path, holder);
    }

private:
    std::shared_ptr<IHidApi> api_;
};

}  // namespace

std::shared_ptr<IHidTransport> MakeHidTransport(std::shared_ptr<IHidApi> api) {
    return std::make_shared<HidTransport>(std::move(api));
}

}  // namespace veldrant::platform::win
