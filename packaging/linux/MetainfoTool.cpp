// SPDX-License-Identifier: MIT
// Writes the AppStream metainfo from its template: the line holding %MODALIASES% becomes one
// <modalias> per known watch model, so that software centres offer Veldrant when one of them
// is plugged in. The ids come from the device table itself and cannot drift from it.
//
//   veldrant_metainfo TEMPLATE OUTPUT
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "devicelink/DeviceIdentity.h"

namespace {

// The USB device's modalias as the kernel writes it, upper-case hex, with the release
// (bcdDevice): the table tells models apart by it.
std::string Modalias(const veldrant::DeviceIdentity& id) {
    char text[32];
    std::snprintf(text, sizeof(text), "usb:v%04Xp%04Xd%04X*", unsigned(id.wVendorId),
                  unsigned(id.wProductId), unsigned(id.wRelease));
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: veldrant_metainfo TEMPLATE OUTPUT\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "veldrant_metainfo: cannot read %s\n", argv[1]);
        return 1;
    }
    std::set<std::string> aliases;
    for (const veldrant::DeviceIdentity& id : veldrant::g_DeviceTable)
        aliases.insert(Modalias(id));

    std::ostringstream out;
    std::string line;
    int markers = 0;
    while (std::getline(in, line)) {
        size_t at = line.find("%MODALIASES%");
        if (at == std::string::npos) {
            out << line << '\n';
            continue;
        }
        ++markers;
        const std::string indent = line.substr(0, at);
        for (const std::string& alias : aliases)
            out << indent << "<modalias>" << alias << "</modalias>\n";
    }
    if (markers != 1) {
        std::fprintf(stderr, "veldrant_metainfo: %s holds %d %%MODALIASES%% lines, not one\n",
                     argv[1], markers);
        return 1;
    }
    // Written whole or not at all: a half-written file would pass for the real one.
    const std::string temp = std::string(argv[2]) + ".tmp";
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        file << out.str();
        file.close();
        if (!file) {
            std::fprintf(stderr, "veldrant_metainfo: cannot write %s\n", temp.c_str());
            std::remove(temp.c_str());
            return 1;
        }
    }
    if (std::rename(temp.c_str(), argv[2]) != 0) {
        std::fprintf(stderr, "veldrant_metainfo: cannot write %s\n", argv[2]);
        std::remove(temp.c_str());
        return 1;
    }
    return 0;
}
