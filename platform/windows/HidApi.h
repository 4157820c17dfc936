// The Windows calls of the HID transport, behind one interface so that the transport's logic
// (enumeration order, interfaces whose ids cannot be read, sizes, time-outs, cancelling, access
// denied, removal during an exchange) can be tested against a fake of it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/HidTransport.h"
#include "platform/windows/Overlapped.h"

namespace veldrant::platform::win {

// An interface opened for overlapped reading and writing.
class IHidHandle {
public:
    virtual ~IHidHandle() = default;
    // Report lengths from HidD_GetPreparsedData + HidP_GetCaps (with the report-ID byte);
    // false when they cannot be read.
    virtual bool GetCaps(uint32_t* inputLength, uint32_t* outputLength) = 0;
    // One overlapped WriteFile or ReadFile (see OverlappedTransfer).
    virtual Transfer Run(bool write, void* buffer, DWORD len, HANDLE cancel,
                         std::chrono::milliseconds timeout) = 0;
    // HidD_FlushQueue: drops the input reports the driver holds for this handle. False when
    // it cannot (the caller then reads them away).
    virtual bool FlushQueue() { return false; }
};

class IHidApi {
public:
    virtual ~IHidApi() = default;
    // The device paths of the present HID interfaces in SetupDi's enumeration order
    // (HidD_GetHidGuid, SetupDiGetClassDevsW with DIGCF_PRESENT | DIGCF_DEVICEINTERFACE,
    // SetupDiEnumDeviceInterfaces, SetupDiGetDeviceInterfaceDetailW). An interface whose
    // detail cannot be read is left out.
    virtual std::vector<std::string> Enumerate() = 0;
    // HidD_GetAttributes on a handle opened with no access rights, which claims nothing.
    // False with the Windows error in *error.
    virtual bool GetAttributes(const std::string& path, HidIds* ids, DWORD* error) = 0;
    // CreateFileW with read and write access, shared, overlapped; nullptr with the error.
    virtual std::unique_ptr<IHidHandle> Open(const std::string& path, DWORD* error) = 0;
};

// The real calls.
std::shared_ptr<IHidApi> MakeWindowsHidApi();

// The "hid" transport over any IHidApi (tests pass a fake).
std::shared_ptr<IHidTransport> MakeHidTransport(std::shared_ptr<IHidApi> api);

// How an open failure reads: access denied is PermissionDenied; a sharing violation (another
// program holds the device) is InUse, so that the user is told to close that program.
OpenError OpenErrorForHid(DWORD error);

}  // namespace veldrant::platform::win
