// The simulated-interface protocol, spoken by the "sim" transport and by any program that
// presents a watch on a socket (veldrant-sim, tests):
//
//  - Directory: $VELDRANT_SIM_DIR when set, else $XDG_RUNTIME_DIR/veldrant-sim, else
//    /tmp/veldrant-sim-<uid>.
//  - Each interface is a listening Unix-domain SOCK_SEQPACKET socket named <name>.hid there,
//    listed in byte order of the names; its path is the socket's absolute path.
//  - On each accepted connection the device first sends one 18-byte hello: "VLDSIM01", then
//    five little-endian 16-bit numbers: vendor id, product id, release, input report length,
//    output report length (lengths count the report-ID byte).
//  - Reading ids: connect, read the hello, close. Opening: connect, read the hello, keep it.
//  - Each output report is one packet of exactly the output length, byte 0 the report ID 0;
//    each input report one packet of exactly the input length, byte 0 the report ID 0.
//  - Unplugging: the device removes its socket file, then closes its connections. Plugging
//    in: the socket file appears (devices rename it into place once it listens).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace veldrant::platform {

inline constexpr std::string_view kSimHelloMagic = "VLDSIM01";
inline constexpr size_t kSimHelloSize = 18;
inline constexpr std::string_view kSimSocketSuffix = ".hid";

struct SimHello {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t release = 0;
    uint16_t inputLength = 0;
    uint16_t outputLength = 0;
};

std::array<uint8_t, kSimHelloSize> EncodeSimHello(const SimHello& hello);
// nullopt unless `data` is exactly one well-formed hello.
std::optional<SimHello> DecodeSimHello(const uint8_t* data, size_t size);

// The directory simulated interfaces live in, from the environment as described above.
std::string SimDirectory();

// True for a name usable as <name>.hid: not empty, no '/', no NUL, not starting with '.'.
bool IsValidSimName(std::string_view name);

}  // namespace veldrant::platform
