// Building and damaging raw report frames in tests, independent of the link's own code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veldrant::testing {

using Report = std::vector<uint8_t>;

// A whole report of length L: report ID 0, '#', type, code, mode, value (LE), payload (zero
// padded to P), CRC high then low, reserved 0, '*', zero tail.
Report BuildFrame(uint32_t length, uint8_t type, uint8_t code, uint8_t mode, uint32_t value,
                  const std::vector<uint8_t>& payload = {});
// Recomputes the CRC after a test changed covered bytes on purpose.
void Reseal(Report& report);
// The 32-bit little-endian word at `offset`.
uint32_t WordAt(const Report& report, size_t offset);

}  // namespace veldrant::testing
