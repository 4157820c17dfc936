// The GPX, KML and GeoJSON documents, parsed back and checked against the formats' rules and
// against the rounds they came from.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "rounds/Export.h"
#include "rounds/ExportText.h"
#include "rounds/Measure.h"
#include "rounds/RoundReader.h"
#include "tests/rounds/MiniXml.h"
#include "tests/rounds/RoundFiles.h"

namespace veldrant::rounds {
namespace {

using namespace test;

WatchMark Timed(WatchMark m, int day, int hour, int minute) {
    m.time = PackTime(2016, 5, day, hour, minute, 0);
    return m;
}

// Two rounds: hole 1 with three marks and a putt, hole 2 with its tee shot at 0/0; then a round
// at a golf course whose name needs escaping in every format.
RoundFile Sample() {
    auto north = [](double metres) { return 35.6 + metres / 110940.0; };
    std::vector<WatchMark> marks = {
        Timed(At(1, 139.7, north(0)), 3, 8, 1),
        Timed(At(1, 139.7, north(230)), 3, 8, 4),
        Timed(At(1, 139.7, north(380)), 3, 8, 8),
        Timed(At(1, 139.7, north(384), true), 3, 8, 9),
        Timed(At(2, 0, 0), 3, 8, 15),
        Timed(At(2, 139.7, north(600)), 3, 8, 17),
        Timed(At(2, 139.7, north(700)), 3, 8, 20),
    };
    WatchMark odd = Timed(At(7, 140.1, 36.2), 4, 0, 30);
    odd.gcid = 99;
    odd.golfName = "A&B <C> \"D\"\x01";
    WatchMark odd2 = odd;
    odd2.latitude = Units(36.2005);
    marks.push_back(odd);
    marks.push_back(odd2);
    ReadResult r = ReadRounds(ExportedFile({{marks, {}}}));
    EXPECT_TRUE(r.ok()) << r.error;
    return r.file;
}

std::string Written(const char* format, const RoundFile& file, int offset = 9 * 60) {
    const ExportFormat* f = FindExportFormat(format);
    EXPECT_NE(f, nullptr);
    std::string out;
    if (f)
        f->write(file, {offset, "Test \"rounds\""}, out);
    return out;
}

std::vector<const Mark*> AllMarks(const RoundFile& file, bool placedOnly = false) {
    std::vector<const Mark*> all;
    for (const Round& r : file.rounds)
        for (const Hole& h : r.holes)
            for (const Mark& m : h.marks)
                if (!placedOnly || HasPosition(m))
                    all.push_back(&m);
    return all;
}

// True when every child's name is in `order` and they come in that order (repeats allowed).
bool InSequence(const XmlElement& e, const std::vector<std::string>& order) {
    size_t at = 0;
    for (const auto& c : e.children) {
        while (at < order.size() && order[at] != c->name)
            ++at;
        if (at == order.size()) {
            ADD_FAILURE() << "<" << c->name << "> out of order in <" << e.name << ">";
            return false;
        }
    }
    return true;
}

double Number(const std::string& s) {
    size_t used = 0;
    double v = std::stod(s, &used);
    EXPECT_EQ(used, s.size()) << s;
    return v;
}

// A placemark's data as its schema types it: every value is declared in the schema `id` and
// reads as its type.
std::map<std::string, std::string> Typed(
    const XmlElement& placemark, const std::string& id,
    const std::map<std::string, std::map<std::string, std::string>>& schemas) {
    std::map<std::string, std::string> values;
    const XmlElement* data = placemark.First("ExtendedData");
    const XmlElement* typed = data ? data->First("SchemaData") : nullptr;
    if (!typed || *typed->Attribute("schemaUrl") != "#" + id || !schemas.count(id)) {
        ADD_FAILURE() << "no data of schema " << id;
        return values;
    }
    for (const XmlElement* d : typed->All("SimpleData")) {
        const std::string& name = *d->Attribute("name");
        auto found = schemas.at(id).find(name);
        if (found == schemas.at(id).end()) {
            ADD_FAILURE() << name << " is not in schema " << id;
            continue;
        }
        const std::string& type = found->second;
        const bool reads = type == "int"      ? std::regex_match(d->text, std::regex("-?[0-9]+"))
                           : type == "double" ? (Number(d->text), true)
                           : type == "bool"   ? d->text == "0" || d->text == "1"
                                              : type == "string";
        EXPECT_TRUE(reads) << name << " = " << d->text;
        values[name] = d->text;
    }
    return values;
}

const std::regex kUtc(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)");

TEST(GpxExport, FollowsTheSchemaAndCarriesEveryMark) {
    const RoundFile file = Sample();
    std::string error;
    auto gpx = MiniXml::Parse(Written("gpx", file), error);
    ASSERT_TRUE(gpx) << error;
    EXPECT_EQ(gpx->name, "gpx");
    EXPECT_EQ(*gpx->Attribute("version"), "1.1");
    EXPECT_FALSE(gpx->Attribute("creator")->empty());
    EXPECT_EQ(*gpx->Attribute("xmlns"), "http://www.topografix.com/GPX/1/1");
    EXPECT_TRUE(InSequence(*gpx, {"metadata", "wpt", "rte", "trk", "extensions"}));
    EXPECT_EQ(gpx->First("metadata")->First("name")->text, "Test \"rounds\"");

    const std::vector<std::string> pointOrder = {
        "ele",  "time", "magvar", "geoidheight", "name", "cmt",  "desc", "src",
        "link", "sym",  "type",   "fix",         "sat",  "hdop", "vdop", "pdop"};
    auto wpts = gpx->All("wpt");
    auto marks = AllMarks(file, true);
    ASSERT_EQ(wpts.size(), marks.size());  // none for the mark at 0/0
    const char* names[] = {"2016-05-03 H1 S1", "2016-05-03 H1 S2", "2016-05-03 H1 S3",
                           "2016-05-03 H1 S4", "2016-05-03 H2 S2", "2016-05-03 H2 S3",
                           "2016-05-04 H7 S1", "2016-05-04 H7 S2"};
    ASSERT_EQ(wpts.size(), std::size(names));
    for (size_t i = 0; i < wpts.size(); ++i) {
        SCOPED_TRACE(i);
        const XmlElement& w = *wpts[i];
        EXPECT_TRUE(InSequence(w, pointOrder));
        EXPECT_NEAR(Number(*w.Attribute("lat")), marks[i]->latitude, 1e-9);
        EXPECT_NEAR(Number(*w.Attribute("lon")), marks[i]->longitude, 1e-9);
        ASSERT_TRUE(w.First("time"));
        EXPECT_TRUE(std::regex_match(w.First("time")->text, kUtc)) << w.First("time")->text;
        EXPECT_EQ(w.First("name")->text, names[i]);
        EXPECT_EQ(w.First("type")->text, marks[i]->kind == MarkKind::Putt ? "putt" : "shot");
    }
    // The watch's 08:01 at +09:00 is 23:01 UTC the day before.
    EXPECT_EQ(wpts[0]->First("time")->text, "2016-05-02T23:01:00Z");
    EXPECT_EQ(wpts[6]->First("time")->text, "2016-05-03T15:30:00Z");
    EXPECT_NE(wpts[6]->First("desc")->text.find("A&B <C> \"D\"\xEF\xBF\xBD"), std::string::npos);

    // A route per hole through its marks that are not outliers; the mark at 0/0 is named in
    // its hole's description.
    auto routes = gpx->All("rte");
    ASSERT_EQ(routes.size(), 3u);
    const size_t points[] = {4, 2, 2};
    const char* routeNames[] = {"2016-05-03 H1", "2016-05-03 H2", "2016-05-04 H7"};
    for (size_t i = 0; i < routes.size(); ++i) {
        EXPECT_TRUE(InSequence(*routes[i], {"name", "cmt", "desc", "src", "link", "number", "type",
                                            "extensions", "rtept"}));
        EXPECT_EQ(routes[i]->First("name")->text, routeNames[i]);
        EXPECT_EQ(routes[i]->All("rtept").size(), points[i]);
        for (const XmlElement* p : routes[i]->All("rtept")) {
            EXPECT_TRUE(p->Attribute("lat") && p->Attribute("lon"));
            EXPECT_TRUE(InSequence(*p, pointOrder));
        }
    }
    EXPECT_TRUE(routes[1]->First("desc")->text.ends_with(
        "hole 2; without a position: 2016-05-03 H2 S1 (shot, outlier: no distance)"))
        << routes[1]->First("desc")->text;
    EXPECT_EQ(routes[0]->First("desc")->text.find("without"), std::string::npos);
}

TEST(GpxExport, TimesFollowTheOffsetAndAreLeftOutWhenTheWatchsDateIsNoDate) {
    RoundFile file = Sample();
    std::string error;
    auto west = MiniXml::Parse(Written("gpx", file, -(5 * 60 + 30)), error);
    ASSERT_TRUE(west) << error;
    EXPECT_EQ(west->All("wpt")[0]->First("time")->text, "2016-05-03T13:31:00Z");

    file.rounds[0].holes[0].marks[0].time.month = 14;  // the watch's four bits can say so
    auto gpx = MiniXml::Parse(Written("gpx", file), error);
    ASSERT_TRUE(gpx) << error;
    EXPECT_EQ(gpx->All("wpt")[0]->First("time"), nullptr);
    EXPECT_NE(gpx->All("wpt")[1]->First("time"), nullptr);
}

TEST(KmlExport, FoldersPerRoundAndHoleWithAPlacemarkPerMark) {
    const RoundFile file = Sample();
    std::string error;
    auto kml = MiniXml::Parse(Written("kml", file), error);
    ASSERT_TRUE(kml) << error;
    EXPECT_EQ(kml->name, "kml");
    EXPECT_EQ(*kml->Attribute("xmlns"), "http://www.opengis.net/kml/2.2");
    ASSERT_EQ(kml->children.size(), 1u);
    const XmlElement& doc = *kml->First("Document");
    EXPECT_TRUE(InSequence(doc, {"name", "Style", "Schema", "Folder"}));
    auto rounds = doc.All("Folder");
    ASSERT_EQ(rounds.size(), file.rounds.size());
    std::map<std::string, std::map<std::string, std::string>> schemas;  // id: field: type
    for (const XmlElement* schema : doc.All("Schema"))
        for (const XmlElement* f : schema->All("SimpleField"))
            schemas[*schema->Attribute("id")][*f->Attribute("name")] = *f->Attribute("type");
    EXPECT_EQ(schemas["mark"]["distance_m"], "double");
    EXPECT_EQ(schemas["mark"]["stroke"], "int");
    EXPECT_EQ(schemas["mark"]["outlier"], "bool");
    EXPECT_EQ(schemas["hole"]["putts"], "int");

    const std::vector<std::string> placemarkOrder = {
        "name",     "visibility", "open",         "Snippet", "description", "TimeStamp",
        "styleUrl", "Region",     "ExtendedData", "Point",   "LineString"};
    for (size_t r = 0; r < rounds.size(); ++r) {
        auto holes = rounds[r]->All("Folder");
        ASSERT_EQ(holes.size(), file.rounds[r].holes.size());
        for (size_t h = 0; h < holes.size(); ++h) {
            SCOPED_TRACE(testing::Message() << r << "/" << h);
            const Hole& hole = file.rounds[r].holes[h];
            auto placemarks = holes[h]->All("Placemark");
            ASSERT_EQ(placemarks.size(), hole.marks.size() + 1);  // and the hole's line
            for (size_t i = 0; i < hole.marks.size(); ++i) {
                const XmlElement& p = *placemarks[i];
                EXPECT_TRUE(InSequence(p, placemarkOrder));
                EXPECT_TRUE(std::regex_match(p.First("TimeStamp")->First("when")->text, kUtc));
                // "longitude,latitude"; no point at 0/0.
                ASSERT_EQ(p.First("Point") != nullptr, HasPosition(hole.marks[i]));
                if (p.First("Point")) {
                    const std::string& c = p.First("Point")->First("coordinates")->text;
                    size_t comma = c.find(',');
                    ASSERT_NE(comma, std::string::npos);
                    EXPECT_NEAR(Number(c.substr(0, comma)), hole.marks[i].longitude, 1e-9);
                    EXPECT_NEAR(Number(c.substr(comma + 1)), hole.marks[i].latitude, 1e-9);
                }
                auto data = Typed(p, "mark", schemas);
                if (hole.marks[i].distance) {
                    EXPECT_NEAR(Number(data["distance_m"]), *hole.marks[i].distance, 0.005);
                } else {
                    EXPECT_EQ(data.count("distance_m"), 0u);
                }
                EXPECT_EQ(data["outlier"], hole.marks[i].outlier ? "1" : "0");
                EXPECT_EQ(data["stroke"], std::to_string(i + 1));
            }
            EXPECT_EQ(Typed(*placemarks.back(), "hole", schemas)["strokes"],
                      std::to_string(hole.Strokes()));
            const XmlElement& line = *placemarks.back()->First("LineString");
            std::string coords = line.First("coordinates")->text;
            size_t tuples = 1 + std::count(coords.begin(), coords.end(), ' ');
            size_t usable = 0;
            for (const Mark& m : hole.marks)
                usable += !m.outlier;
            EXPECT_EQ(tuples, usable);
        }
    }
    EXPECT_EQ(rounds[1]->First("name")->text, "Round 2: 2016-05-04 A&B <C> \"D\"\xEF\xBF\xBD");
    EXPECT_EQ(rounds[1]->First("Folder")->First("name")->text, "2016-05-04 Hole 7 (OUT)");
}

TEST(GeoJsonExport, PointsInFileOrderWithTheListedPropertiesThenLines) {
    const RoundFile file = Sample();
    nlohmann::json doc = nlohmann::json::parse(Written("geojson", file));
    EXPECT_EQ(doc["type"], "FeatureCollection");
    EXPECT_FALSE(doc.contains("crs"));
    const auto& features = doc["features"];
    auto marks = AllMarks(file);
    ASSERT_EQ(features.size(), marks.size() + 3);

    const std::set<std::string> keys = {"round",     "date",       "golfCourse",  "course",
                                        "hole",      "stroke",     "kind",        "time",
                                        "localTime", "distance_m", "distance_yd", "outlier"};
    const int strokes[] = {1, 2, 3, 4, 1, 2, 3, 1, 2};
    for (size_t i = 0; i < marks.size(); ++i) {
        SCOPED_TRACE(i);
        const auto& f = features[i];
        EXPECT_EQ(f["type"], "Feature");
        if (!HasPosition(*marks[i])) {
            EXPECT_TRUE(f["geometry"].is_null());
            continue;
        }
        EXPECT_EQ(f["geometry"]["type"], "Point");
        const auto& pos = f["geometry"]["coordinates"];
        ASSERT_EQ(pos.size(), 2u);
        EXPECT_NEAR(pos[0].get<double>(), marks[i]->longitude, 1e-9);  // longitude first
        EXPECT_NEAR(pos[1].get<double>(), marks[i]->latitude, 1e-9);
        const auto& p = f["properties"];
        std::set<std::string> got;
        for (auto it = p.begin(); it != p.end(); ++it)
            got.insert(it.key());
        EXPECT_EQ(got, keys);
        EXPECT_EQ(p["round"], i < 7 ? 1 : 2);
        EXPECT_EQ(p["stroke"], strokes[i]);
        EXPECT_EQ(p["kind"], marks[i]->kind == MarkKind::Putt ? "putt" : "shot");
        EXPECT_EQ(p["outlier"], marks[i]->outlier);
        if (marks[i]->distance) {
            EXPECT_NEAR(p["distance_m"].get<double>(), *marks[i]->distance, 0.005);
            EXPECT_NEAR(p["distance_yd"].get<double>(), *marks[i]->distance / 0.9144, 0.005);
        } else {
            EXPECT_TRUE(p["distance_m"].is_null());
            EXPECT_TRUE(p["distance_yd"].is_null());
        }
    }
    EXPECT_EQ(features[0]["properties"]["date"], "2016-05-03");
    EXPECT_TRUE(features[4]["geometry"].is_null());  // the mark at 0/0
    EXPECT_EQ(features[0]["properties"]["time"], "2016-05-02T23:01:00Z");
    EXPECT_EQ(features[0]["properties"]["localTime"], "2016-05-03T08:01:00");
    EXPECT_EQ(features[7]["properties"]["time"], "2016-05-03T15:30:00Z");
    EXPECT_EQ(features[4]["properties"]["outlier"], true);
    EXPECT_EQ(features[7]["properties"]["golfCourse"], "A&B <C> \"D\"\x01");
    EXPECT_NEAR(features[0]["properties"]["distance_m"].get<double>(), 230, 0.5);
    for (size_t i = marks.size(); i < features.size(); ++i) {
        EXPECT_EQ(features[i]["geometry"]["type"], "LineString");
        EXPECT_GE(features[i]["geometry"]["coordinates"].size(), 2u);
    }
}

TEST(GeoJsonExport, TimesFollowTheOffsetAndAreNullWhenTheWatchsDateIsNoDate) {
    RoundFile file = Sample();
    file.rounds[0].holes[0].marks[0].time.month = 14;
    nlohmann::json doc = nlohmann::json::parse(Written("geojson", file, -(5 * 60 + 30)));
    EXPECT_TRUE(doc["features"][0]["properties"]["time"].is_null());
    EXPECT_EQ(doc["features"][0]["properties"]["localTime"], "2016-14-03T08:01:00");
    EXPECT_EQ(doc["features"][1]["properties"]["time"], "2016-05-03T13:34:00Z");
}

// Marks, holes and lines keep their names apart across rounds: the round's date, and its number
// when the file holds two rounds of one day.
TEST(Exports, NamesCarryTheRoundsDateAndNumberWhenADayHasTwo) {
    auto mark = [](int day, int hour, int gcid, double lat) {
        WatchMark m = Timed(At(1, 139.7, lat), day, hour, 0);
        m.gcid = static_cast<uint16_t>(gcid);
        return m;
    };
    // 3 May at two golf courses, 4 May at the first again: three rounds, each hole 1.
    RoundFile file = [&] {
        ReadResult r = ReadRounds(ExportedFile({{{mark(3, 8, 1, 35.6), mark(3, 8, 1, 35.601),
                                                  mark(3, 14, 2, 35.7), mark(4, 8, 1, 35.6)},
                                                 {}}}));
        EXPECT_TRUE(r.ok()) << r.error;
        return r.file;
    }();
    ASSERT_EQ(file.rounds.size(), 3u);
    EXPECT_EQ(text::RoundTags(file),
              (std::vector<std::string>{"2016-05-03 R1", "2016-05-03 R2", "2016-05-04"}));

    struct Case {
        const char* format;
        std::vector<std::string> names;  // in document order
    };
    const Case cases[] = {
        {"gpx",
         {"2016-05-03 R1 H1 S1", "2016-05-03 R1 H1 S2", "2016-05-03 R2 H1 S1", "2016-05-04 H1 S1",
          "2016-05-03 R1 H1", "2016-05-03 R2 H1", "2016-05-04 H1"}},
        {"kml",
         {"2016-05-03 R1 Hole 1 (OUT)", "2016-05-03 R1 H1 S1", "2016-05-03 R1 H1 S2",
          "2016-05-03 R1 H1", "2016-05-03 R2 Hole 1 (OUT)", "2016-05-03 R2 H1 S1",
          "2016-05-04 Hole 1 (OUT)", "2016-05-04 H1 S1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        std::string error;
        auto root = MiniXml::Parse(Written(c.format, file), error);
        ASSERT_TRUE(root) << error;
        std::vector<std::string> names;
        std::function<void(const XmlElement&)> walk = [&](const XmlElement& e) {
            for (const auto& child : e.children) {
                if (child->name == "name" && e.name != "metadata" && e.name != "Document" &&
                    e.name != "kml" && !(e.name == "Folder" && child->text.starts_with("Round")))
                    names.push_back(child->text);
                if (child->name != "rtept")
                    walk(*child);
            }
        };
        walk(*root);
        EXPECT_EQ(names, c.names);
    }
}

TEST(ExportText, UtcOffsetsAndTimes) {
    struct Offset {
        const char* text;
        std::optional<int> minutes;
    };
    const Offset offsets[] = {{"+09:00", 540}, {"-05:30", -330}, {"+00:00", 0}, {"Z", 0},
                              {"+14:00", 840}, {"+14:01", {}},   {"09:00", {}}, {"+9:00", {}},
                              {"+09:60", {}},  {"", {}}};
    for (const Offset& o : offsets)
        EXPECT_EQ(ParseUtcOffset(o.text), o.minutes) << o.text;

    struct Utc {
        LocalTime local;
        int offset;
        const char* utc;  // null: none
    };
    const Utc times[] = {
        {{2016, 1, 1, 3, 0, 0}, 540, "2015-12-31T18:00:00Z"},
        {{2016, 3, 1, 8, 0, 0}, 540, "2016-02-29T23:00:00Z"},
        {{2015, 12, 31, 20, 30, 5}, -330, "2016-01-01T02:00:05Z"},
        {{2016, 2, 30, 8, 0, 0}, 540, nullptr},
        {{2016, 5, 3, 24, 0, 0}, 540, nullptr},
    };
    for (const Utc& t : times) {
        auto got = text::UtcText(t.local, t.offset);
        ASSERT_EQ(got.has_value(), t.utc != nullptr);
        if (got) {
            EXPECT_EQ(*got, t.utc);
        }
    }
}

}  // namespace
}  // namespace veldrant::rounds
