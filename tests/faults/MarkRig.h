// The mark import on the fault rig: the simulator's sample (two mark sets and three score
// cards) on the watch, one MarkImport kept across presses as the page keeps it, and a new CSV
// file for every press.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "marks/MarkImport.h"
#include "sim/MarkSample.h"
#include "sim/MarkService.h"
#include "tests/faults/Rig.h"

namespace veldrant::faults {

class MarkRig : public Rig {
public:
    explicit MarkRig(std::chrono::milliseconds timeout = kAnsweringTimeout);

    void Run(SeenHost& host) override;
    std::string ExpectSuccess(const Seen& seen) override;

    // A clean run; returns every request it made.
    std::vector<SentRequest> Probe();

    size_t SetCount() const { return data_.sets.size(); }
    // The file the last press wrote ("" when the save dialog was never reached).
    const std::string& LastPath() const { return lastPath_; }
    std::optional<std::string> LastFile() const;
    marks::StartOutcome LastStart() const { return lastStart_; }
    const marks::ImportResult& LastResult() const { return lastResult_; }

    // The byte order mark and the lines of the given sets, with the whole score data, or with
    // the first `scoreBytes` bytes of it (zeros past its end) when given.
    // The note when no set reached the file (and so no file was made).
    SeenMessage NothingWrittenNote(size_t unread) const;
    std::string FileOf(const std::vector<size_t>& sets,
                       std::optional<size_t> scoreBytes = std::nullopt) const;
    // The closing note of a run in which `unread` of the sets could not be read.
    SeenMessage MissingSetsNote(size_t unread) const;
    // The mark set a request belongs to, from the log of a run (nullopt: the press's own
    // requests 10 and 18).
    static std::optional<size_t> SetOf(const std::vector<SentRequest>& log, uint64_t exchange);

private:
    sim::MarkData data_;
    std::shared_ptr<sim::MarkService> service_;
    marks::MarkImport import_;
    int presses_ = 0;
    std::string lastPath_;
    marks::StartOutcome lastStart_ = marks::StartOutcome::Cancelled;
    marks::ImportResult lastResult_;
};

}  // namespace veldrant::faults
