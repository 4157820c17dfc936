// The real SetupDi, HidD and HidP calls.
#include <windows.h>

#include <setupapi.h>
// hidsdi.h needs the types of setupapi.h first; mingw-w64's HID headers lack extern "C".
extern "C" {
#include <hidsdi.h>
}

#include "platform/windows/HidApi.h"

namespace veldrant::platform::win {

namespace {

class WindowsHidHandle : public IHidHandle {
public:
    explicit WindowsHidHandle(Handle h) : h_(std::move(h)) {}

    bool GetCaps(uint32_t* inputLength, uint32_t* outputLength) override {
        PHIDP_PREPARSED_DATA data = nullptr;
        if (!HidD_GetPreparsedData(h_.Get(), &data))
            return false;
        HIDP_CAPS caps{};
        bool ok = HidP_GetCaps(data, &caps) == HIDP_STATUS_SUCCESS;
        HidD_FreePreparsedData(data);
        if (ok) {
            *inputLength = caps.InputReportByteLength;
            *outputLength = caps.OutputReportByteLength;
        }
        return ok;
    }

    Transfer Run(bool write, void* buffer, DWORD len, HANDLE cancel,
                 std::chrono::milliseconds timeout) override {
        return OverlappedTransfer(h_.Get(), write, buffer, len, cancel, timeout);
    }

    bool FlushQueue() override { return HidD_FlushQueue(h_.Get()) != FALSE; }

private:
    Handle h_;
};

class WindowsHidApi : public IHidApi {
public:
    std::vector<std::string> Enumerate() override {
        std::vector<std::string> paths;
        GUID guid;
        HidD_GetHidGuid(&guid);
        HDEVINFO list =
            SetupDiGetClassDevsW(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (list == INVALID_HANDLE_VALUE)
            return paths;
        SP_DEVICE_INTERFACE_DATA item{};
        item.cbSize = sizeof item;
        for (DWORD i = 0; SetupDiEnumDeviceInterfaces(list, nullptr, &guid, i, &item); ++i) {
            DWORD size = 0;
            SetupDiGetDeviceInterfaceDetailW(list, &item, nullptr, 0, &size, nullptr);
            if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))
                continue;
            std::vector<uint8_t> buffer(size);
            auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
            detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
            if (SetupDiGetDeviceInterfaceDetailW(list, &item, detail, size, nullptr, nullptr))
                paths.push_back(Utf8(detail->DevicePath));
        }
        SetupDiDestroyDeviceInfoList(list);
        return paths;
    }

    bool GetAttributes(const std::string& path, HidIds* ids, DWORD* error) override {
        Handle h(CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h) {
            *error = GetLastError();
            return false;
        }
        HIDD_ATTRIBUTES a{};
        a.Size = sizeof a;
        if (!HidD_GetAttributes(h.Get(), &a)) {
            *error = GetLastError();
            return false;
        }
        *ids = HidIds{a.VendorID, a.ProductID, a.VersionNumber};
        return true;
    }

    std::unique_ptr<IHidHandle> Open(const std::string& path, DWORD* error) override {
        Handle h(CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h) {
            *error = GetLastError();
            return nullptr;
        }
        return std::make_unique<WindowsHidHandle>(std::move(h));
    }
};

}  // namespace

std::shared_ptr<IHidApi> MakeWindowsHidApi() {
    return std::make_shared<WindowsHidApi>();
}

}  // namespace veldrant::platform::win
