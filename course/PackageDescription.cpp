// The JSON form of a package description. Every field is checked for its type and range, and
// unknown fields are refused, so that a typing error does not pass silently as a default.
#include "course/PackageDescription.h"

#include <nlohmann/json.hpp>

#include <initializer_list>
#include <limits>

namespace veldrant::course {

namespace {

using Json = nlohmann::json;

struct BadField {
    std::string message;
};

[[noreturn]] void Bad(const std::string& where, const std::string& what) {
    throw BadField{where + ": " + what};
}

void OnlyKeys(const Json& j, const std::string& where, std::initializer_list<const char*> keys) {
    if (!j.is_object()) {
        Bad(where, "expected an object");
    }
    for (auto it = j.begin(); it != j.end(); ++it) {
        bool known = false;
        for (const char* k : keys) {
            known = known || it.key() == k;
        }
        if (!known) {
            Bad(where, "unknown field \"" + it.key() + "\"");
        }
    }
}

template <typename T>
T Int(const Json& j, const std::string& where) {
    constexpr int64_t lo = static_cast<int64_t>(std::numeric_limits<T>::min());
    constexpr uint64_t hi = static_cast<uint64_t>(std::numeric_limits<T>::max());
    const std::string range = " (" + std::to_string(lo) + " to " + std::to_string(hi) + ")";
    if (!j.is_number_integer()) {
        Bad(where, "expected a whole number" + range);
    }
    if (j.is_number_unsigned()) {
        const uint64_t v = j.get<uint64_t>();
        if (v > hi)
            Bad(where, "out of range" + range);
        return static_cast<T>(v);
    }
    const int64_t v = j.get<int64_t>();
    if (v < lo || (v >= 0 && static_cast<uint64_t>(v) > hi))
        Bad(where, "out of range" + range);
    return static_cast<T>(v);
}

template <typename T>
void Opt(const Json& j, const char* key, const std::string& where, T& out) {
    if (j.contains(key)) {
        out = Int<T>(j.at(key), where + "." + key);
    }
}

std::string Text(const Json& j, const std::string& where) {
    if (!j.is_string()) {
        Bad(where, "expected a text");
    }
    return j.get<std::string>();
}

const Json& Array(const Json& j, const std::string& where) {
    if (!j.is_array()) {
        Bad(where, "expected an array");
    }
    return j;
}

template <typename T, size_t N>
std::array<T, N> Fixed(const Json& j, const std::string& where) {
    if (!j.is_array() || j.size() != N) {
        Bad(where, "expected an array of " + std::to_string(N) + " numbers");
    }
    std::array<T, N> out{};
    for (size_t i = 0; i < N; ++i) {
        out[i] = Int<T>(j[i], where + "[" + std::to_string(i) + "]");
    }
    return out;
}

template <typename T>
std::vector<T> Numbers(const Json& j, const std::string& where) {
    std::vector<T> out;
    for (size_t i = 0; i < Array(j, where).size(); ++i) {
        out.push_back(Int<T>(j[i], where + "[" + std::to_string(i) + "]"));
    }
    return out;
}

std::string At(const std::string& where, size_t i) {
    return where + "[" + std::to_string(i) + "]";
}

PictureDescription ReadPicture(const Json& j, const std::string& w) {
    OnlyKeys(j, w, {"kind", "width", "rows"});
    PictureDescription p;
    Opt(j, "kind", w, p.kind);
    if (!j.contains("width") || !j.contains("rows")) {
        Bad(w, "a picture needs \"width\" and \"rows\"");
    }
    p.width = Int<uint32_t>(j.at("width"), w + ".width");
    const Json& rows = Array(j.at("rows"), w + ".rows");
    for (size_t r = 0; r < rows.size(); ++r) {
        p.rows.push_back(Text(rows[r], At(w + ".rows", r)));
    }
    return p;
}

HoleDescription ReadHole(const Json& j, const std::string& w) {
    OnlyKeys(j, w, {"kind", "bytes", "values", "array1", "array2", "array3", "picture"});
    HoleDescription h;
    Opt(j, "kind", w, h.kind);
    if (j.contains("bytes"))
        h.bytes = Fixed<uint8_t, 4>(j.at("bytes"), w + ".bytes");
    if (j.contains("values"))
        h.values = Fixed<uint16_t, 8>(j.at("values"), w + ".values");
    if (j.contains("array1")) {
        const Json& a = Array(j.at("array1"), w + ".array1");
        for (size_t e = 0; e < a.size(); ++e) {
            h.array1.push_back(Numbers<uint16_t>(a[e], At(w + ".array1", e)));
        }
    }
    for (auto [key, out] : {std::pair{"array2", &h.array2}, std::pair{"array3", &h.array3}}) {
        if (!j.contains(key))
            continue;
        const Json& a = Array(j.at(key), w + "." + key);
        for (size_t e = 0; e < a.size(); ++e) {
            out->push_back(Fixed<uint16_t, 3>(a[e], At(w + "." + key, e)));
        }
    }
    if (j.contains("picture"))
        h.picture = ReadPicture(j.at("picture"), w + ".picture");
    return h;
}

ItemDescription ReadItem(const Json& j, const std::string& w) {
    OnlyKeys(j, w, {"byte0", "byte1", "extra", "name", "holes"});
    ItemDescription item;
    Opt(j, "byte0", w, item.byte0);
    Opt(j, "byte1", w, item.byte1);
    if (j.contains("extra"))
        item.extra = Numbers<uint8_t>(j.at("extra"), w + ".extra");
    if (j.contains("name"))
        item.name = Text(j.at("name"), w + ".name");
    if (j.contains("holes")) {
        const Json& holes = Array(j.at("holes"), w + ".holes");
        for (size_t h = 0; h < holes.size(); ++h) {
            item.holes.push_back(ReadHole(holes[h], At(w + ".holes", h)));
        }
    }
    return item;
}

LinkDescription ReadLink(const Json& j, const std::string& w) {
    OnlyKeys(j, w, {"part1", "part2", "nameA", "nameB", "value", "tail"});
    LinkDescription l;
    Opt(j, "part1", w, l.part1);
    Opt(j, "part2", w, l.part2);
    if (j.contains("nameA"))
        l.nameA = Fixed<uint8_t, 2>(j.at("nameA"), w + ".nameA");
    if (j.contains("nameB"))
        l.nameB = Fixed<uint8_t, 2>(j.at("nameB"), w + ".nameB");
    Opt(j, "value", w, l.value);
    if (j.contains("tail"))
        l.tail = Fixed<uint8_t, 2>(j.at("tail"), w + ".tail");
    return l;
}

uint8_t ReadInitial(const Json& j, const std::string& w) {
    if (j.is_number_integer()) {
        return Int<uint8_t>(j, w);
    }
    // One half-width katakana, U+FF71 (ｱ) to U+FF9C (ﾜ): code page 932 0xB1 to 0xDC.
    const std::string s = Text(j, w);
    if (s.size() == 3 && static_cast<uint8_t>(s[0]) == 0xEF) {
        const unsigned cp = ((static_cast<uint8_t>(s[0]) & 0x0Fu) << 12) |
                            ((static_cast<uint8_t>(s[1]) & 0x3Fu) << 6) |
                            (static_cast<uint8_t>(s[2]) & 0x3Fu);
        if (cp >= 0xFF71 && cp <= 0xFF9C) {
            return static_cast<uint8_t>(0xB1 + (cp - 0xFF71));
        }
    }
    Bad(w, "expected one half-width katakana from ｱ to ﾜ, or its code 177 to 220");
}

PictureMember ReadPictureMember(const Json& j, const std::string& w) {
    const std::string s = Text(j, w);
    if (s == "auto")
        return PictureMember::Auto;
    if (s == "always")
        return PictureMember::Always;
    if (s == "never")
        return PictureMember::Never;
    Bad(w, "expected \"auto\", \"always\" or \"never\"");
}

GolfCourseDescription ReadGolfCourse(const Json& j, const std::string& w) {
    OnlyKeys(j, w,
             {"id", "directoryId", "area", "initial", "bounds", "name", "courseWord", "value1",
              "value2", "courseByte", "items", "links", "pictureMember", "pictureItems"});
    GolfCourseDescription g;
    if (!j.contains("id"))
        Bad(w, "a golf course needs an \"id\"");
    g.id = Int<uint16_t>(j.at("id"), w + ".id");
    if (j.contains("directoryId"))
        g.directoryId = Int<uint16_t>(j.at("directoryId"), w + ".directoryId");
    Opt(j, "area", w, g.area);
    if (j.contains("initial"))
        g.initial = ReadInitial(j.at("initial"), w + ".initial");
    if (j.contains("bounds"))
        g.bounds = Fixed<int32_t, 4>(j.at("bounds"), w + ".bounds");
    if (j.contains("name"))
        g.name = Text(j.at("name"), w + ".name");
    Opt(j, "courseWord", w, g.courseWord);
    Opt(j, "value1", w, g.value1);
    Opt(j, "value2", w, g.value2);
    Opt(j, "courseByte", w, g.courseByte);
    if (j.contains("items")) {
        const Json& items = Array(j.at("items"), w + ".items");
        for (size_t i = 0; i < items.size(); ++i) {
            g.items.push_back(ReadItem(items[i], At(w + ".items", i)));
        }
    }
    if (j.contains("links")) {
        const Json& links = Array(j.at("links"), w + ".links");
        g.links.emplace();
        for (size_t l = 0; l < links.size(); ++l) {
            g.links->push_back(ReadLink(links[l], At(w + ".links", l)));
        }
    }
    if (j.contains("pictureMember"))
        g.pictureMember = ReadPictureMember(j.at("pictureMember"), w + ".pictureMember");
    if (j.contains("pictureItems"))
        g.pictureItems = Int<uint16_t>(j.at("pictureItems"), w + ".pictureItems");
    return g;
}

void ReadTop(const Json& j, PackageDescription& d) {
    OnlyKeys(j, "description",
             {"header", "areas", "golfCourses", "nameTableA", "nameTableB", "linkSection"});
    if (j.contains("header")) {
        const Json& h = j.at("header");
        OnlyKeys(h, "header", {"word1", "word2", "value3"});
        Opt(h, "word1", "header", d.word1);
        Opt(h, "word2", "header", d.word2);
        Opt(h, "value3", "header", d.value3);
    }
    if (j.contains("areas")) {
        const Json& areas = Array(j.at("areas"), "areas");
        for (size_t a = 0; a < areas.size(); ++a) {
            const std::string w = At("areas", a);
            OnlyKeys(areas[a], w, {"code", "name", "value"});
            AreaDescription area;
            Opt(areas[a], "code", w, area.code);
            if (areas[a].contains("name"))
                area.name = Text(areas[a].at("name"), w + ".name");
            Opt(areas[a], "value", w, area.value);
            d.areas.push_back(area);
        }
    }
    for (auto [key, out] :
         {std::pair{"nameTableA", &d.nameTableA}, std::pair{"nameTableB", &d.nameTableB}}) {
        if (!j.contains(key))
            continue;
        const Json& names = Array(j.at(key), key);
        for (size_t n = 0; n < names.size(); ++n) {
            out->push_back(Text(names[n], At(key, n)));
        }
    }
    if (j.contains("linkSection")) {
        if (!j.at("linkSection").is_boolean())
            Bad("linkSection", "expected true or false");
        d.linkSection = j.at("linkSection").get<bool>();
    }
    if (j.contains("golfCourses")) {
        const Json& courses = Array(j.at("golfCourses"), "golfCourses");
        for (size_t g = 0; g < courses.size(); ++g) {
            d.golfCourses.push_back(ReadGolfCourse(courses[g], At("golfCourses", g)));
        }
    }
}

}  // namespace

bool ParseDescription(std::string_view json, PackageDescription& out, std::string& error) {
    out = PackageDescription{};
    Json j;
    try {
        j = Json::parse(json.begin(), json.end());
    } catch (const Json::exception& e) {
        error = std::string("not valid JSON: ") + e.what();
        return false;
    }
    try {
        ReadTop(j, out);
    } catch (const BadField& e) {
        error = e.message;
        out = PackageDescription{};
        return false;
    }
    return true;
}

}  // namespace veldrant::course
