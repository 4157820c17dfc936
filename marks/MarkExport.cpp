#include "marks/MarkExport.h"

#include <algorithm>
#include <bitset>
#include <optional>
#include <string>

#include "marks/MarkLines.h"

namespace veldrant::marks {
namespace {

// Finds the next mark record at or after `offset`: MARK blocks are skipped, a first word of 0
// ends the data, and so does a block that the set's end cuts off.
std::optional<size_t> NextRecord(std::span<const uint8_t> set, size_t offset) {
    while (offset + 4 <= set.size()) {
        uint32_t word = LoadU32(set.data() + offset);
        if (word == kEndWord)
            return std::nullopt;
        if (word == kMarkWord) {
            offset += kMarkBlockSize;
            continue;
        }
        if (set.size() - offset < kMarkRecordSize)
            return std::nullopt;
        return offset;
    }
    return std::nullopt;
}

}  // namespace

std::optional<size_t> CutShortAt(std::span<const uint8_t> set) {
    size_t offset = 0;
    while (offset < set.size()) {
        if (set.size() - offset < 4)
            return offset;
        const uint32_t word = LoadU32(set.data() + offset);
        if (word == kEndWord)
            return std::nullopt;
        const size_t block = word == kMarkWord ? kMarkBlockSize : kMarkRecordSize;
        if (set.size() - offset < block)
            return offset;
        offset += block;
    }
    return std::nullopt;
}

bool BeginsWithMarkBlock(std::span<const uint8_t> set) {
    return set.size() >= kMarkBlockSize && LoadU32(set.data()) == kMarkWord;
}

namespace {

class SetExporter {
public:
    SetExporter(std::span<const uint8_t> score, IOutputSink& sink)
        : records_(std::min(score.size() / kScoreRecordSize, kMaxScoreRecords)),
          score_(score),
          sink_(sink) {
        line_.reserve(512);
    }

    ExportResult Run(std::span<const uint8_t> set);

private:
    bool Emit() {
        bool ok = sink_.Write(line_);
        line_.clear();
        return ok;
    }
    bool WriteSessionHead(int session, const MarkRecordView& first);
    bool WriteScoreSection(MarkTime sessionTime, uint16_t golfCourse);
    bool WriteRecordLines(const ScoreRecordView& record);

    size_t records_;
    std::span<const uint8_t> score_;
    IOutputSink& sink_;
    std::bitset<kMaxScoreRecords> used_;
    std::string line_;
    FieldText golfName_;
    FieldText courseName_;
    FieldText sessionName_;
};

ExportResult SetExporter::Run(std::span<const uint8_t> set) {
    std::optional<size_t> at = NextRecord(set, 0);
    if (!at)
        return ExportResult::NoMarks;

    MarkRecordView first{set.data() + *at};
    AppendModelLine(line_);
    if (!Emit() || !WriteSessionHead(1, first))
        return ExportResult::WriteFailed;

    MarkTime sessionTime = first.Time();
    uint16_t golfCourse = first.Gcid();
    int nextSession = 2;
    for (; at; at = NextRecord(set, *at + kMarkRecordSize)) {
        MarkRecordView mark{set.data() + *at};
        if (mark.Time().DateKey() != sessionTime.DateKey() || mark.Gcid() != golfCourse) {
            if (!WriteScoreSection(sessionTime, golfCourse))
                return ExportResult::WriteFailed;
            if (!WriteSessionHead(nextSession, mark))
                return ExportResult::WriteFailed;
            ++nextSession;
            sessionTime = mark.Time();
        }
        AppendMarkLine(line_, mark, golfName_, courseName_);
        if (!Emit())
            return ExportResult::WriteFailed;
        golfCourse = mark.Gcid();
    }
    if (!WriteScoreSection(sessionTime, golfCourse))
        return ExportResult::WriteFailed;
    return ExportResult::Written;
}

bool SetExporter::WriteSessionHead(int session, const MarkRecordView& first) {
    AppendSessionLine(line_, session, first, sessionName_);
    if (!Emit())
        return false;
    AppendMarkHeadLines(line_);
    return Emit();
}

bool SetExporter::WriteScoreSection(MarkTime sessionTime, uint16_t golfCourse) {
    bool scoreLineWritten = false;
    for (size_t k = 0; k < records_; ++k) {
        ScoreRecordView record{score_.data() + k * kScoreRecordSize};
        if (record.DateKey() != sessionTime.DateKey() || record.Gcid() != golfCourse)
            continue;
        // A record gives its SCORE line to the first session of the set that it matches; its
        // player lines follow every session it matches.
        if (!scoreLineWritten && !used_[k]) {
            used_[k] = true;
            AppendScoreLine(line_, sessionTime);
            if (!Emit())
                return false;
            scoreLineWritten = true;
        }
        if (!WriteRecordLines(record))
            return false;
    }
    return true;
}

bool SetExporter::WriteRecordLines(const ScoreRecordView& record) {
    for (int player = 0; player < kPlayers; ++player) {
        if (IsEmptyPlayerSlot(record, player))
            continue;
        for (bool backNine : {false, true}) {
            AppendPlayerLine(line_, record, player, backNine);
            if (!Emit())
                return false;
        }
    }
    return true;
}

}  // namespace

ExportResult ExportMarkSet(std::span<const uint8_t> set, std::span<const uint8_t> score,
                           IOutputSink& sink) {
    if (!sink.IsOpen())
        return ExportResult::WriteFailed;
    SetExporter exporter(score, sink);
    ExportResult result = exporter.Run(set);
    if (result == ExportResult::WriteFailed)
        sink.Close();
    return result;
}

std::string ExportMarkSetToString(std::span<const uint8_t> set, std::span<const uint8_t> score) {
    MemorySink sink;
    ExportMarkSet(set, score, sink);
    return sink.Data();
}

}  // namespace veldrant::marks
