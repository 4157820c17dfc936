// Pieces every export writes: numbers in the C locale, escaped text and UTC times.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rounds/Round.h"

namespace veldrant::rounds::text {

// Fixed point with `places` digits after ".", whatever the process's locale.
void AppendFixed(std::string& out, double value, int places);
void AppendInt(std::string& out, long long value);

// The texts come from the reader, which takes UTF-8 only.
// Text for XML character data and attribute values: &, <, >, " escaped; characters XML 1.0 does
// not allow (controls other than tab, LF and CR) become U+FFFD.
void AppendXml(std::string& out, std::string_view utf8);
// A JSON string with its quotes.
void AppendJsonString(std::string& out, std::string_view utf8);

// "2016-05-03T00:15:30Z" for the watch's local time less the offset; nothing (false) when the
// watch's time is not a calendar time.
bool AppendUtc(std::string& out, const LocalTime& local, int utcOffsetMinutes);
std::optional<std::string> UtcText(const LocalTime& local, int utcOffsetMinutes);

// What sets a round apart in names, one per round of the file in its order: the round's date,
// "2016-05-03", and its number after it, "2016-05-03 R4", when the file holds another round of
// that date. A file of many rounds then has no two marks of the same name.
std::vector<std::string> RoundTags(const RoundFile& file);

// "2016-05-03 H3 S2": the round's tag, hole 3, the hole's second mark.
void AppendMarkName(std::string& out, std::string_view roundTag, const Hole& hole, size_t index);
std::string MarkName(std::string_view roundTag, const Hole& hole, size_t index);
// "2016-05-03 H3"
std::string HoleName(std::string_view roundTag, const Hole& hole);

// "2016-05-03T08:15:30": the watch's own time, whatever its fields hold.
void AppendLocalTime(std::string& out, const LocalTime& local);

// Room for a document of this many marks, so that it grows without copies.
size_t ExpectedBytes(const RoundFile& file, size_t perMark);
// "shot" or "putt"
std::string_view KindText(MarkKind kind);

// The mark as a person reads it: "shot, 230.50 m (252.08 yd)", "putt", "outlier: no distance".
std::string MarkSummary(const Mark& mark);
void AppendMarkSummary(std::string& out, const Mark& mark);

}  // namespace veldrant::rounds::text
