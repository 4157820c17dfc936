#include "platform/AccessAdvice.h"

namespace veldrant::platform {

namespace {

// A simulated watch is a socket of the user who started it: no udev rule is involved.
bool Simulated(const std::string& transport) {
    return transport == "sim";
}

}  // namespace

std::string PermissionDeniedHint(const std::string& transport) {
    if (Simulated(transport))
        return "a simulated watch of another user";
    return "install the udev rule, see the README";
}

std::string PermissionDeniedAdvice(const std::string& transport) {
    if (Simulated(transport)) {
        return "That simulated watch belongs to another user. Start one of your own\n"
               "(veldrant-sim), or point VELDRANT_SIM_DIR at a folder of your own.\n";
    }
    return "The udev rule 70-veldrant.rules gives the user logged in at the computer\n"
           "(not a remote login) access to the watch. The veldrant package installs\n"
           "it; from a source tree install it with:\n"
           "  sudo cp platform/linux/70-veldrant.rules /etc/udev/rules.d/\n"
           "  sudo udevadm control --reload && sudo udevadm trigger\n"
           "(see 'Access to the watch' in the README,\n"
           "/usr/share/doc/veldrant/README.md.gz).\n";
}

// hidraw nodes and simulated watches take several programs at once; kept for a transport
// that one day cannot.
std::string InUseAdvice() {
    return "Another program is using the watch. Close it (another veldrant or\n"
           "veldrant-cli) and try again.\n";
}

}  // namespace veldrant::platform
