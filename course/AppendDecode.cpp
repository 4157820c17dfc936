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
    error.message = "append.kv1: " + std::move(message);
    return false;
}

bool ReadLinkEntry(std::span<const uint8_t> section, size_t e, size_t recordArea, LinkEntry& out,
                   DecodeError& error) {
    auto entry = section.subspan(L::kLinkEntries + e * L::kLinkEntrySize, L::kLinkEntrySize);
    out.golfCourseId = Le16(entry, 0);
    const size_t n = Le16(entry, 2);
    const uint32_t offset = Le32(entry, 4);
    const std::string which = "link entry " + std::to_string(e) + " (golf course " +
                              std::to_string(out.golfCourseId) + ")";
    if (n > L::kMaxLinkRecords) {
        return Damaged(error, which + " has " + std::to_string(n) + " link records (at most 255)");
    }
    if (!RangeFits(uint64_t{recordArea} + offset, n * L::kLinkRecordSize, section.size())) {
        return Damaged(error, "the records of " + which + " run past the link section");
    }
    auto records = section.subspan(recordArea + offset, n * L::kLinkRecordSize);
    out.records.resize(n);
    for (size_t r = 0; r < n; ++r) {
        auto b = records.subspan(r * L::kLinkRecordSize, L::kLinkRecordSize);
        LinkRecord& lr = out.records[r];
        lr.part1 = b[0];
        lr.part2 = b[1];
        lr.nameB = {b[2], b[3]};
        lr.nameA = {b[4], b[5]};
        lr.value = Le16(b, 6);
        lr.tail = {b[8], b[9]};
    }
    return true;
}

bool ReadLinkTable(std::span<const uint8_t> section, AppendData& out, DecodeError& error) {
    out.links.clear();
    if (section.size() < L::kLinkEntries) {
        return Damaged(error, "the link section is shorter than its 8-byte head");
    }
    const int32_t entries = LeS32(section, L::kLinkEntryCount);
    const uint32_t entryArea = Le32(section, L::kLinkEntryAreaSize);
    if (entries <= 0) {
        return true;
    }
    if (!RangeFits(L::kLinkEntries, uint64_t(entries) * L::kLinkEntrySize, section.size())) {
        return Damaged(error, std::to_string(entries) + " link entries run past the link section");
    }
    if (!RangeFits(L::kLinkEntries, entryArea, section.size())) {
        return Damaged(error, "the link record area lies past the link section");
    }
    const size_t recordArea = L::kLinkEntries + entryArea;
    out.links.resize(static_cast<size_t>(entries));
    for (size_t e = 0; e < out.links.size(); ++e) {
        if (!ReadLinkEntry(section, e, recordArea, out.links[e], error)) {
            return false;
        }
    }
    return true;
}

// Notes a deciphered section by its kind; the last section of each kind wins.
void NoteSection(uint32_t kind, std::span<const uint8_t> section, AppendData& out,
                 std::span<const uint8_t>& linkSection) {
    switch (kind) {
        case L::kSectionNameTableB:
            out.hasNameTableB = true;
            out.nameTableB = section;
            return;
        case L::kSectionNameTableA:
            out.hasNameTableA = true;
            out.nameTableA = section;
            return;
        case L::kSectionLinkTable:
            out.hasLinkTable = true;
            linkSection = section;
            return;
        default:
            return;
    }
}

}  // namespace

bool DecodeAppend(std::span<uint8_t> m, AppendData& out, DecodeError& error) {
    out = AppendData{};
    if (m.size() < L::kAppendDirectory) {
        return Damaged(
            error, "only " + std::to_string(m.size()) + " bytes, shorter than its 16-byte header");
    }
    const uint32_t format = Le32(m, L::kAppendFormat);
    if (format != L::kAppendFormatValue) {
        error = {ReadFailure::Format,
                 "append.kv1: format " + std::to_string(format) + ", this reader knows 1"};
        return false;
    }
    const size_t sections = Le16(m, L::kAppendSectionCount);
    const size_t directory = sections * L::kAppendDirectoryEntry + L::kAppendDirectoryTail;
    if (!RangeFits(L::kAppendDirectory, directory, m.size())) {
        return Damaged(error, "the directory of " + std::to_string(sections) +
                                  " sections runs past the end of the file");
    }
    const auto key = MemberKey(MemberKind::Append, m);
    Rc4FreshStreams fresh(key);
    fresh.Apply(m.subspan(L::kAppendDirectory, directory));
    size_t pos = L::kAppendDirectory + directory;
    std::span<const uint8_t> linkSection;
    for (size_t s = 0; s < sections; ++s) {
        auto entry =
            m.subspan(L::kAppendDirectory + s * L::kAppendDirectoryEntry, L::kAppendDirectoryEntry);
        const uint32_t kind = Le32(entry, L::kSectionKind);
        const uint32_t length = Le32(entry, L::kSectionLength);
        if (!RangeFits(pos, length, m.size())) {
            return Damaged(error, "section " + std::to_string(s) + " (kind " +
                                      std::to_string(kind) + ", " + std::to_string(length) +
                                      " bytes) runs past the end of the file");
        }
        auto section = m.subspan(pos, length);
        fresh.Apply(section);
        NoteSection(kind, section, out, linkSection);
        pos += length;
    }
    return !out.hasLinkTable || ReadLinkTable(linkSection, out, error);
}

const LinkEntry* AppendData::FindLinks(uint16_t golfCourseId) const {
    for (const LinkEntry& e : links) {
        if (e.golfCourseId == golfCourseId) {
            return &e;
        }
    }
    return nullptr;
}

}  // namespace veldrant::course
