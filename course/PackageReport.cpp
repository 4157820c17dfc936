#include "course/PackageReport.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>

#include "course/Bytes.h"
#include "course/CoursePackage.h"
#include "platform/CodePage.h"

namespace veldrant::course {

namespace {

using Json = nlohmann::ordered_json;

std::string Utf8(const std::string& cp932) {
    return platform::Cp932ToUtf8(cp932);
}

std::string Hex(std::span<const uint8_t> bytes) {
    std::string out;
    char two[3];
    for (uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        out += two;
    }
    return out;
}

Json HeaderJson(const IndexHeader& h) {
    return {{"salt", Hex(h.salt)},
            {"word1", h.word1},
            {"word2", h.word2},
            {"format", h.format},
            {"value3", h.value3},
            {"courseCount", h.courseCount},
            {"recordSize", h.recordSize},
            {"courseTableOffset", h.courseTableOffset},
            {"dataAreaOffset", h.dataAreaOffset},
            {"areaCount", h.areaCount},
            {"areaTableOffset", h.areaTableOffset}};
}

Json HoleJson(const Hole& h) {
    Json arrays = Json::array();
    const size_t first = h.Kind() == 1 ? 4 : 5;
    const size_t counts[3] = {h.Array1Count(), h.Array2Count(), h.Array3Count()};
    const size_t widths[3] = {first, 3, 3};
    size_t at = 0;
    Json hole = {{"kind", h.Kind()},
                 {"bytes", {h.head[1], h.head[2], h.head[3], h.head[4]}},
                 {"values", h.values}};
    for (size_t a = 0; a < 3; ++a) {
        Json entries = Json::array();
        for (size_t e = 0; e < counts[a]; ++e) {
            Json entry = Json::array();
            for (size_t v = 0; v < widths[a]; ++v, at += 2)
                entry.push_back(Le16(h.arrays, at));
            entries.push_back(entry);
        }
        hole["array" + std::to_string(a + 1)] = entries;
    }
    return hole;
}

Json BlockJson(const CourseRecord& r, const GolfCourseBlock& b) {
    Json items = Json::array();
    for (const Item& item : b.items) {
        Json holes = Json::array();
        for (const Hole& h : item.holes)
            holes.push_back(HoleJson(h));
        items.push_back({{"byte0", item.byte0},
                         {"byte1", item.byte1},
                         {"extra", item.extra},
                         {"name", Utf8(item.name)},
                         {"holes", holes}});
    }
    return {{"directoryId", r.id}, {"areaCode", r.areaCode},       {"initialCode", r.initialCode},
            {"bounds", r.bounds},  {"blockOffset", r.blockOffset}, {"blockLength", r.blockLength},
            {"id", b.id},          {"name", Utf8(b.name)},         {"courseWord", b.courseWord},
            {"value1", b.value1},  {"value2", b.value2},           {"courseByte", b.courseByte},
            {"items", items}};
}

std::string NameText(std::span<const uint8_t> table, uint8_t v) {
    if ((v + 1u) * 50u > table.size())
        return "(no entry)";
    auto field = table.subspan(v * 50u + 2, 48);
    auto nul = std::find(field.begin(), field.end(), uint8_t{0});
    return Utf8(std::string(field.begin(), nul));
}

Json LinksJson(const AppendData& a, uint16_t id) {
    const LinkEntry* e = a.FindLinks(id);
    if (!e)
        return nullptr;
    Json records = Json::array();
    for (const LinkRecord& r : e->records) {
        records.push_back(
            {{"part1", r.part1},
             {"part2", r.part2},
             {"nameB", r.nameB},
             {"nameBTexts",
              {NameText(a.nameTableB, r.nameB[0]), NameText(a.nameTableB, r.nameB[1])}},
             {"nameA", r.nameA},
             {"nameATexts",
              {NameText(a.nameTableA, r.nameA[0]), NameText(a.nameTableA, r.nameA[1])}},
             {"value", r.value},
             {"tail", r.tail}});
    }
    return records;
}

Json PicturesJson(CoursePackage& package, uint16_t id) {
    Json out = {{"member", PictureMemberName(id)}};
    if (!package.ReadPictures(id)) {
        out["usable"] = false;
        out["why"] = package.LastError();
        return out;
    }
    const PictureFile& p = *package.Pictures();
    Json slots = Json::array();
    for (size_t s = 0; s < p.slots.size(); ++s) {
        const PictureSlot& slot = p.slots[s];
        Json j = {{"item", s / 9 + 1},
                  {"hole", s % 9 + 1},
                  {"offset", slot.recordOffset},
                  {"length", slot.recordLength},
                  {"kind", slot.kind}};
        if (slot.hasPicture) {
            j["width"] = slot.picture.width;
            j["height"] = slot.picture.height;
        }
        slots.push_back(j);
    }
    out["usable"] = true;
    out["items"] = p.itemCount;
    out["table"] = slots;
    return out;
}

Json Report(CoursePackage& package) {
    const IndexData& index = package.Index();
    Json areas = Json::array();
    for (const AreaRecord& a : index.areas) {
        areas.push_back({{"code", a.code}, {"name", Utf8(a.name)}, {"value", a.value}});
    }
    Json report = {{"index", HeaderJson(index.header)}, {"areas", areas}};
    const AppendData& a = package.Append();
    if (package.HasAppend()) {
        report["append"] = {
            {"nameTableAEntries", a.hasNameTableA ? Json(a.nameTableA.size() / 50) : Json(nullptr)},
            {"nameTableBEntries", a.hasNameTableB ? Json(a.nameTableB.size() / 50) : Json(nullptr)},
            {"linkSection", a.hasLinkTable},
            {"linkEntries", a.links.size()}};
    }
    Json courses = Json::array();
    for (size_t i = 0; i < index.blocks.size(); ++i) {
        Json c = BlockJson(index.courses[i], index.blocks[i]);
        if (package.HasAppend())
            c["links"] = LinksJson(a, index.blocks[i].id);
        c["pictures"] = PicturesJson(package, index.blocks[i].id);
        courses.push_back(c);
    }
    report["golfCourses"] = courses;
    return report;
}

bool Scalar(const Json& j) {
    return !j.is_object() && !(j.is_array() && !j.empty() && !j[0].is_primitive());
}

std::string Line(const Json& j) {
    if (j.is_string())
        return j.get<std::string>();
    if (j.is_null())
        return "none";
    if (j.is_array()) {
        std::string out;
        for (const Json& e : j)
            out += (out.empty() ? "" : " ") + Line(e);
        return out.empty() ? "-" : out;
    }
    return j.dump();
}

void Text(const Json& j, int depth, std::string& out) {
    const std::string pad(static_cast<size_t>(depth) * 2, ' ');
    if (j.is_array()) {
        for (size_t i = 0; i < j.size(); ++i) {
            if (j[i].is_array()) {  // an entry of values, such as a hole array entry
                out += pad + "- " + Line(j[i]) + "\n";
                continue;
            }
            out += pad + "[" + std::to_string(i) + "]\n";
            Text(j[i], depth + 1, out);
        }
        return;
    }
    for (auto it = j.begin(); it != j.end(); ++it) {
        if (Scalar(it.value()) &&
            !(it.value().is_array() && !it.value().empty() && it.value()[0].is_array())) {
            out += pad + it.key() + ": " + Line(it.value()) + "\n";
        } else {
            out += pad + it.key() + ":\n";
            Text(it.value(), depth + 1, out);
        }
    }
}

}  // namespace

std::string PackageReportJson(CoursePackage& package) {
    return Report(package).dump(2) + "\n";
}

std::string PackageReportText(CoursePackage& package) {
    std::string out;
    Text(Report(package), 0, out);
    return out;
}

}  // namespace veldrant::course
