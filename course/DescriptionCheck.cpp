// The limits a description must keep so that the reader takes the package and the watch gets
// what was meant: sizes of texts in code page 932, counts that fit their fields, references
// that land inside the name tables, pictures whose rows match their width.
#include <set>
#include <string>

#include "course/CourseImages.h"
#include "course/PackageDescription.h"
#include "course/PackageLayout.h"
#include "platform/CodePage.h"

namespace veldrant::course {

namespace L = layout;

namespace {

bool Fail(std::string& error, std::string message) {
    error = std::move(message);
    return false;
}

// The text in code page 932, if it can be written there and fits `maxBytes`.
bool CheckText(const std::string& utf8, size_t maxBytes, const std::string& where,
               std::string& error) {
    const std::string cp932 = platform::Utf8ToCp932(utf8);
    if (platform::Cp932ToUtf8(cp932) != utf8) {
        return Fail(error, where + ": \"" + utf8 + "\" cannot be written in code page 932");
    }
    if (cp932.size() > maxBytes) {
        return Fail(error, where + ": " + std::to_string(cp932.size()) +
                               " bytes in code page 932, at most " + std::to_string(maxBytes) +
                               " fit");
    }
    if (cp932.find('\0') != std::string::npos) {
        return Fail(error, where + ": a text cannot hold a NUL character");
    }
    return true;
}

bool CheckPicture(const PictureDescription& p, const std::string& w, std::string& error) {
    if (p.width > 255 || p.rows.size() > 255) {
        return Fail(error, w + ": pictures are at most 255 by 255 pixels");
    }
    for (size_t r = 0; r < p.rows.size(); ++r) {
        if (p.rows[r].size() != p.width || p.rows[r].find_first_not_of("#.") != std::string::npos) {
            return Fail(error, w + ".rows[" + std::to_string(r) + "]: expected " +
                                   std::to_string(p.width) + " characters, each '#' or '.'");
        }
    }
    return true;
}

bool CheckHole(const HoleDescription& h, const std::string& w, std::string& error) {
    const size_t perEntry = h.kind == L::kHoleKindShortArray1 ? 4 : 5;
    if (h.array1.size() > 255 || h.array2.size() > 255 || h.array3.size() > 255) {
        return Fail(error, w + ": each array holds at most 255 entries");
    }
    for (size_t e = 0; e < h.array1.size(); ++e) {
        if (h.array1[e].size() != perEntry) {
            return Fail(error, w + ".array1[" + std::to_string(e) + "]: a hole of kind " +
                                   std::to_string(h.kind) + " has entries of " +
                                   std::to_string(perEntry) + " values");
        }
    }
    return !h.picture || CheckPicture(*h.picture, w + ".picture", error);
}

bool CheckItem(const ItemDescription& item, const std::string& w, std::string& error) {
    if (item.extra.size() > L::kMaxExtraBytes) {
        return Fail(error, w + ".extra: at most 4 bytes");
    }
    if (item.holes.size() > L::kMaxHoles) {
        return Fail(error, w + ".holes: at most 9 holes");
    }
    if (!CheckText(item.name, L::kItemNameField - 1, w + ".name", error)) {
        return false;
    }
    for (size_t h = 0; h < item.holes.size(); ++h) {
        if (!CheckHole(item.holes[h], w + ".holes[" + std::to_string(h) + "]", error)) {
            return false;
        }
    }
    return true;
}

bool CheckLinks(const GolfCourseDescription& g, const PackageDescription& d, const std::string& w,
                std::string& error) {
    if (!g.links) {
        return true;
    }
    if (g.links->size() > L::kMaxLinkRecords) {
        return Fail(error, w + ".links: at most 255 link records");
    }
    std::set<uint8_t> a;
    std::set<uint8_t> b;
    for (size_t l = 0; l < g.links->size(); ++l) {
        const LinkDescription& r = (*g.links)[l];
        const std::string lw = w + ".links[" + std::to_string(l) + "]";
        if (r.part1 == 0 || r.part2 == 0) {
            return Fail(error, lw + ": part numbers count from 1");
        }
        for (uint8_t v : r.nameA) {
            if (v >= d.nameTableA.size()) {
                return Fail(error, lw + ".nameA: entry " + std::to_string(v) +
                                       " is past the end of nameTableA");
            }
            a.insert(v);
        }
        for (uint8_t v : r.nameB) {
            if (v >= d.nameTableB.size()) {
                return Fail(error, lw + ".nameB: entry " + std::to_string(v) +
                                       " is past the end of nameTableB");
            }
            b.insert(v);
        }
    }
    if (a.size() > kMaxNameATexts || b.size() > kMaxNameBTexts) {
        return Fail(error, w + ".links: at most 100 distinct nameA and 20 distinct nameB "
                               "entries fit a course image");
    }
    return true;
}

bool CheckGolfCourse(const GolfCourseDescription& g, const PackageDescription& d,
                     const std::string& w, std::string& error) {
    if (g.initial < 0xB1 || g.initial > 0xDC) {
        return Fail(error, w + ".initial: the code must lie from 177 (ｱ) to 220 (ﾜ)");
    }
    if (g.area == 0) {
        return Fail(error, w + ".area: area codes count from 1");
    }
    if (g.items.size() > L::kMaxItems) {
        return Fail(error, w + ".items: at most 5 items");
    }
    if (!CheckText(g.name, L::kBlockCourseWord - L::kBlockName - 1, w + ".name", error)) {
        return false;
    }
    for (size_t i = 0; i < g.items.size(); ++i) {
        if (!CheckItem(g.items[i], w + ".items[" + std::to_string(i) + "]", error)) {
            return false;
        }
    }
    return CheckLinks(g, d, w, error);
}

}  // namespace

bool CheckDescription(const PackageDescription& d, std::string& error) {
    for (size_t a = 0; a < d.areas.size(); ++a) {
        const std::string w = "areas[" + std::to_string(a) + "]";
        if (d.areas[a].code == 0) {
            return Fail(error, w + ".code: area codes count from 1");
        }
        if (!CheckText(d.areas[a].name, L::kAreaNameField - 1, w + ".name", error)) {
            return false;
        }
    }
    for (const auto* table : {&d.nameTableA, &d.nameTableB}) {
        const std::string which = table == &d.nameTableA ? "nameTableA" : "nameTableB";
        if (table->size() > 256) {
            return Fail(error, which + ": link records reach at most 256 entries");
        }
        for (size_t n = 0; n < table->size(); ++n) {
            if (!CheckText((*table)[n], L::kNameEntrySize - L::kNameEntryText - 1,
                           which + "[" + std::to_string(n) + "]", error)) {
                return false;
            }
        }
    }
    std::set<uint16_t> ids;
    for (size_t g = 0; g < d.golfCourses.size(); ++g) {
        const std::string w = "golfCourses[" + std::to_string(g) + "]";
        if (!ids.insert(d.golfCourses[g].id).second) {
            return Fail(error, w + ".id: golf course " + std::to_string(d.golfCourses[g].id) +
                                   " appears twice (its picture member and links would clash)");
        }
        if (!CheckGolfCourse(d.golfCourses[g], d, w, error)) {
            return false;
        }
    }
    return true;
}

}  // namespace veldrant::course
