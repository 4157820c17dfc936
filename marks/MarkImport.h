// The mark import: asks the watch how many mark sets it holds and whether it holds score data
// (the start, on the thread of the front end's button), then downloads every set and the score
// data and writes them as one mark CSV file (the worker). UI-neutral: the desktop page and the
// CLI drive the same steps through their operation host and show the same texts.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "devicelink/DeviceLink.h"
#include "marks/OutputSink.h"
#include "ops/OperationHost.h"

namespace veldrant::marks {

inline constexpr const char* kTextNoMarkData = "地点データがありません。";
// The bar's closing text when a mark set was lost on the way: the import failed.
inline constexpr const char* kTextSomeMarksLost = "一部の地点データを取り込めませんでした。";
// What a partial mark file is called beside the file it must not replace ("NAME.partial.csv").
inline constexpr const char* kPartialTag = "partial";
inline constexpr const char* kMarkFileNameFormat = "%04d%02d%02d_%02d%02d%02d_MARK.csv";

// Bounds on what the watch may claim. Its score table holds 500 records (256 000 bytes) and its
// memory far less than these; a length beyond them is a broken reply, and the set is skipped
// rather than a buffer of that size allocated.
inline constexpr uint32_t kMaxMarkSetBytes = 16u * 1024 * 1024;
inline constexpr uint32_t kMaxScoreBytes = 1024u * 1024;
inline constexpr uint32_t kMaxMarkSets = 10000;
// Tries each block gets: the second at once after a failed first.
inline constexpr int kMarkBlockTries = 2;

// The mark import's extra need of its front end: the save dialog.
class IMarkImportHost : public ops::IOperationHost {
public:
    // Asks where to write the file, offering `defaultName`; nullopt when the user cancels.
    virtual std::optional<std::string> ChooseOutputPath(const std::string& defaultName) = 0;
};

// The bar after block `block` (counted from 0) of `payload` bytes out of `length` (> 0) bytes:
// block·P·100 / length, worked out in 64 bits (never past 100).
int MarkBlockProgress(uint64_t block, uint32_t payload, uint32_t length);

// "YYYYMMDD_hhmmss_MARK.csv" from the local time `now`.
std::string DefaultMarkFileName(std::time_t now);

enum class StartOutcome {
    Ready,          // the path is chosen; run the worker next
    NotConnected,   // no watch: the connection hint was shown, nothing sent
    RequestFailed,  // request 10 or 18 failed (no message)
    NoMarkData,     // N = 0: the bar shows 100 and "地点データがありません。"
    TooManySets,    // the watch claims more sets than it can hold (message shown)
    Cancelled,      // the user cancelled the save dialog
};

enum class SetOutcome {
    Written,        // the set's lines are in the file
    NoMarks,        // the set holds no whole mark record; nothing written for it
    ReadFailed,     // request 11 failed
    TooLong,        // request 11 gave a length beyond kMaxMarkSetBytes
    BlockFailed,    // a block of the set or of the score data failed twice
    DeviceRemoved,  // the watch went away before a block ("Device removed!" shown)
    ScoreFailed,    // request 19 failed
    ScoreTooLong,   // request 19 gave a length beyond kMaxScoreBytes
    CutShort,       // the set ends inside a mark record: its whole records are in the file
    WriteFailed,    // writing the set's lines failed; the file is closed
    NotRead,        // never asked for: the file had already failed or the user stopped
    Stopped,        // the user asked to stop while the set was read
};

struct SetReport {
    uint32_t index = 0;
    SetOutcome outcome = SetOutcome::NotRead;
    uint32_t length = 0;       // c, as the watch gave it
    uint32_t scoreLength = 0;  // S, as the watch gave it (0 without score data)
    bool inFile = false;       // lines of the set reached the file
};

enum class RunOutcome {
    Done,  // every set written (or empty); "完了しました。"
    // Some sets were lost: what arrived is in the file, which replaced nothing (a file that was
    // at the chosen path is kept and the partial file written beside it); kTextSomeMarksLost and
    // a note.
    Incomplete,
    NothingWritten,  // no set could be written: no file made, an older one kept; a note says so
    CreateFailed,    // the file could not be created or was refused (message shown)
    WriteFailed,     // the file could not be written; an older one is kept (message shown)
    Stopped,         // the user asked to stop: no file made, an older one kept (no message)
};

struct ImportResult {
    RunOutcome outcome = RunOutcome::CreateFailed;
    std::string path;   // the file written (the chosen one, or the partial file beside it)
    std::string kept;   // the chosen file, left as it was, when a partial file went beside it
    std::string error;  // the file's failure, with the path and the system's reason
    std::vector<SetReport> sets;

    uint32_t Count(SetOutcome o) const;
    uint32_t Unread() const;  // sets missing from the file because the watch failed
    uint32_t Lost() const;    // sets missing from the file in part or whole: unread or cut short
};

class MarkImport {
public:
    explicit MarkImport(CDeviceLink& link) : link_(link) {}

    // The button press: requests 10 and 18, then the save dialog. Returns Ready when Run
    // should follow. The score indicator is kept from one press to the next.
    StartOutcome Start(IMarkImportHost& host);
    // The worker: starts the file beside the chosen path, downloads and writes every set, and
    // puts the file in place when at least one set was written. Holds the busy state from
    // start to end. Runs once after each Start that gave Ready (otherwise it does nothing and
    // gives CreateFailed).
    ImportResult Run(ops::IOperationHost& host);

    // Called with each set's bytes and its score bytes as downloaded, before they are written.
    using RawSetFn = std::function<void(uint32_t index, std::span<const uint8_t> set,
                                        std::span<const uint8_t> score)>;
    void SetRawObserver(RawSetFn fn) { raw_ = std::move(fn); }

    uint32_t MarkSetCount() const { return count_; }
    uint32_t ScoreIndicator() const { return scoreIndicator_; }
    const std::string& OutputPath() const { return path_; }

private:
    enum class Receive { Ok, Removed, Failed, Stopped };
    static Receive Removed(ops::IOperationHost& host);
    static SetOutcome Outcome(Receive r);
    Receive ReceiveBlocks(ops::IOperationHost& host, uint32_t length, std::vector<uint8_t>& buffer);
    SetReport ImportSet(ops::IOperationHost& host, uint32_t index, IOutputSink& sink);
    SetOutcome Download(ops::IOperationHost& host, SetReport& report, std::vector<uint8_t>& set,
                        std::vector<uint8_t>& score);
    void Finish(ops::IOperationHost& host, ImportResult& result, FileSink& sink);

    CDeviceLink& link_;
    uint32_t count_ = 0;           // N
    uint32_t scoreIndicator_ = 0;  // the last reply to request 18
    uint32_t scoreBytes_ = 0;      // the last reply to request 19
    std::string path_;
    bool ready_ = false;  // Start gave Ready and Run has not yet run
    RawSetFn raw_;
};

}  // namespace veldrant::marks
