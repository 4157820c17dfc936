// The lines of the mark CSV file. Each function appends one whole line, CR LF included, with every
// field in double quotes.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "marks/CsvText.h"
#include "marks/MarkLayout.h"

namespace veldrant::marks {

// "KVT2700": the first line of every set.
void AppendModelLine(std::string& out);
// "SESSIONn", the time of the session's first mark and its golf course name.
void AppendSessionLine(std::string& out, int session, const MarkRecordView& first,
                       FieldText& golfName);
// "MRK" and the column titles that follow every session line.
void AppendMarkHeadLines(std::string& out);
void AppendMarkLine(std::string& out, const MarkRecordView& mark, FieldText& golfName,
                    FieldText& courseName);
// "SCORE" with the time of day of the session's first mark.
void AppendScoreLine(std::string& out, MarkTime sessionTime);

// The same lines from what a mark CSV file gave back: names and tags already the inside of their
// quoted fields (QuotedFieldText), coordinates as the file wrote them.
void AppendSessionLine(std::string& out, int session, MarkTime first, std::string_view golfName);
struct MarkLineFields {
    int gcid = 0;
    std::string_view golfName;
    int cid = 0;
    std::string_view courseName;
    int hole = 0;
    MarkTime time;
    bool putt = false;
    std::string_view longitude, latitude;
};
void AppendMarkLine(std::string& out, const MarkLineFields& mark);
// A score line: the tag, the word and the 18 values after it.
void AppendPlayerLine(std::string& out, std::string_view tag, uint32_t word,
                      const std::array<int, 18>& values);

// A player slot with no tag and nothing in its tables holds no player.
bool IsEmptyPlayerSlot(const ScoreRecordView& record, int player);
// One player's line for holes 1-9 (backNine false) or 10-18; player 0..3.
void AppendPlayerLine(std::string& out, const ScoreRecordView& record, int player, bool backNine);

}  // namespace veldrant::marks
