#include <algorithm>
#include <cstring>
#include <string>

#include "course/Bytes.h"
#include "course/CipherKeys.h"
#include "course/MemberDecode.h"
#include "course/PackageLayout.h"
#include "course/Rc4.h"

namespace veldrant::course {

namespace L = layout;

namespace {

bool Damaged(DecodeError& error, std::string message) {
    error.kind = ReadFailure::Damaged;
    error.message = "index4.dat: " + std::move(message);
    return false;
}

IndexHeader ReadHeader(std::span<const uint8_t> m) {
    IndexHeader h;
    std::copy_n(m.begin(), h.salt.size(), h.salt.begin());
    h.word1 = Le16(m, L::kIndexWord1);
    h.word2 = Le16(m, L::kIndexWord2);
    h.format = Le32(m, L::kIndexFormat);
    h.value3 = Le32(m, L::kIndexValue3);
    h.courseCount = Le32(m, L::kIndexCourseCount);
    h.recordSize = Le32(m, L::kIndexRecordSize);
    h.courseTableOffset = Le32(m, L::kIndexCourseTable);
    h.dataAreaOffset = Le32(m, L::kIndexDataArea);
    h.areaCount = Le32(m, L::kIndexAreaCount);
    h.areaTableOffset = Le32(m, L::kIndexAreaTable);
    return h;
}

CourseRecord ReadCourseRecord(std::span<const uint8_t> r) {
    CourseRecord c;
    for (size_t b = 0; b < c.bounds.size(); ++b) {
        c.bounds[b] = LeS32(r, L::kRecordBounds + 4 * b);
    }
    c.id = Le16(r, L::kRecordId);
    c.areaCode = r[L::kRecordArea];
    c.initialCode = r[L::kRecordInitial];
    c.blockOffset = Le32(r, L::kRecordBlockOffset);
    c.blockLength = Le32(r, L::kRecordBlockLength);
    return c;
}

bool ReadAreaRecord(std::span<const uint8_t> r, size_t number, AreaRecord& out,
                    DecodeError& error) {
    auto field = r.first(L::kAreaNameField);
    auto nul = std::find(field.begin(), field.end(), uint8_t{0});
    if (nul == field.end()) {
        return Damaged(error, "the name of area record " + std::to_string(number) +
                                  " is 50 bytes or longer (at most 49 fit)");
    }
    out.name.assign(field.begin(), nul);
    out.code = r[L::kAreaCode];
    out.value = Le16(r, L::kAreaValue);
    return true;
}

// Where course record `i`'s data block lies in the member, if it lies inside it.
bool BlockRange(const IndexHeader& h, const CourseRecord& c, size_t size, size_t i, size_t& start,
                DecodeError& error) {
    uint64_t at = uint64_t{h.dataAreaOffset} + c.blockOffset;
    if (!RangeFits(at, c.blockLength, size)) {
        return Damaged(error, "the data block of course record " + std::to_string(i) + " (" +
                                  std::to_string(c.blockLength) + " bytes at " +
                                  std::to_string(c.blockOffset) +
                                  ") lies outside the course data area");
    }
    start = static_cast<size_t>(at);
    return true;
}

// Steps 1 to 5 of reading the index: the header stream, the course table on the same stream,
// the area table and every data block on fresh streams.
// The header is the one the ranges were taken from; the tables are read with it afterwards.
bool Decipher(std::span<uint8_t> m, IndexHeader& h, DecodeError& error) {
    const auto key = MemberKey(MemberKind::Index, m);
    Rc4 stream(key);
    stream.Apply(m.subspan(L::kIndexStreamStart, L::kIndexHeaderSize - L::kIndexStreamStart));
    h = ReadHeader(m);
    if (h.format != L::kIndexFormatValue) {
        error = {ReadFailure::Format,
                 "index4.dat: format " + std::to_string(h.format) + ", this reader knows 2"};
        return false;
    }
    if (h.recordSize != L::kCourseRecordSize) {
        error = {ReadFailure::Format, "index4.dat: course records of " +
                                          std::to_string(h.recordSize) +
                                          " bytes, this reader knows 32"};
        return false;
    }
    const uint64_t tableBytes = uint64_t{h.courseCount} * L::kCourseRecordSize;
    if (!RangeFits(h.courseTableOffset, tableBytes, m.size())) {
        return Damaged(error, "the course table (" + std::to_string(h.courseCount) +
                                  " records at " + std::to_string(h.courseTableOffset) +
                                  ") runs past the end of the file");
    }
    stream.Apply(m.subspan(h.courseTableOffset, static_cast<size_t>(tableBytes)));
    const uint64_t areaBytes = uint64_t{h.areaCount} * L::kAreaRecordSize;
    if (!RangeFits(h.areaTableOffset, areaBytes, m.size())) {
        return Damaged(error, "the area table (" + std::to_string(h.areaCount) + " records at " +
                                  std::to_string(h.areaTableOffset) +
                                  ") runs past the end of the file");
    }
    Rc4FreshStreams fresh(key);
    fresh.Apply(m.subspan(h.areaTableOffset, static_cast<size_t>(areaBytes)));
    for (size_t i = 0; i < h.courseCount; ++i) {
        // Read the record now: a block deciphered before may have covered it.
        CourseRecord c = ReadCourseRecord(
            m.subspan(h.courseTableOffset + i * L::kCourseRecordSize, L::kCourseRecordSize));
        size_t start = 0;
        if (!BlockRange(h, c, m.size(), i, start, error)) {
            return false;
        }
        fresh.Apply(m.subspan(start, c.blockLength));
    }
    return true;
}

}  // namespace

bool DecodeIndex(std::span<uint8_t> m, IndexData& out, DecodeError& error) {
    out = IndexData{};
    if (m.size() < L::kIndexHeaderSize) {
        return Damaged(
            error, "only " + std::to_string(m.size()) + " bytes, shorter than its 128-byte header");
    }
    if (!Decipher(m, out.header, error)) {
        return false;
    }
    const IndexHeader& h = out.header;
    out.courses.reserve(h.courseCount);
    out.blocks.resize(h.courseCount);
    for (size_t i = 0; i < h.courseCount; ++i) {
        out.courses.push_back(ReadCourseRecord(
            m.subspan(h.courseTableOffset + i * L::kCourseRecordSize, L::kCourseRecordSize)));
        size_t start = 0;
        if (!BlockRange(h, out.courses[i], m.size(), i, start, error)) {
            return false;
        }
        std::string why;
        if (!ParseGolfCourseBlock(m.subspan(start, out.courses[i].blockLength), out.blocks[i],
                                  why)) {
            return Damaged(error, "course record " + std::to_string(i) + ": " + why);
        }
    }
    out.areas.resize(h.areaCount);
    for (size_t a = 0; a < h.areaCount; ++a) {
        auto record = m.subspan(h.areaTableOffset + a * L::kAreaRecordSize, L::kAreaRecordSize);
        if (!ReadAreaRecord(record, a, out.areas[a], error)) {
            return false;
        }
    }
    return true;
}

}  // namespace veldrant::course
