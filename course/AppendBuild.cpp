// The append file and the picture files in clear.
#include <algorithm>

#include "course/Bytes.h"
#include "course/MemberBuild.h"
#include "course/PackageLayout.h"
#include "platform/CodePage.h"

namespace veldrant::course {

namespace L = layout;

namespace {

std::vector<uint8_t> NameTable(const std::vector<std::string>& names) {
    std::vector<uint8_t> out(names.size() * L::kNameEntrySize, 0);
    for (size_t e = 0; e < names.size(); ++e) {
        const std::string text = platform::Utf8ToCp932(names[e]);
        const size_t room = L::kNameEntrySize - L::kNameEntryText - 1;
        std::copy_n(text.begin(), std::min(text.size(), room),
                    out.begin() + e * L::kNameEntrySize + L::kNameEntryText);
    }
    return out;
}

std::vector<uint8_t> LinkTable(const PackageDescription& d) {
    std::vector<const GolfCourseDescription*> linked;
    for (const GolfCourseDescription& g : d.golfCourses) {
        if (g.links) {
            linked.push_back(&g);
        }
    }
    std::vector<uint8_t> out;
    AppendLe32(out, static_cast<uint32_t>(linked.size()));
    AppendLe32(out, static_cast<uint32_t>(linked.size() * L::kLinkEntrySize));
    uint32_t offset = 0;
    for (const GolfCourseDescription* g : linked) {
        AppendLe16(out, g->id);
        AppendLe16(out, static_cast<uint16_t>(g->links->size()));
        AppendLe32(out, offset);
        offset += static_cast<uint32_t>(g->links->size() * L::kLinkRecordSize);
    }
    for (const GolfCourseDescription* g : linked) {
        for (const LinkDescription& r : *g->links) {
            out.insert(out.end(),
                       {r.part1, r.part2, r.nameB[0], r.nameB[1], r.nameA[0], r.nameA[1]});
            AppendLe16(out, r.value);
            out.insert(out.end(), {r.tail[0], r.tail[1]});
        }
    }
    return out;
}

}  // namespace

void PutSalt(std::vector<uint8_t>& member, uint8_t kind) {
    // FNV-1a over the member's bytes after the salt.
    uint64_t h = 0xcbf29ce484222325ull ^ kind;
    for (size_t i = 8; i < member.size(); ++i) {
        h = (h ^ member[i]) * 0x100000001b3ull;
    }
    for (size_t i = 0; i < 8 && i < member.size(); ++i) {
        member[i] = static_cast<uint8_t>(h >> (8 * i));
    }
}

std::vector<uint8_t> BuildAppendMember(const PackageDescription& d) {
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> sections;
    if (!d.nameTableB.empty()) {
        sections.emplace_back(L::kSectionNameTableB, NameTable(d.nameTableB));
    }
    if (!d.nameTableA.empty()) {
        sections.emplace_back(L::kSectionNameTableA, NameTable(d.nameTableA));
    }
    const bool anyLinks = std::any_of(d.golfCourses.begin(), d.golfCourses.end(),
                                      [](const auto& g) { return g.links.has_value(); });
    if (d.linkSection.value_or(anyLinks)) {
        sections.emplace_back(L::kSectionLinkTable, LinkTable(d));
    }
    std::vector<uint8_t> out(L::kAppendDirectory, 0);
    PutLe16(out, L::kAppendSectionCount, static_cast<uint16_t>(sections.size()));
    PutLe32(out, L::kAppendFormat, L::kAppendFormatValue);
    for (const auto& [kind, bytes] : sections) {
        AppendLe32(out, kind);
        AppendLe32(out, 0);
        AppendLe32(out, static_cast<uint32_t>(bytes.size()));
        AppendLe32(out, 0);
    }
    AppendLe32(out, 0);  // the directory's tail
    for (const auto& section : sections) {
        out.insert(out.end(), section.second.begin(), section.second.end());
    }
    PutSalt(out, 0x41);
    return out;
}

}  // namespace veldrant::course
