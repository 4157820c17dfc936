#include "platform/AccessAdvice.h"

namespace veldrant::platform {

namespace {

// A simulated watch is a pipe of the user who started it.
bool Simulated(const std::string& transport) {
    return transport == "sim";
}

}  // namespace

std::string PermissionDeniedHint(const std::string& transport) {
    if (Simulated(transport))
        return "a simulated watch of another user";
    return "Windows refused this account access to it";
}

std::string PermissionDeniedAdvice(const std::string& transport) {
    if (Simulated(transport)) {
        return "That simulated watch belongs to another user. Start one of your own\n"
               "(veldrant-sim.exe), or point VELDRANT_SIM_DIR at a folder of your own.\n";
    }
    return "Windows refused this account access to the watch. Unplug the watch, plug it\n"
           "in again and retry; if it stays refused, try from an account with more rights.\n";
}

// The common case on Windows: another companion or HID tool keeps the watch open, and the
// HID class driver then refuses a second open with a sharing violation.
std::string InUseAdvice() {
    return "Another program has the watch open (another copy of Veldrant, the maker's\n"
           "tool, or a HID utility). Close it and try again.\n";
}

}  // namespace veldrant::platform
