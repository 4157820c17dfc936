// The worker's part per mark set: request 11 and the set's blocks, request 19 and the score
// blocks, then the export.
#include <algorithm>

#include "devicelink/Commands.h"
#include "marks/MarkExport.h"
#include "marks/MarkImport.h"

namespace veldrant::marks {
int MarkBlockProgress(uint64_t block, uint32_t payload, uint32_t length) {
    uint64_t percent = block * payload * 100 / length;
    return static_cast<int>(std::min<uint64_t>(percent, 100));
}

MarkImport::Receive MarkImport::Removed(ops::IOperationHost& host) {
    host.ShowMessage(ops::kTextDeviceRemoved, ops::kCaptionError, ops::MessageIcon::Error);
    return Receive::Removed;
}

MarkImport::Receive MarkImport::ReceiveBlocks(ops::IOperationHost& host, uint32_t length,
                                              std::vector<uint8_t>& buffer) {
    const uint32_t payload = link_.m_dwHIDPacketSize;
    if (payload == 0)
        return Receive::Failed;
    const uint64_t blocks = (uint64_t{length} + payload - 1) / payload;
    buffer.assign(blocks * payload, 0);
    host.SetProgressPos(0);
    for (uint64_t i = 0; i < blocks; ++i) {
        if (!host.IsConnected())
            return Removed(host);
        if (host.StopRequested())
            return Receive::Stopped;
        // A watch reconnected with another report size would overrun the buffer.
        if (link_.m_dwHIDPacketSize != payload)
            return Receive::Failed;
        uint8_t* dest = buffer.data() + i * payload;
        bool ok = false;
        for (int attempt = 0; attempt < kMarkBlockTries && !ok; ++attempt) {
            ok = link_.RequestBlock(dest, static_cast<uint32_t>(i), payload) != 0;
        }
        // The removal notice can land while a block is under way: say so rather than drop
        // the set without a word.
        if (!ok)
            return host.IsConnected() ? Receive::Failed : Removed(host);
        // The bar shows the share received before this block: 0 after block 0.
        host.SetProgressPos(MarkBlockProgress(i, payload, length));
    }
    host.SetProgressPos(100);
    return Receive::Ok;
}

SetOutcome MarkImport::Outcome(Receive r) {
    switch (r) {
        case Receive::Removed:
            return SetOutcome::DeviceRemoved;
        case Receive::Stopped:
            return SetOutcome::Stopped;
        default:
            return SetOutcome::BlockFailed;
    }
}

SetOutcome MarkImport::Download(ops::IOperationHost& host, SetReport& report,
                                std::vector<uint8_t>& set, std::vector<uint8_t>& score) {
    link_.m_nCommand = CMD_MARK_READ;
    if (!link_.SendCommand(CMD_MARK_READ, report.index))
        return SetOutcome::ReadFailed;
    report.length = link_.ReplyWord();
    if (report.length > kMaxMarkSetBytes)
        return SetOutcome::TooLong;
    const std::string set_of =
        "mark set " + std::to_string(report.index + 1) + " of " + std::to_string(count_);
    host.SetProgressLabel(set_of);
    Receive r = ReceiveBlocks(host, report.length, set);
    if (r != Receive::Ok)
        return Outcome(r);

    score.clear();
    if (scoreIndicator_ == 0) {
        scoreBytes_ = 0;  // no score data: this set's S is 0
        return SetOutcome::Written;
    }
    // The score data is fetched again for every set, so each set sees all of it.
    link_.m_nCommand = CMD_SCORE_READ;
    if (!link_.SendCommand(CMD_SCORE_READ, 0, scoreBytes_))
        return SetOutcome::ScoreFailed;
    scoreBytes_ = link_.ReplyWord();
    report.scoreLength = scoreBytes_;
    if (scoreBytes_ > kMaxScoreBytes)
        return SetOutcome::ScoreTooLong;
    host.SetProgressLabel("score data (" + set_of + ")");
    r = ReceiveBlocks(host, scoreBytes_, score);
    if (r != Receive::Ok)
        return Outcome(r);
    return SetOutcome::Written;
}

SetReport MarkImport::ImportSet(ops::IOperationHost& host, uint32_t index, IOutputSink& sink) {
    SetReport report;
    report.index = index;
    std::vector<uint8_t> set;
    std::vector<uint8_t> score;
    report.outcome = Download(host, report, set, score);
    if (report.outcome != SetOutcome::Written)
        return report;  // an abandoned set writes nothing

    std::span<const uint8_t> setBytes(set.data(), report.length);
    std::span<const uint8_t> scoreBytes(score.data(), score.empty() ? 0 : report.scoreLength);
    if (raw_)
        raw_(index, setBytes, scoreBytes);
    switch (ExportMarkSet(setBytes, scoreBytes, sink)) {
        case ExportResult::Written:
            report.inFile = true;
            break;
        case ExportResult::NoMarks:
            report.outcome = SetOutcome::NoMarks;
            break;
        case ExportResult::WriteFailed:
            report.outcome = SetOutcome::WriteFailed;
            return report;
    }
    if (CutShortAt(setBytes))
        report.outcome = SetOutcome::CutShort;
    // Each set reaches the file before the next is read, so a full disk shows at once.
    if (!sink.Flush())
        report.outcome = SetOutcome::WriteFailed;
    return report;
}

}  // namespace veldrant::marks
