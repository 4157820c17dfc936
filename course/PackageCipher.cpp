// Enciphering members in clear: the reader's streams, with every range read from the member
// before any byte of it changes.
#include <string>
#include <vector>

#include "course/Bytes.h"
#include "course/CipherKeys.h"
#include "course/PackageLayout.h"
#include "course/PackageWriter.h"
#include "course/Rc4.h"

namespace veldrant::course {

namespace L = layout;

namespace {

struct Range {
    uint64_t offset;
    uint64_t length;
};

// The part of a range that lies inside the member.
std::span<uint8_t> Clip(std::span<uint8_t> m, Range r) {
    if (r.offset >= m.size()) {
        return {};
    }
    const uint64_t room = m.size() - r.offset;
    return m.subspan(static_cast<size_t>(r.offset),
                     static_cast<size_t>(r.length < room ? r.length : room));
}

bool EndsWith(const std::string& s, const std::string& tail) {
    if (s.size() < tail.size()) {
        return false;
    }
    for (size_t i = 0; i < tail.size(); ++i) {
        const char c = s[s.size() - tail.size() + i];
        if ((c >= 'A' && c <= 'Z' ? c + 32 : c) != tail[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

void EncipherIndex(std::span<uint8_t> m) {
    if (m.size() < L::kIndexHeaderSize) {
        return;
    }
    const uint64_t n = Le32(m, L::kIndexCourseCount);
    const Range table{Le32(m, L::kIndexCourseTable), n * L::kCourseRecordSize};
    const Range areas{Le32(m, L::kIndexAreaTable),
                      uint64_t{Le32(m, L::kIndexAreaCount)} * L::kAreaRecordSize};
    const uint64_t dataArea = Le32(m, L::kIndexDataArea);
    std::vector<Range> blocks;
    auto records = Clip(m, table);
    for (size_t at = 0; at + L::kCourseRecordSize <= records.size(); at += L::kCourseRecordSize) {
        blocks.push_back({dataArea + Le32(records, at + L::kRecordBlockOffset),
                          Le32(records, at + L::kRecordBlockLength)});
    }
    const auto key = MemberKey(MemberKind::Index, m);
    Rc4 stream(key);
    stream.Apply(m.subspan(L::kIndexStreamStart, L::kIndexHeaderSize - L::kIndexStreamStart));
    stream.Apply(Clip(m, table));
    Rc4FreshStreams fresh(key);
    fresh.Apply(Clip(m, areas));
    for (const Range& b : blocks) {
        fresh.Apply(Clip(m, b));
    }
}

void EncipherAppend(std::span<uint8_t> m) {
    if (m.size() < L::kAppendDirectory) {
        return;
    }
    const uint64_t sections = Le16(m, L::kAppendSectionCount);
    const Range directory{L::kAppendDirectory,
                          sections * L::kAppendDirectoryEntry + L::kAppendDirectoryTail};
    std::vector<Range> parts;
    uint64_t pos = directory.offset + directory.length;
    auto entries = Clip(m, directory);
    for (uint64_t s = 0; s < sections && (s + 1) * L::kAppendDirectoryEntry <= entries.size();
         ++s) {
        const uint32_t length = Le32(entries, s * L::kAppendDirectoryEntry + L::kSectionLength);
        parts.push_back({pos, length});
        pos += length;
    }
    const auto key = MemberKey(MemberKind::Append, m);
    Rc4FreshStreams fresh(key);
    fresh.Apply(Clip(m, directory));
    for (const Range& p : parts) {
        fresh.Apply(Clip(m, p));
    }
}

void EncipherPictures(std::span<uint8_t> m) {
    if (m.size() < L::kPictureTable) {
        return;
    }
    const uint64_t slots = uint64_t{Le16(m, L::kPictureItemCount)} * L::kPictureEntriesPerItem;
    const Range table{L::kPictureTable, slots * L::kPictureEntrySize};
    std::vector<Range> records;
    uint64_t pos = table.offset + table.length;
    auto entries = Clip(m, table);
    for (uint64_t e = 0; (e + 1) * L::kPictureEntrySize <= entries.size(); ++e) {
        const uint32_t length = Le32(entries, e * L::kPictureEntrySize + L::kPictureEntryLength);
        records.push_back({pos, length});
        pos += length;
    }
    const auto key = MemberKey(MemberKind::Picture, m);
    Rc4 stream(key);
    stream.Apply(m.subspan(L::kPictureItemCount, 2));
    stream.Apply(Clip(m, table));
    Rc4FreshStreams fresh(key);
    for (const Range& r : records) {
        fresh.Apply(Clip(m, r));
    }
}

void EncipherMembers(std::vector<ZipMember>& members) {
    for (ZipMember& m : members) {
        if (EndsWith(m.name, ".dat")) {
            EncipherIndex(m.bytes);
        } else if (EndsWith(m.name, ".kv1")) {
            EncipherAppend(m.bytes);
        } else if (EndsWith(m.name, ".k16")) {
            EncipherPictures(m.bytes);
        }
    }
}

}  // namespace veldrant::course
