// What a dry run tells before a job that writes the watch: the watch as it answers now, and how
// long the job would take at the pace the link keeps on a few harmless requests (firmware
// version requests, code 1, which change nothing on the watch).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "devicelink/DeviceLink.h"

namespace veldrant::cli {

struct LinkPace {
    int answered = 0;                    // version requests answered, of those asked
    std::chrono::microseconds each{0};   // the median time of one exchange
    std::optional<std::string> version;  // the watch's answer, as the firmware page shows it
};

// Times `requests` version requests on `link`.
LinkPace MeasureLinkPace(CDeviceLink& link, int requests = 5);

// "0.4 s", "12 s", "3 min 05 s", "1 h 02 min": a time for a person, rounded up.
std::string DurationText(std::chrono::microseconds time);

// The lines a dry run ends with: the watch named, and the time `exchanges` take at `pace`.
std::string WatchLine(CDeviceLink& link, const LinkPace& pace);
std::string TimeLine(uint64_t exchanges, const LinkPace& pace);

}  // namespace veldrant::cli
