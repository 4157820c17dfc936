// The link data of a course image: the distinct name references of the golf course's link
// records in first-seen order, their texts in the pool, and the records rewritten to positions.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "course/Bytes.h"
#include "course/CourseImages.h"
#include "course/ImageBuild.h"
#include "course/ImageLayout.h"
#include "course/PackageLayout.h"

namespace veldrant::course {

namespace I = image;

namespace {

struct NameList {
    const char* table;  // "A" or "B"
    size_t limit;
    std::vector<uint8_t> values;  // first-seen order

    uint8_t Position(uint8_t v) const {
        return static_cast<uint8_t>(std::find(values.begin(), values.end(), v) - values.begin());
    }
    void Note(uint8_t v) {
        if (std::find(values.begin(), values.end(), v) == values.end()) {
            values.push_back(v);
        }
    }
};

// The text of entry `v` of a name table: from the entry's byte 2 to its NUL.
bool NameText(std::span<const uint8_t> table, bool present, const NameList& list, uint8_t v,
              std::string_view& text, std::string& error) {
    const std::string which = std::string("name table ") + list.table;
    if (!present) {
        error = "its link records refer to " + which + ", which the append file lacks";
        return false;
    }
    const size_t entries = table.size() / layout::kNameEntrySize;
    if (v >= entries) {
        error = "its link records refer to entry " + std::to_string(v) + " of " + which +
                ", which has " + std::to_string(entries) + " entries";
        return false;
    }
    auto field = table.subspan(v * layout::kNameEntrySize + layout::kNameEntryText,
                               layout::kNameEntrySize - layout::kNameEntryText);
    auto nul = std::find(field.begin(), field.end(), uint8_t{0});
    if (nul == field.end()) {
        error = "entry " + std::to_string(v) + " of " + which + " has no NUL";
        return false;
    }
    text = std::string_view(reinterpret_cast<const char*>(field.data()),
                            static_cast<size_t>(nul - field.begin()));
    return true;
}

bool WriteNames(const NameList& list, std::span<const uint8_t> table, bool present, size_t countAt,
                size_t offsetAt, CourseImageWriter& w, StringPool& pool) {
    if (list.values.size() > list.limit) {
        return w.Fail("its link records name " + std::to_string(list.values.size()) +
                      " distinct texts of name table " + list.table + " (at most " +
                      std::to_string(list.limit) + " fit)");
    }
    std::vector<uint8_t> offsets(2 * list.values.size());
    for (size_t k = 0; k < list.values.size(); ++k) {
        std::string_view text;
        std::string error;
        uint16_t at = 0;
        if (!NameText(table, present, list, list.values[k], text, error)) {
            return w.Fail(error);
        }
        if (!pool.Add(text, at)) {
            return w.Fail(StringPool::Overflow());
        }
        PutLe16(offsets, 2 * k, at);
    }
    w.img[countAt] = static_cast<uint8_t>(list.values.size());
    PutLe16(w.img, offsetAt, static_cast<uint16_t>(w.size));
    return w.Put(offsets);
}

}  // namespace

bool WriteLinks(uint16_t id, const AppendData& append, CourseImageWriter& w, StringPool& pool) {
    const LinkEntry* entry = append.FindLinks(id);
    if (!entry || entry->records.empty()) {
        return true;
    }
    NameList a{"A", kMaxNameATexts, {}};
    NameList b{"B", kMaxNameBTexts, {}};
    for (const LinkRecord& r : entry->records) {
        a.Note(r.nameA[0]);
        a.Note(r.nameA[1]);
    }
    for (const LinkRecord& r : entry->records) {
        b.Note(r.nameB[0]);
        b.Note(r.nameB[1]);
    }
    if (!WriteNames(a, append.nameTableA, append.hasNameTableA, I::kNameACount, I::kNameAOffset, w,
                    pool) ||
        !WriteNames(b, append.nameTableB, append.hasNameTableB, I::kNameBCount, I::kNameBOffset, w,
                    pool)) {
        return false;
    }
    w.img[I::kLinkCount] = static_cast<uint8_t>(entry->records.size());
    PutLe16(w.img, I::kLinkOffset, static_cast<uint16_t>(w.size));
    for (const LinkRecord& r : entry->records) {
        std::array<uint8_t, I::kLinkRecord> out{};
        out[0] = static_cast<uint8_t>(r.part1 - 1);
        out[1] = static_cast<uint8_t>(r.part2 - 1);
        out[2] = a.Position(r.nameA[0]);
        out[3] = a.Position(r.nameA[1]);
        out[4] = b.Position(r.nameB[0]);
        out[5] = b.Position(r.nameB[1]);
        PutLe16(out, 6, r.value);
        out[8] = r.tail[0];
        out[9] = r.tail[1];
        if (!w.Put(out)) {
            return false;
        }
    }
    return true;
}

}  // namespace veldrant::course
