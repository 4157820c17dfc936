// veldrant-sim's options for the two transfers to the watch: the firmware update (code 2) and
// the course data upload (code 3), with the faults they can be asked to play.
#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/File.h"
#include "sim/CourseService.h"
#include "sim/FirmwareService.h"
#include "sim/OptionRegistry.h"

namespace veldrant::sim {
namespace {

struct TransferSettings {
    std::string storeDir;
    FirmwarePolicy firmware;
    std::optional<std::array<uint8_t, 3>> newVersion;
    CoursePolicy course;
};

TransferSettings& Settings() {
    static TransferSettings settings;
    return settings;
}

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    for (size_t pos = 0;;) {
        size_t next = text.find(sep, pos);
        parts.push_back(text.substr(pos, next == std::string::npos ? next : next - pos));
        if (next == std::string::npos)
            return parts;
        pos = next + 1;
    }
}

bool Count(const std::string& v, std::optional<uint32_t>& out, std::string* error) {
    long n;
    if (!ParseNumber(v, 0, 0x7FFFFFFF, &n)) {
        *error = "expected a count";
        return false;
    }
    out = uint32_t(n);
    return true;
}

// "N:TIMES": block N fails TIMES times.
bool FirmwareFail(SimConfig&, const std::string& v, std::string* error) {
    auto parts = Split(v, ':');
    long block, times;
    if (parts.size() != 2 || !ParseNumber(parts[0], 0, 0x7FFFFFFF, &block) ||
        !ParseNumber(parts[1], 0, 0x7FFFFFFF, &times)) {
        *error = "expected BLOCK:TIMES, e.g. 3:1";
        return false;
    }
    Settings().firmware.failBlock = uint32_t(block);
    Settings().firmware.failTimes = uint32_t(times);
    return true;
}

// "B8,B9,B10", as --version-bytes takes them.
bool NewVersion(SimConfig&, const std::string& v, std::string* error) {
    auto parts = Split(v, ',');
    std::array<uint8_t, 3> bytes{};
    for (size_t i = 0; i < 3; ++i) {
        long n;
        if (parts.size() != 3 || !ParseNumber(parts[i], 0, 255, &n)) {
            *error = "expected three bytes B8,B9,B10, e.g. 6,1,0x7B for version 1.06";
            return false;
        }
        bytes[i] = uint8_t(n);
    }
    Settings().newVersion = bytes;
    return true;
}

bool Decline(SimConfig&, const std::string& v, std::string* error) {
    for (const std::string& part : Split(v, ',')) {
        long id;
        if (!ParseNumber(part, 0, 0xFFFF, &id)) {
            *error = "expected golf course ids ID[,ID...]";
            return false;
        }
        Settings().course.declineIds.insert(uint16_t(id));
    }
    return true;
}

// "dir:N:TIMES" for directory block N, "ID:N:TIMES" for block N of golf course ID.
bool CourseFail(SimConfig&, const std::string& v, std::string* error) {
    auto parts = Split(v, ':');
    long id = 0, block, times;
    bool directory = !parts.empty() && parts[0] == "dir";
    if (parts.size() != 3 || (!directory && !ParseNumber(parts[0], 0, 0xFFFF, &id)) ||
        !ParseNumber(parts[1], 0, 0x7FFFFFFF, &block) ||
        !ParseNumber(parts[2], 0, 0x7FFFFFFF, &times)) {
        *error = "expected dir:BLOCK:TIMES or ID:BLOCK:TIMES, e.g. dir:1:9";
        return false;
    }
    Settings().course.failBlock =
        BlockFault{directory, uint16_t(id), uint32_t(block), uint32_t(times)};
    return true;
}

OptionRegistration store({"--store", "DIR",
                          "keep what the watch receives in DIR (firmware.bin, directory.bin, "
                          "course-ID.bin)",
                          [](SimConfig&, const std::string& v, std::string*) {
                              Settings().storeDir = v;
                              return true;
                          }});
OptionRegistration fwVersion({"--fw-new-version", "B8,B9,B10",
                              "version bytes answered after a complete firmware update",
                              NewVersion});
OptionRegistration fwFail({"--fw-fail-block", "N:TIMES",
                           "refuse firmware block N the first TIMES times", FirmwareFail});
OptionRegistration fwSilent({"--fw-silent-after", "N", "stop answering after N firmware blocks",
                             [](SimConfig&, const std::string& v, std::string* e) {
                                 return Count(v, Settings().firmware.silentAfterBlocks, e);
                             }});
OptionRegistration fwUnplug({"--fw-unplug-after", "N", "pull the watch out at firmware block N",
                             [](SimConfig&, const std::string& v, std::string* e) {
                                 return Count(v, Settings().firmware.unplugAfterBlocks, e);
                             }});
OptionRegistration decline({"--course-decline", "ID[,ID...]",
                            "answer these golf courses' begins 0xAAAAAAAA", Decline});
OptionRegistration wrongConfirms({"--course-wrong-confirms", "K",
                                  "answer the first K course confirms with 0",
                                  [](SimConfig&, const std::string& v, std::string* e) {
                                      std::optional<uint32_t> k;
                                      if (!Count(v, k, e))
                                          return false;
                                      Settings().course.wrongConfirms = *k;
                                      return true;
                                  }});
OptionRegistration courseFail({"--course-fail-block", "dir|ID:N:TIMES",
                               "refuse a course data block the first TIMES times", CourseFail});
OptionRegistration courseSilent({"--course-silent-after", "N",
                                 "stop answering after N course data blocks",
                                 [](SimConfig&, const std::string& v, std::string* e) {
                                     return Count(v, Settings().course.silentAfterBlocks, e);
                                 }});
OptionRegistration courseUnplug({"--course-unplug-after", "N",
                                 "pull the watch out at course data block N",
                                 [](SimConfig&, const std::string& v, std::string* e) {
                                     return Count(v, Settings().course.unplugAfterBlocks, e);
                                 }});

SetupRegistration addTransfers([](Watch& watch, const SimConfig&) {
    const TransferSettings& s = Settings();
    if (!s.storeDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(platform::Utf8Path(s.storeDir), ec);
    }
    auto firmware = std::make_shared<FirmwareService>(s.firmware, s.storeDir);
    if (s.newVersion) {
        // Runs inside the watch's request handling, with its lock held.
        firmware->SetOnComplete([&watch, v = *s.newVersion](const std::vector<uint8_t>&) {
            watch.Identification().SetVersion(v);
        });
    }
    watch.AddService(firmware);
    watch.AddService(std::make_shared<CourseService>(s.course, s.storeDir));
});

}  // namespace
}  // namespace veldrant::sim
