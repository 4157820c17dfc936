// A veldrant-uhid-watch child process for the tests in the VM: started with its options, its
// status lines collected as they come ("created ...", "open", "unplugged T", "exit ..."), and
// stopped (the uhid device goes with it) when the object goes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace veldrant::vmtest {

class UhidWatchProcess {
public:
    // Starts the watch (found on PATH, or $VELDRANT_UHID_WATCH) and waits for its "created"
    // line; throws std::runtime_error with the watch's own words when it does not come.
    explicit UhidWatchProcess(std::vector<std::string> args);
    ~UhidWatchProcess();
    UhidWatchProcess(const UhidWatchProcess&) = delete;
    UhidWatchProcess& operator=(const UhidWatchProcess&) = delete;

    // The first status line starting with `prefix`, waiting up to `limit` for it.
    std::optional<std::string> WaitForLine(std::string_view prefix,
                                           std::chrono::milliseconds limit);
    // How many status lines so far are exactly `line`.
    int Count(std::string_view line) const;
    std::vector<std::string> Lines() const;

    // Unplugs the device (SIGTERM) and waits for the process; returns its exit status, or -1
    // when it died otherwise. Safe to call twice.
    int Stop();

private:
    void ReadLines(int fd);

    pid_t pid_ = -1;
    int status_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::string> lines_;
    bool eof_ = false;
};

// CLOCK_MONOTONIC in nanoseconds, the clock of the watch's "unplugged T" line.
uint64_t MonotonicNs();

}  // namespace veldrant::vmtest
