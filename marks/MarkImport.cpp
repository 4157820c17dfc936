#include "marks/MarkImport.h"

#include <algorithm>
#include <cstdio>

#include "devicelink/Commands.h"

namespace veldrant::marks {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

void ShowError(ops::IOperationHost& host, const std::string& text) {
    host.ShowMessage(text, ops::kCaptionError, ops::MessageIcon::Error);
}

}  // namespace

std::string DefaultMarkFileName(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    char name[64];
    std::snprintf(name, sizeof name, kMarkFileNameFormat, local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return name;
}

uint32_t ImportResult::Count(SetOutcome o) const {
    return static_cast<uint32_t>(std::count_if(sets.begin(), sets.end(),
                                               [o](const SetReport& s) { return s.outcome == o; }));
}

uint32_t ImportResult::Unread() const {
    return static_cast<uint32_t>(sets.size()) - Count(SetOutcome::Written) -
           Count(SetOutcome::NoMarks) - Count(SetOutcome::WriteFailed) -
           Count(SetOutcome::NotRead) - Count(SetOutcome::Stopped) - Count(SetOutcome::CutShort);
}

uint32_t ImportResult::Lost() const {
    return Unread() + Count(SetOutcome::CutShort);
}

StartOutcome MarkImport::Start(IMarkImportHost& host) {
    ready_ = false;
    count_ = 0;
    host.SetProgressPos(0);
    host.SetProgressText("");
    if (!host.IsConnected()) {
        host.ShowMessage(ops::kTextCheckConnection, ops::kCaptionCheckConnection,
                         ops::MessageIcon::None);
        return StartOutcome::NotConnected;
    }
    // The watch reads nothing in these argument words; they carry the last replies as they
    // always have.
    link_.m_nCommand = CMD_MARK_COUNT;
    if (!link_.SendCommand(CMD_MARK_COUNT, 0, count_))
        return StartOutcome::RequestFailed;
    count_ = link_.ReplyWord();
    link_.m_nCommand = CMD_SCORE_INFO;
    if (!link_.SendCommand(CMD_SCORE_INFO, 0, scoreIndicator_))
        return StartOutcome::RequestFailed;
    scoreIndicator_ = link_.ReplyWord();

    if (count_ == 0) {
        host.SetProgressPos(100);
        host.SetProgressText(kTextNoMarkData);
        return StartOutcome::NoMarkData;
    }
    if (count_ > kMaxMarkSets) {
        ShowError(host, "The watch reports " + std::to_string(count_) +
                            " mark sets, more than it can hold. Nothing was imported; "
                            "reconnect the watch and try again.");
        return StartOutcome::TooManySets;
    }
    std::optional<std::string> path =
        host.ChooseOutputPath(DefaultMarkFileName(std::time(nullptr)));
    if (!path)
        return StartOutcome::Cancelled;
    path_ = *path;
    ready_ = true;
    return StartOutcome::Ready;
}

ImportResult MarkImport::Run(ops::IOperationHost& host) {
    ImportResult result;
    result.path = path_;
    if (!ready_) {
        result.error = "no mark import was started";
        return result;
    }
    ready_ = false;  // one run per press
    ops::BusyScope busy(host);
    std::unique_ptr<FileSink> sink = FileSink::Create(path_, &result.error);
    if (!sink) {
        ShowError(host, "The mark file could not be created: " + result.error);
        return result;
    }
    if (!sink->Write(kByteOrderMark) || !sink->Flush()) {
        result.outcome = RunOutcome::WriteFailed;
        result.error = sink->Error();
        ShowError(host, "The mark file could not be written: " + result.error);
        return result;
    }
    bool stopped = false;
    for (uint32_t a = 0; a < count_; ++a) {
        // Once the file has failed, or the user asked to stop, the remaining sets are not read.
        stopped = stopped || host.StopRequested();
        if (!sink->IsOpen() || stopped) {
            result.sets.push_back({a, SetOutcome::NotRead, 0, 0});
            continue;
        }
        result.sets.push_back(ImportSet(host, a, *sink));
        stopped = result.sets.back().outcome == SetOutcome::Stopped;
    }
    if (stopped) {
        // A stopped import is no import: the older file stays, the temporary one goes.
        sink->Abandon();
        result.outcome = RunOutcome::Stopped;
        return result;
    }
    Finish(host, result, *sink);
    return result;
}

void MarkImport::Finish(ops::IOperationHost& host, ImportResult& result, FileSink& sink) {
    // A file that failed, or that would hold no set, never replaces what was at the path; nor
    // does one that lost a set: it goes beside the file the user had.
    const bool anySet = std::any_of(result.sets.begin(), result.sets.end(),
                                    [](const SetReport& s) { return s.inFile; });
    const uint32_t lost = result.Lost();
    if (sink.IsOpen() && !anySet)
        sink.Abandon();
    const bool aside = sink.IsOpen() && lost > 0 && sink.Replaces();
    bool closed = !sink.IsOpen() ? sink.Error().empty()
                  : aside        ? sink.CloseAside(kPartialTag)
                                 : sink.Close();
    if (!closed) {
        result.outcome = RunOutcome::WriteFailed;
        result.error = sink.Error();
        ShowError(host, "The mark file could not be written: " + result.error + ". " + result.path +
                            " was left as it was.");
        return;
    }
    // A set lost on the way makes the import a failed one, whatever reached the file.
    host.SetProgressText(lost > 0 ? kTextSomeMarksLost : ops::kTextDone);
    const std::string total = std::to_string(result.sets.size());
    std::string missing;
    if (const uint32_t unread = result.Unread(); unread > 0)
        missing =
            std::to_string(unread) + " of " + total + " mark sets could not be read from the watch";
    if (const uint32_t cut = result.Count(SetOutcome::CutShort); cut > 0)
        missing += (missing.empty() ? "" : "; ") + std::to_string(cut) + " of " + total +
                   " mark sets came cut short, inside a mark record";
    if (!anySet) {
        result.outcome = RunOutcome::NothingWritten;
        ShowError(host,
                  (lost > 0 ? missing : std::string("No mark set on the watch holds a mark")) +
                      "; " + result.path + " was not written.");
        return;
    }
    if (lost == 0) {
        result.outcome = RunOutcome::Done;
        return;
    }
    result.outcome = RunOutcome::Incomplete;
    if (!aside) {
        ShowError(host, missing + (result.Count(SetOutcome::CutShort) > 0
                                       ? "; " + result.path + " holds what arrived."
                                       : " and are missing from " + result.path + "."));
        return;
    }
    result.kept = result.path;
    result.path = sink.Placed();
    ShowError(host, missing + ". " + result.kept +
                        " was left as it was; what arrived was written to " + result.path + ".");
}

}  // namespace veldrant::marks
