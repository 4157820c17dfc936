#include "cli/DryRun.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "firmware/VersionQuery.h"

namespace veldrant::cli {

LinkPace MeasureLinkPace(CDeviceLink& link, int requests) {
    using Clock = std::chrono::steady_clock;
    LinkPace pace;
    std::vector<Clock::duration> times;
    for (int i = 0; i < requests; ++i) {
        const Clock::time_point start = Clock::now();
        std::optional<std::string> version = firmware::QueryFirmwareVersion(link);
        const Clock::duration took = Clock::now() - start;
        if (!version)
            continue;  // a request that timed out says nothing of the pace
        times.push_back(took);
        pace.version = std::move(version);
    }
    pace.answered = static_cast<int>(times.size());
    if (!times.empty()) {
        std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
        pace.each = std::chrono::duration_cast<std::chrono::microseconds>(times[times.size() / 2]);
    }
    return pace;
}

std::string DurationText(std::chrono::microseconds time) {
    const long long us = time.count() < 0 ? 0 : time.count();
    char text[48];
    if (us < 10'000'000) {
        // Tenths of a second, rounded up, so that a short job never reads "0 s".
        const long long tenths = (us + 99'999) / 100'000;
        std::snprintf(text, sizeof(text), "%lld.%lld s", tenths / 10, tenths % 10);
        return text;
    }
    const long long s = (us + 999'999) / 1'000'000;
    if (s < 60)
        std::snprintf(text, sizeof(text), "%lld s", s);
    else if (s < 3600)
        std::snprintf(text, sizeof(text), "%lld min %02lld s", s / 60, s % 60);
    else
        std::snprintf(text, sizeof(text), "%lld h %02lld min", s / 3600, (s % 3600 + 59) / 60);
    return text;
}

std::string WatchLine(CDeviceLink& link, const LinkPace& pace) {
    std::string name(link.m_Identity.Name());
    return "Watch: " + (name.empty() ? std::string("(no identity name)") : name) + " (table row " +
           std::to_string(link.m_Identity.wRowNumber) + "), " +
           pace.version.value_or("firmware version not answered") + "\n";
}

std::string TimeLine(uint64_t exchanges, const LinkPace& pace) {
    if (pace.answered == 0)
        return "Time: unknown; the watch answered none of the version requests it was timed on\n";
    char each[32];
    std::snprintf(each, sizeof(each), "%.1f ms", double(pace.each.count()) / 1000.0);
    return "Time: about " + DurationText(pace.each * static_cast<long long>(exchanges)) + " (" +
           std::to_string(exchanges) + " exchanges at " + each + " each, the median of " +
           std::to_string(pace.answered) + " version requests)\n";
}

}  // namespace veldrant::cli
