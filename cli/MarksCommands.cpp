// veldrant-cli marks export / marks convert: the mark import from the watch into the mark CSV
// file, and the same CSV made offline from mark-set and score bytes saved earlier.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "cli/Command.h"
#include "cli/Connect.h"
#include "cli/LogbookAdd.h"
#include "cli/OutputFiles.h"
#include "cli/TerminalHost.h"
#include "marks/MarkExport.h"
#include "marks/MarkImport.h"
#include "marks/MarkLayout.h"
#include "marks/OutputSink.h"
#include "platform/File.h"
#include "platform/Interrupt.h"
#include "platform/SafeOutput.h"

namespace veldrant::cli {
namespace {

namespace fs = std::filesystem;

struct MarkArgs {
    std::optional<std::string> output;  // -o
    std::optional<std::string> rawDir;  // --raw (export)
    std::optional<std::string> score;   // --score (convert)
    std::vector<std::string> inputs;    // SET.bin... (convert)
    std::string logbook;                // --logbook (export)
    bool noLogbook = false;             // --no-logbook (export)
    bool verbose = false;
};

// -o FILE as given; -o DIR or nothing: the default name in that folder or the current one.
std::string OutputPath(const std::optional<std::string>& output) {
    std::string name = marks::DefaultMarkFileName(std::time(nullptr));
    if (!output)
        return name;
    std::error_code ec;
    if (fs::is_directory(platform::Utf8Path(*output), ec))
        return platform::PathUtf8(platform::Utf8Path(*output) / name);
    return *output;
}

bool ReadBounded(const std::string& path, uint32_t limit, std::vector<uint8_t>& bytes) {
    std::error_code ec;
    uintmax_t size = fs::file_size(platform::Utf8Path(path), ec);
    if (ec) {
        std::fprintf(stderr, "veldrant-cli: %s: %s\n", path.c_str(), ec.message().c_str());
        return false;
    }
    if (size > limit) {
        std::fprintf(stderr, "veldrant-cli: %s: %ju bytes, more than the watch can send (%u)\n",
                     path.c_str(), size, limit);
        return false;
    }
    std::ifstream in(platform::Utf8Path(path), std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (bytes.size() != size) {
        std::fprintf(stderr, "veldrant-cli: %s: cannot be read\n", path.c_str());
        return false;
    }
    return true;
}

int RunConvert(const MarkArgs& a) {
    std::vector<uint8_t> score;
    if (a.score && !ReadBounded(*a.score, marks::kMaxScoreBytes, score))
        return kExitFailure;
    if (score.size() % marks::kScoreRecordSize != 0) {
        std::fprintf(stderr,
                     "veldrant-cli: %s is not score data: its %zu bytes are not whole score "
                     "records of %zu bytes\n",
                     a.score->c_str(), score.size(), marks::kScoreRecordSize);
        return kExitFailure;
    }
    std::vector<std::vector<uint8_t>> sets(a.inputs.size());
    for (size_t i = 0; i < a.inputs.size(); ++i) {
        if (!ReadBounded(a.inputs[i], marks::kMaxMarkSetBytes, sets[i]))
            return kExitFailure;
        if (!marks::BeginsWithMarkBlock(sets[i])) {
            std::fprintf(stderr,
                         "veldrant-cli: %s is not a mark set: it does not begin with a MARK "
                         "block\n",
                         a.inputs[i].c_str());
            return kExitFailure;
        }
    }
    std::string path = OutputPath(a.output), error;
    std::unique_ptr<marks::FileSink> sink = marks::FileSink::Create(path, &error);
    if (!sink) {
        std::fprintf(stderr, "veldrant-cli: the mark file could not be created: %s\n",
                     error.c_str());
        return kExitFailure;
    }
    bool ok = sink->Write("\xEF\xBB\xBF");
    size_t written = 0;
    bool cutShort = false;
    for (size_t i = 0; ok && i < sets.size(); ++i) {
        marks::ExportResult r = marks::ExportMarkSet(sets[i], score, *sink);
        ok = r != marks::ExportResult::WriteFailed;
        written += r == marks::ExportResult::Written ? 1 : 0;
        if (std::optional<size_t> at = marks::CutShortAt(sets[i])) {
            cutShort = true;
            const bool markBlock = sets[i].size() - *at >= 4 &&
                                   marks::LoadU32(sets[i].data() + *at) == marks::kMarkWord;
            std::fprintf(stderr,
                         "veldrant-cli: %s is cut short: it ends %zu bytes into the %s at byte "
                         "%zu\n",
                         a.inputs[i].c_str(), sets[i].size() - *at,
                         markBlock ? "MARK block" : "mark record", *at);
        } else if (r == marks::ExportResult::NoMarks) {
            std::fprintf(stderr, "veldrant-cli: %s holds no whole mark record\n",
                         a.inputs[i].c_str());
        }
    }
    if (ok && written == 0) {
        // A file of three bytes would replace the old one for nothing.
        sink->Abandon();
        std::fprintf(stderr, "veldrant-cli: no mark set holds a mark; %s was not written\n",
                     path.c_str());
        return kExitFailure;
    }
    // What a cut-short set gave is partial: it never replaces a file the user had.
    const bool aside = cutShort && sink->Replaces();
    if (!ok || !(aside ? sink->CloseAside(marks::kPartialTag) : sink->Close())) {
        std::fprintf(stderr, "veldrant-cli: the mark file could not be written: %s\n",
                     sink->Error().c_str());
        return kExitFailure;
    }
    if (!cutShort) {
        std::printf("Mark data written to %s\n", AbsolutePath(path).c_str());
        return kExitOk;
    }
    std::fprintf(stderr, "veldrant-cli: partial mark data written to %s",
                 AbsolutePath(sink->Placed()).c_str());
    if (aside)
        std::fprintf(stderr, "; %s was left as it was", AbsolutePath(path).c_str());
    std::fprintf(stderr, "\n");
    return kExitFailure;
}

const CommandRegistration kConvert([](CommandLine& line) {
    auto a = std::make_shared<MarkArgs>();
    CLI::App& c = line.Add(
        {"marks convert", "SET.bin... [--score SCORE.bin] [-o FILE]",
         "turn saved mark-set and score bytes into the mark CSV file",
         "Writes the mark CSV file (UTF-8 with a byte order mark) from mark sets as the watch\n"
         "sends them (what 'marks export --raw DIR' saves as DIR/set000.bin, ...), in the order\n"
         "given, with the score data of SCORE.bin (DIR/score.bin). A file that does not begin\n"
         "with a MARK block, or score data that is not whole records of 512 bytes, is refused;\n"
         "when no set holds a mark, no file is written. A set that ends inside a mark record is\n"
         "cut short: its whole records are written as partial mark data, beside FILE as\n"
         "NAME.partial.csv when FILE exists (FILE is kept as it was).\n\n"
         "Exit status: 0 written, 1 an input is refused or cut short, or the file could not be\n"
         "written, 2 a bad command line."},
        [a] { return RunConvert(*a); });
    line.Input(c.add_option("SET.bin", a->inputs, "mark sets as the watch sends them")->required());
    line.Input(c.add_option("--score", a->score, "the score data (none: no score lines)")
                   ->type_name("SCORE.bin"));
    line.Output(c.add_option("-o,--output", a->output,
                             "where to write (a folder: the default name in it); default:\n"
                             "YYYYMMDD_hhmmss_MARK.csv from the local time, in the current folder")
                    ->type_name("FILE"));
});

// The terminal as the mark import's host: the save dialog's answer is fixed beforehand.
class CliMarkHost : public marks::IMarkImportHost {
public:
    CliMarkHost(TerminalHost& terminal, std::string path)
        : terminal_(terminal), path_(std::move(path)) {}
    void SetProgressPos(int percent) override { terminal_.SetProgressPos(percent); }
    void SetProgressText(const std::string& text) override { terminal_.SetProgressText(text); }
    void SetProgressLabel(const std::string& label) override { terminal_.SetProgressLabel(label); }
    void ShowMessage(const std::string& text, const std::string& caption,
                     ops::MessageIcon icon) override {
        terminal_.ShowMessage(text, caption, icon);
    }
    void SetOperationRunning(bool running) override { terminal_.SetOperationRunning(running); }
    bool IsConnected() override { return terminal_.IsConnected(); }
    bool StopRequested() override { return terminal_.StopRequested(); }
    std::optional<std::string> ChooseOutputPath(const std::string&) override { return path_; }

private:
    TerminalHost& terminal_;
    std::string path_;
};

const char* OutcomeText(marks::SetOutcome o) {
    switch (o) {
        case marks::SetOutcome::Written:
            return "written";
        case marks::SetOutcome::NoMarks:
            return "holds no whole mark record; nothing written";
        case marks::SetOutcome::ReadFailed:
            return "the watch did not answer the request for it";
        case marks::SetOutcome::TooLong:
            return "the watch gave a length longer than it can hold";
        case marks::SetOutcome::BlockFailed:
            return "a block failed twice";
        case marks::SetOutcome::DeviceRemoved:
            return "the watch was removed";
        case marks::SetOutcome::ScoreFailed:
            return "the watch did not answer the request for the score data";
        case marks::SetOutcome::ScoreTooLong:
            return "the watch gave a score data length longer than it can hold";
        case marks::SetOutcome::CutShort:
            return "cut short: it ends inside a mark record; its whole records were written";
        case marks::SetOutcome::WriteFailed:
            return "writing the file failed";
        case marks::SetOutcome::NotRead:
            return "not read, the file had failed";
        case marks::SetOutcome::Stopped:
            return "stopped";
    }
    return "?";
}

// Saves what the watch sent as DIR/set000.bin, ... and DIR/score.bin, as veldrant-sim --marks
// and marks convert read them.
class RawSaver {
public:
    explicit RawSaver(std::string dir) : dir_(std::move(dir)) {}
    bool Prepare() {
        std::error_code ec;
        fs::create_directories(platform::Utf8Path(dir_), ec);
        if (ec)
            Fail(dir_ + ": " + ec.message());
        return ok_;
    }
    void Save(uint32_t index, std::span<const uint8_t> set, std::span<const uint8_t> score) {
        char name[32];
        std::snprintf(name, sizeof name, "set%03u.bin", index);
        Write(platform::Utf8Path(dir_) / name, set);
        if (!score.empty() && !scoreSaved_)
            scoreSaved_ = Write(platform::Utf8Path(dir_) / "score.bin", score);
    }
    bool Ok() const { return ok_; }

private:
    bool Write(const fs::path& path, std::span<const uint8_t> bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out)
            Fail(platform::PathUtf8(path) + ": cannot be written");
        return static_cast<bool>(out);
    }
    void Fail(const std::string& why) {
        std::fprintf(stderr, "veldrant-cli: %s\n", why.c_str());
        ok_ = false;
    }
    std::string dir_;
    bool ok_ = true;
    bool scoreSaved_ = false;
};

// The start's outcomes that end the command; nullopt when the download should follow.
std::optional<int> StartExitCode(marks::StartOutcome outcome) {
    switch (outcome) {
        case marks::StartOutcome::Ready:
            return std::nullopt;
        case marks::StartOutcome::NotConnected:
            return kExitNoWatch;
        case marks::StartOutcome::RequestFailed:
            std::fprintf(stderr,
                         "veldrant-cli: the watch did not answer the request for its mark sets; "
                         "reconnect it and try again\n");
            return kExitFailure;
        case marks::StartOutcome::NoMarkData:
            std::printf("The watch holds no mark data; no file written.\n");
            return kExitOk;
        case marks::StartOutcome::TooManySets:
        case marks::StartOutcome::Cancelled:
            return kExitFailure;
    }
    return kExitFailure;
}

int Report(const marks::ImportResult& result, const RawSaver* raw) {
    for (const marks::SetReport& s : result.sets) {
        if (s.outcome == marks::SetOutcome::Written)
            continue;
        std::fprintf(stderr, "veldrant-cli: mark set %u of %zu: %s\n", s.index + 1,
                     result.sets.size(), OutcomeText(s.outcome));
    }
    if (result.outcome == marks::RunOutcome::CreateFailed ||
        result.outcome == marks::RunOutcome::WriteFailed ||
        result.outcome == marks::RunOutcome::NothingWritten) {
        return kExitFailure;
    }
    const uint32_t inFile =
        static_cast<uint32_t>(std::count_if(result.sets.begin(), result.sets.end(),
                                            [](const marks::SetReport& s) { return s.inFile; }));
    if (result.outcome == marks::RunOutcome::Incomplete) {
        std::printf("Partial mark data written to %s (%u of %zu mark sets)\n",
                    AbsolutePath(result.path).c_str(), inFile, result.sets.size());
        if (!result.kept.empty())
            std::printf("%s was left as it was\n", AbsolutePath(result.kept).c_str());
    } else {
        std::printf("Mark data written to %s (%u of %zu mark sets)\n",
                    AbsolutePath(result.path).c_str(), inFile, result.sets.size());
    }
    if (raw && !raw->Ok())
        return kExitFailure;
    return result.outcome == marks::RunOutcome::Done ? kExitOk : kExitFailure;
}

// The import was stopped: nothing was written, and a file that was there is as it was.
int Stopped(const std::string& path, bool existed) {
    std::fprintf(stderr, "veldrant-cli: the mark import was stopped; %s was not written%s.\n",
                 path.c_str(), existed ? " (the file of that name is as it was)" : "");
    return kExitInterrupted;
}

int RunExport(const MarkArgs& a) {
    std::optional<RawSaver> raw;
    if (a.rawDir && !raw.emplace(*a.rawDir).Prepare())
        return kExitFailure;

    WatchSession watch;
    watch.ShowDiscoveryLine(a.verbose);
    if (int code = watch.Open(); code != kExitOk)
        return code;
    TerminalHost terminal([&watch] { return watch.Connected(); });
    const std::string path = OutputPath(a.output);
    const bool existed = platform::KindOfPath(path) == platform::PathKind::File;
    CliMarkHost host(terminal, path);
    // Ctrl-C or SIGTERM: the import stops after the block under way and no file is made.
    platform::InterruptCatcher interrupts(
        false, "",
        "\nveldrant-cli: stopping after the block under way; " + path +
            (existed ? " is not touched.\n" : " will not be made.\n"));
    marks::MarkImport job(watch.Link());
    if (raw) {
        job.SetRawObserver([&raw](uint32_t i, std::span<const uint8_t> set,
                                  std::span<const uint8_t> score) { raw->Save(i, set, score); });
    }
    marks::StartOutcome start = job.Start(host);
    if (std::optional<int> code = StartExitCode(start)) {
        terminal.Finish();
        return *code;
    }
    if (platform::StopRequested()) {
        terminal.Finish();
        return Stopped(path, existed);
    }
    marks::ImportResult result = job.Run(host);
    terminal.Finish();
    if (result.outcome == marks::RunOutcome::Stopped)
        return Stopped(path, existed);
    int code = Report(result, raw ? &*raw : nullptr);
    // The CSV file is the import's result and is in place now; the logbook is a second copy.
    const bool written = result.outcome == marks::RunOutcome::Done ||
                         result.outcome == marks::RunOutcome::Incomplete;
    if (written && !a.noLogbook) {
        std::fflush(stdout);
        AddImportToLogbook(result.path, a.logbook);
    }
    return code;
}

const CommandRegistration kExport([](CommandLine& line) {
    auto a = std::make_shared<MarkArgs>();
    CLI::App& c = line.Add(
        {"marks export", "[-o FILE] [--raw DIR]",
         "import the marks and score cards from the watch into a CSV file",
         "Downloads every mark set and the score data from the connected watch and writes them\n"
         "as one mark CSV file (UTF-8 with a byte order mark). The file is written beside its\n"
         "place and put there at the end: a file of the same name is replaced only when every\n"
         "mark set arrived, and kept as it was when the import fails or is stopped with Ctrl-C.\n"
         "When a mark set is lost (the watch removed or not answering), what arrived is partial\n"
         "mark data: it is written beside an existing file as NAME.partial.csv (or\n"
         "NAME.partial-2.csv, ...) and the file is kept; without one it is written as FILE.\n\n"
         "The rounds of the file written then go into the logbook (see 'logbook add'), unless\n"
         "--no-logbook; a logbook that cannot take them is named with the reason and does not\n"
         "change the exit status.\n\n"
         "Exit status: 0 when every mark set is in the file, 1 when a set or the file failed,\n"
         "3 when no watch is connected, 130 when stopped by Ctrl-C."},
        [a] { return RunExport(*a); });
    c.add_option("-o,--output", a->output,
                 "where to write (a folder: the default name in it); default:\n"
                 "YYYYMMDD_hhmmss_MARK.csv from the local time, in the current folder")
        ->type_name("FILE");
    c.add_option("--raw", a->rawDir,
                 "also keep the bytes the watch sent: DIR/set000.bin, ... and DIR/score.bin\n"
                 "(for 'marks convert' and 'veldrant-sim --marks DIR')")
        ->type_name("DIR");
    c.add_flag("--no-logbook", a->noLogbook, "do not add the rounds to the logbook");
    AddLogbookOption(c, a->logbook);
    AddVerbose(c, a->verbose);
});

}  // namespace
}  // namespace veldrant::cli
