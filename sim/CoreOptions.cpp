// veldrant-sim's own options: model, report length, version, faults, name and directory.
#include <cstring>

#include "platform/PlatformTexts.h"
#include "sim/OptionRegistry.h"

namespace veldrant::sim {
namespace {

bool Model(SimConfig& c, const std::string& v, std::string* error) {
    for (size_t row = 0; row < g_DeviceTable.size(); ++row) {
        if (v == std::to_string(row) || (row > 0 && v == g_DeviceTable[row].Name())) {
            c.watch.model = row;
            return true;
        }
    }
    *error = "expected 0, 1, 2, 3 or a model name (QMX_KV_WATCH_F, QMX_KV_WATCH_A, QMX_KVT_2700)";
    return false;
}

bool Length(SimConfig& c, const std::string& v, std::string* error) {
    long n;
    if (!ParseNumber(v, 2, 0xFFFF, &n)) {
        *error = "expected a report length from 2 to 65535";
        return false;
    }
    c.watch.reportLength = uint32_t(n);
    return true;
}

// "B8,B9,B10": the three version bytes of the reply to command 1.
bool Version(SimConfig& c, const std::string& v, std::string* error) {
    std::array<uint8_t, 3> bytes{};
    size_t pos = 0;
    for (size_t i = 0; i < 3; ++i) {
        size_t comma = v.find(',', pos);
        std::string part =
            v.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        long n;
        if (!ParseNumber(part, 0, 255, &n) || (i < 2) == (comma == std::string::npos)) {
            *error = "expected three bytes B8,B9,B10, e.g. 5,1,0x7B for version 1.05";
            return false;
        }
        bytes[i] = uint8_t(n);
        pos = comma + 1;
    }
    c.watch.version = bytes;
    return true;
}

const std::pair<const char*, Fault> kFaults[] = {
    {"none", Fault::None},
    {"no-answer", Fault::NoAnswer},
    {"wrong-echo", Fault::WrongEcho},
    {"wrong-command", Fault::WrongCommand},
    {"bad-crc", Fault::BadCrc},
    {"type0", Fault::Type0},
    {"type3", Fault::Type3},
};

// "KIND[:CODE[:SKIP[:TIMES]]]"
bool FaultOption(SimConfig& c, const std::string& v, std::string* error) {
    std::vector<std::string> parts;
    for (size_t pos = 0;;) {
        size_t colon = v.find(':', pos);
        parts.push_back(v.substr(pos, colon == std::string::npos ? colon : colon - pos));
        if (colon == std::string::npos)
            break;
        pos = colon + 1;
    }
    FaultPlan plan;
    bool known = false;
    for (const auto& [name, fault] : kFaults) {
        if (parts[0] == name) {
            plan.fault = fault;
            known = true;
        }
    }
    long code = -1, skip = 0, times = -1;
    bool ok = known && parts.size() <= 4 &&
              (parts.size() < 2 || parts[1].empty() || ParseNumber(parts[1], 0, 255, &code)) &&
              (parts.size() < 3 || ParseNumber(parts[2], 0, 1 << 30, &skip)) &&
              (parts.size() < 4 || ParseNumber(parts[3], -1, 1 << 30, &times));
    if (!ok) {
        *error =
            "expected KIND[:CODE[:SKIP[:TIMES]]] with KIND one of none, no-answer, wrong-echo, "
            "wrong-command, bad-crc, type0, type3";
        return false;
    }
    plan.code = int(code);
    plan.skip = int(skip);
    plan.times = int(times);
    c.fault = plan;
    return true;
}

bool UnplugAfter(SimConfig& c, const std::string& v, std::string* error) {
    long n;
    if (!ParseNumber(v, 0, 1L << 30, &n)) {
        *error = "expected a number of exchanges";
        return false;
    }
    c.unplugAfter = int(n);
    return true;
}

bool Replug(SimConfig& c, const std::string& v, std::string* error) {
    long n;
    if (!ParseNumber(v, 0, 3600000, &n)) {
        *error = "expected milliseconds";
        return false;
    }
    c.replugMs = int(n);
    return true;
}

OptionRegistration model({"--model", "ROW|NAME",
                          "model to present: 0 (no identity check), 1 QMX_KV_WATCH_F, "
                          "2 QMX_KV_WATCH_A, 3 QMX_KVT_2700 (default)",
                          Model});
OptionRegistration length({"--report-length", "L", "HID report length with the ID byte (525)",
                           Length});
OptionRegistration version({"--version-bytes", "B8,B9,B10",
                            "firmware version bytes (5,1,0x7B: version 1.05)", Version});
OptionRegistration fault({"--fault", "KIND[:CODE[:SKIP[:TIMES]]]",
                          "damage replies: no-answer, wrong-echo, wrong-command, bad-crc, type0, "
                          "type3; only CODE, after SKIP, TIMES times",
                          FaultOption});
OptionRegistration unplug({"--unplug-after", "N", "pull the watch out at the request after N",
                           UnplugAfter});
OptionRegistration replug({"--replug-after", "MS", "plug it in again MS ms after that", Replug});
OptionRegistration name({"--name", "NAME", "socket name: DIR/NAME.hid (watch)",
                         [](SimConfig& c, const std::string& v, std::string* error) {
                             c.server.name = v;
                             if (v.empty() || v.front() == '.' || v.find('/') != v.npos) {
                                 *error = "a name without '/' that does not start with '.'";
                                 return false;
                             }
                             return true;
                         }});
OptionRegistration dir({"--dir", "DIR",
                        "directory of the sockets (default: " +
                            platform::EnvironmentVariable("VELDRANT_SIM_DIR") + ", else " +
                            platform::SimDirectoryDefault() + ")",
                        [](SimConfig& c, const std::string& v, std::string*) {
                            c.server.directory = v;
                            return true;
                        }});

}  // namespace
}  // namespace veldrant::sim
