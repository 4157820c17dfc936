// veldrant-cli logbook add / list / show / remove / export / backup / check / par / rating /
// nine: the rounds of every mark CSV file a golfer kept, once, in the logbook.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "cli/Command.h"
#include "cli/LogbookAdd.h"
#include "cli/OutputFiles.h"
#include "logbook/Logbook.h"
#include "logbook/RoundCsv.h"
#include "platform/File.h"
#include "rounds/Measure.h"
#include "rounds/RoundReader.h"

namespace veldrant::cli {
namespace {

namespace fs = std::filesystem;
using logbook::Logbook;
using logbook::LogbookError;

struct Args {
    std::string logbook;  // --logbook
    std::vector<std::string> inputs;
    std::optional<std::string> output;
    int64_t id = 0;
    bool json = false, yes = false, clear = false;
    int gcid = -1, cid = -1;
    std::vector<std::string> words;
};

void SayBusy() {
    std::fprintf(stderr,
                 "veldrant-cli: another program is writing to the logbook; waiting for it...\n");
}

std::unique_ptr<Logbook> OpenOrSay(const Args& a, Logbook::Mode mode) {
    try {
        return Logbook::Open(logbook::LogbookPath(a.logbook), mode, SayBusy);
    } catch (const LogbookError& e) {
        std::fprintf(stderr, "veldrant-cli: %s\n", e.what());
        return nullptr;
    }
}

// Runs a command's body, saying a logbook failure on standard error.
template <typename F>
int Guard(F&& body) {
    try {
        return body();
    } catch (const LogbookError& e) {
        std::fprintf(stderr, "veldrant-cli: %s\n", e.what());
        return kExitFailure;
    }
}

int RunAdd(const Args& a) {
    std::unique_ptr<Logbook> book = OpenOrSay(a, Logbook::Mode::Write);
    if (!book)
        return kExitFailure;
    logbook::AddSummary total;
    size_t refused = 0;
    for (const std::string& path : a.inputs) {
        rounds::ReadResult r = rounds::LoadRounds(path);
        if (!r.ok()) {
            std::fprintf(stderr, "veldrant-cli: %s; nothing of it was added\n", r.error.c_str());
            ++refused;
            continue;
        }
        try {
            logbook::AddSummary s = book->Add(r.file, AbsolutePath(path));
            std::printf("%s: %s\n", path.c_str(), logbook::SummaryText(s).c_str());
            std::fflush(stdout);
            total += s;
        } catch (const LogbookError& e) {
            std::fprintf(stderr, "veldrant-cli: %s: not added: %s\n", path.c_str(), e.what());
            ++refused;
        }
    }
    std::printf("Total, %zu of %s: %s (%s)\n", a.inputs.size() - refused,
                Count(a.inputs.size(), "file", "files").c_str(),
                logbook::SummaryText(total).c_str(), book->Path().c_str());
    return refused ? kExitFailure : kExitOk;
}

nlohmann::ordered_json OptionalInt(const std::optional<int>& v) {
    return v ? nlohmann::ordered_json(*v) : nlohmann::ordered_json();
}

int RunList(const Args& a) {
    return Guard([&]() -> int {
        std::vector<logbook::RoundSummary> list;
        try {
            list = Logbook::Open(logbook::LogbookPath(a.logbook), Logbook::Mode::ReadOnly)->List();
        } catch (const LogbookError& e) {
            if (e.GetKind() != LogbookError::Kind::Missing)
                throw;
        }
        std::string out;
        if (a.json) {
            nlohmann::ordered_json doc = nlohmann::ordered_json::array();
            for (const logbook::RoundSummary& s : list)
                doc.push_back({{"id", s.id},
                               {"date", rounds::DateText(s.start)},
                               {"start", rounds::ClockText(s.start)},
                               {"golfCourseId", s.golfCourseId},
                               {"golfCourse", s.golfCourse},
                               {"holes", s.holes},
                               {"marks", s.marks},
                               {"putts", s.putts},
                               {"card", s.card},
                               {"score", OptionalInt(s.score)},
                               {"cardPutts", OptionalInt(s.cardPutts)}});
            out = doc.dump(2) + "\n";
        } else if (list.empty()) {
            out = "The logbook holds no rounds.\n";
        } else {
            out = "    ID  Date        Start     Holes  Marks  Putts  Score  Golf course\n";
            for (const logbook::RoundSummary& s : list) {
                char line[128];
                std::snprintf(line, sizeof line, "%6lld  %s  %s  %5d  %5d  %5d  %5s  ",
                              static_cast<long long>(s.id), rounds::DateText(s.start).c_str(),
                              rounds::ClockText(s.start).c_str(), s.holes, s.marks, s.putts,
                              s.score ? std::to_string(*s.score).c_str() : "-");
                out += line + s.golfCourse + " (" + std::to_string(s.golfCourseId) + ")\n";
            }
            out +=
                "Holes, marks and putts are counted from the marks; the score is player 1's "
                "strokes on the round's first score card.\n";
        }
        platform::BinaryStdout();
        std::fwrite(out.data(), 1, out.size(), stdout);
        return FinishStandardOutput(kExitOk);
    });
}

// A score card's tag for the terminal: NUL bytes (an empty slot in the original tool's files)
// shown as nothing.
std::string ShownTag(const std::string& tag) {
    std::string s;
    for (char c : tag)
        if (c != '\0')
            s += c;
    return s;
}

int RunShow(const Args& a) {
    return Guard([&]() -> int {
        std::unique_ptr<Logbook> book = OpenOrSay(a, Logbook::Mode::ReadOnly);
        if (!book)
            return kExitFailure;
        logbook::RoundFilter f;
        f.id = a.id;
        std::vector<logbook::LoggedRound> found = book->StoredRounds(f);
        if (found.empty()) {
            std::fprintf(stderr, "veldrant-cli: the logbook has no round %lld\n",
                         static_cast<long long>(a.id));
            return kExitFailure;
        }
        const logbook::LoggedRound& lr = found.front();
        const rounds::Round& r = lr.round;
        rounds::RoundTotals t = rounds::Totals(r);
        std::ostringstream o;
        o << "Round " << lr.id << "  " << rounds::DateText(r.start) << " "
          << rounds::ClockText(r.start) << "  " << r.golfCourseName << " (golf course "
          << r.golfCourseId << ")\n";
        o << "  Hole  Course  Strokes  Putts  Tee shot\n";
        for (const rounds::Hole& h : r.holes) {
            char cells[96];
            std::snprintf(cells, sizeof cells, "  %4d  %6d  %7d  %5d  ", h.number, h.courseId,
                          h.Strokes(), h.Putts());
            o << cells;
            if (h.teeShot) {
                std::snprintf(cells, sizeof cells, "%.0f yd", rounds::Yards(*h.teeShot));
                o << cells;
            } else {
                o << "-";
            }
            o << "  " << h.courseName << "\n";
        }
        o << "  Total: " << t.holes << " holes, " << t.strokes << " strokes, " << t.putts
          << " putts (from the marks)\n";
        if (lr.frontCourseId)
            o << "  Card holes 1-9 played on course " << *lr.frontCourseId << "\n";
        if (lr.backCourseId)
            o << "  Card holes 10-18 played on course " << *lr.backCourseId << "\n";
        if (!r.scores.empty()) {
            o << "  Score card lines as the file gave them (tag, word, 18 values):\n";
            for (const rounds::ScoreLine& s : r.scores) {
                o << "    " << ShownTag(s.tag) << (ShownTag(s.tag).empty() ? "-" : "") << " "
                  << s.word;
                for (int v : s.values)
                    o << " " << v;
                o << "\n";
            }
        }
        for (const std::string& src : book->Sources(lr.id))
            o << "  From " << src << "\n";
        std::string out = o.str();
        platform::BinaryStdout();
        std::fwrite(out.data(), 1, out.size(), stdout);
        return FinishStandardOutput(kExitOk);
    });
}

int RunRemove(const Args& a) {
    return Guard([&]() -> int {
        if (!a.yes) {
            std::fprintf(stderr,
                         "veldrant-cli: removing round %lld from the logbook cannot be undone; "
                         "add --yes to remove it\n",
                         static_cast<long long>(a.id));
            return kExitUsage;
        }
        std::unique_ptr<Logbook> book = OpenOrSay(a, Logbook::Mode::Write);
        if (!book)
            return kExitFailure;
        if (!book->Remove(a.id)) {
            std::fprintf(stderr, "veldrant-cli: the logbook has no round %lld\n",
                         static_cast<long long>(a.id));
            return kExitFailure;
        }
        std::printf("Round %lld removed from the logbook.\n", static_cast<long long>(a.id));
        return kExitOk;
    });
}

int RunExport(const Args& a) {
    return Guard([&]() -> int {
        std::unique_ptr<Logbook> book = OpenOrSay(a, Logbook::Mode::ReadOnly);
        if (!book)
            return kExitFailure;
        std::vector<logbook::LoggedRound> all = book->StoredRounds();
        if (!MakeOutputFolderOrSay(*a.output))
            return kExitFailure;
        const fs::path dir = platform::Utf8Path(*a.output);
        for (const logbook::LoggedRound& lr : all) {
            if (!WriteWholeFile(platform::PathUtf8(dir / logbook::RoundCsvName(lr)),
                                logbook::RoundCsv(lr)))
                return kExitFailure;
        }
        std::printf("%s written to %s\n", Count(all.size(), "round", "rounds").c_str(),
                    AbsolutePath(*a.output).c_str());
        return kExitOk;
    });
}

int RunBackup(const Args& a) {
    return Guard([&]() -> int {
        std::unique_ptr<Logbook> book = OpenOrSay(a, Logbook::Mode::ReadOnly);
        if (!book)
            return kExitFailure;
        if (platform::SameFile(*a.output, book->Path())) {
            std::fprintf(stderr, "veldrant-cli: %s is the logbook itself\n", a.output->c_str());
            return kExitFailure;
        }
        book->Backup(*a.output);
        std::printf("Logbook copied to %s\n", AbsolutePath(*a.output).c_str());
        return kExitOk;
    });
}

int RunCheck(const Args& a) {
    return Guard([&]() -> int {
        std::unique_ptr<Logbook> book = OpenOrSay(a, Logbook::Mode::ReadOnly);
        if (!book)
            return kExitFailure;
        std::vector<std::string> found = book->Check();
        if (found.empty()) {
            std::vector<logbook::RoundSummary> list = book->List();
            size_t marks = 0;
            for (const auto& s : list)
                marks += static_cast<size_t>(s.marks);
            std::printf("The logbook %s is sound: %s, %s.\n", book->Path().c_str(),
                        Count(list.size(), "round", "rounds").c_str(),
                        Count(marks, "mark", "marks").c_str());
            return kExitOk;
        }
        std::printf("The logbook %s has %s:\n", book->Path().c_str(),
                    Count(found.size(), "problem", "problems").c_str());
        for (const std::string& f : found)
            std::printf("  %s\n", f.c_str());
        return kExitFailure;
    });
}

// "4,4,3,5,..." as nine numbers in [lo, hi].
std::optional<std::vector<int>> Nine(const std::string& text, int lo, int hi) {
    std::vector<int> v;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        size_t used = 0;
        int n = 0;
        try {
            n = std::stoi(item, &used);
        } catch (...) {
            return std::nullopt;
        }
        if (used != item.size() || n < lo || n > hi)
            return std::nullopt;
        v.push_back(n);
    }
    if (v.size() != 9)
        return std::nullopt;
    return v;
}

int ShowPar(Logbook& book, int gcid) {
    logbook::CourseSetup setup = book.Setup();
    std::map<logbook::NineKey, std::string> courses = book.Courses();
    std::string name = book.GolfCourses()[gcid];
    std::printf("Golf course %d %s\n", gcid, name.c_str());
    for (const auto& [key, courseName] : courses) {
        if (key.golfCourseId != gcid)
            continue;
        std::string par, index;
        for (int h = 1; h <= 9; ++h) {
            logbook::HoleKey k{gcid, key.courseId, h};
            auto p = setup.par.find(k);
            auto s = setup.strokeIndex.find(k);
            par += (h > 1 ? "," : "") + (p != setup.par.end() ? std::to_string(p->second) : "-");
            index += (h > 1 ? "," : "") +
                     (s != setup.strokeIndex.end() ? std::to_string(s->second) : "-");
        }
        std::printf("  course %d %s: par %s; stroke index %s", key.courseId, courseName.c_str(),
                    par.c_str(), index.c_str());
        auto r = setup.ratings.find(key);
        if (r != setup.ratings.end())
            std::printf("; rating %.1f, slope %d", r->second.courseRating, r->second.slope);
        std::printf("\n");
    }
    return kExitOk;
}

int RunPar(const Args& a, const std::optional<std::string>& pars,
           const std::optional<std::string>& indexes) {
    return Guard([&]() -> int {
        const bool change = a.cid >= 0;
        std::unique_ptr<Logbook> book =
            OpenOrSay(a, change ? Logbook::Mode::Write : Logbook::Mode::ReadOnly);
        if (!book)
            return kExitFailure;
        if (!change)
            return ShowPar(*book, a.gcid);
        std::optional<std::vector<int>> par, index;
        if (pars && !(par = Nine(*pars, 3, 6))) {
            std::fprintf(stderr, "veldrant-cli: --holes takes nine pars 3-6, as 4,4,3,5,...\n");
            return kExitUsage;
        }
        if (indexes && !(index = Nine(*indexes, 1, 18))) {
            std::fprintf(stderr,
                         "veldrant-cli: --index takes nine stroke indexes 1-18, as 7,1,17,...\n");
            return kExitUsage;
        }
        if (!a.clear && !par && !index) {
            std::fprintf(stderr, "veldrant-cli: give --holes, --index or --clear\n");
            return kExitUsage;
        }
        logbook::CourseSetup setup = book->Setup();
        for (int h = 1; h <= 9; ++h) {
            logbook::HoleKey k{a.gcid, a.cid, h};
            std::optional<int> p, s;
            if (!a.clear) {
                if (auto it = setup.par.find(k); it != setup.par.end())
                    p = it->second;
                if (auto it = setup.strokeIndex.find(k); it != setup.strokeIndex.end())
                    s = it->second;
            }
            if (par)
                p = (*par)[static_cast<size_t>(h - 1)];
            if (index)
                s = (*index)[static_cast<size_t>(h - 1)];
            book->SetHole(k, p, s);
        }
        return ShowPar(*book, a.gcid);
    });
}

int RunRating(const Args& a, std::optional<double> rating, std::optional<int> slope) {
    return Guard([&]() -> int {
        const bool change = a.cid >= 0;
        std::unique_ptr<Logbook> book =
            OpenOrSay(a, change ? Logbook::Mode::Write : Logbook::Mode::ReadOnly);
        if (!book)
            return kExitFailure;
        if (change) {
            if (!a.clear && !(rating && slope)) {
                std::fprintf(stderr, "veldrant-cli: give RATING and SLOPE, or --clear\n");
                return kExitUsage;
            }
            if (!a.clear && (*rating < 20 || *rating > 60 || *slope < 55 || *slope > 155)) {
                std::fprintf(stderr,
                             "veldrant-cli: a nine's course rating is 20-60 and its slope "
                             "55-155\n");
                return kExitUsage;
            }
            book->SetRating(
                {a.gcid, a.cid},
                a.clear ? std::nullopt : std::optional<logbook::NineRating>({*rating, *slope}));
        }
        return ShowPar(*book, a.gcid);
    });
}

int RunNine(const Args& a) {
    return Guard([&]() -> int {
        if (a.words.size() != 2 || (a.words[0] != "front" && a.words[0] != "back")) {
            std::fprintf(stderr, "veldrant-cli: logbook nine ROUND front|back CID|none\n");
            return kExitUsage;
        }
        std::optional<int> cid;
        if (a.words[1] != "none") {
            if (a.words[1].size() != 1 || a.words[1][0] < '0' || a.words[1][0] > '7') {
                std::fprintf(stderr, "veldrant-cli: a course id is 0-7, or none\n");
                return kExitUsage;
            }
            cid = a.words[1][0] - '0';
        }
        std::unique_ptr<Logbook> book = OpenOrSay(a, Logbook::Mode::Write);
        if (!book)
            return kExitFailure;
        book->SetNine(a.id, a.words[0] == "back", cid);
        std::printf("Round %lld: card holes %s %s.\n", static_cast<long long>(a.id),
                    a.words[0] == "back" ? "10-18" : "1-9",
                    cid ? ("played on course " + std::to_string(*cid)).c_str()
                        : "take the course their marks tell");
        return kExitOk;
    });
}

const CommandRegistration kLogbook([](CommandLine& line) {
    {
        auto a = std::make_shared<Args>();
        CLI::App& c = line.Add(
            {"logbook add", "FILE.csv... [--logbook PATH]",
             "add the rounds of mark CSV files to the logbook",
             "Adds every round (a day at one golf course) of each mark CSV file, from Veldrant or\n"
             "from the original tool, to the logbook, each file in one transaction. A round whose\n"
             "marks are all there already adds nothing; one that shares a mark with a logged\n"
             "round extends it; score cards are kept once. A file that is not a mark CSV file is\n"
             "named with the reason and adds nothing; the others still go in.\n\n"
             "Exit status: 0 every file added, 1 a file or the logbook failed, 2 a bad command "
             "line."},
            [a] { return RunAdd(*a); });
        line.Input(c.add_option("FILE.csv", a->inputs, "mark CSV files")->required());
        AddLogbookOption(c, a->logbook);
    }
    {
        auto a = std::make_shared<Args>();
        CLI::App& c = line.Add(
            {"logbook list", "[--json] [--logbook PATH]", "list the logbook's rounds",
             "Lists the rounds, oldest first: id, date, start, holes, marks and putts counted\n"
             "from the marks, and player 1's score on the round's first card. --json gives one\n"
             "JSON array."},
            [a] { return RunList(*a); });
        c.add_flag("--json", a->json, "print one JSON array");
        AddLogbookOption(c, a->logbook);
    }
    {
        auto a = std::make_shared<Args>();
        CLI::App& c = line.Add({"logbook show", "ID [--logbook PATH]", "show one logged round",
                                "Shows the round's holes with strokes, putts and tee shots from "
                                "the marks, its\nscore card lines and the files it came from."},
                               [a] { return RunShow(*a); });
        c.add_option("ID", a->id, "the round's id (logbook list)")->required();
        AddLogbookOption(c, a->logbook);
    }
    {
        auto a = std::make_shared<Args>();
        CLI::App& c = line.Add(
            {"logbook remove", "ID --yes [--logbook PATH]", "remove a round from the logbook",
             "Removes the round with its marks and score cards. Without --yes nothing is\n"
             "removed (exit status 2)."},
            [a] { return RunRemove(*a); });
        c.add_option("ID", a->id, "the round's id (logbook list)")->required();
        c.add_flag("--yes", a->yes, "remove it");
        AddLogbookOption(c, a->logbook);
    }
    {
        auto a = std::make_shared<Args>();
        CLI::App& c = line.Add(
            {"logbook export", "-o DIR [--logbook PATH]",
             "write every logged round back as a mark CSV file",
             "Writes each round as a mark CSV file of its own in DIR\n"
             "(YYYYMMDD_hhmmss_GCID_MARK.csv), in the mark import's layout; adding them to an\n"
             "empty logbook gives the same rounds."},
            [a] { return RunExport(*a); });
        line.Output(
            c.add_option("-o,--output", a->output, "the folder")->required()->type_name("DIR"));
        AddLogbookOption(c, a->logbook);
    }
    {
        auto a = std::make_shared<Args>();
        CLI::App& c =
            line.Add({"logbook backup", "FILE [--logbook PATH]", "copy the logbook",
                      "Writes a consistent copy of the logbook to FILE, also while another "
                      "program is\nadding to it. A file of that name is replaced once the copy "
                      "is complete."},
                     [a] { return RunBackup(*a); });
        line.Output(c.add_option("FILE", a->output, "the copy")->required());
        AddLogbookOption(c, a->logbook);
    }
    {
        auto a = std::make_shared<Args>();
        CLI::App& c = line.Add(
            {"logbook check", "[--logbook PATH]", "check the logbook file",
             "Runs SQLite's integrity check and foreign key check and says what they found.\n\n"
             "Exit status: 0 sound, 1 a problem found or the logbook refused."},
            [a] { return RunCheck(*a); });
        AddLogbookOption(c, a->logbook);
    }
    {
        auto a = std::make_shared<Args>();
        auto pars = std::make_shared<std::optional<std::string>>();
        auto index = std::make_shared<std::optional<std::string>>();
        CLI::App& c = line.Add(
            {"logbook par", "GCID [CID --holes P,... [--index S,...] | CID --clear]",
             "show or set the par and stroke index of a golf course's holes",
             "Without CID shows the par, stroke index and ratings of every course (nine) of\n"
             "golf course GCID. With CID sets holes 1-9 of that course: --holes the nine pars,\n"
             "--index their stroke indexes (1-18, as the hole counts in an 18), --clear both."},
            [a, pars, index] { return RunPar(*a, *pars, *index); });
        c.add_option("GCID", a->gcid, "the golf course id")->required();
        c.add_option("CID", a->cid, "the course id (0-7)")->check(CLI::Range(0, 7));
        c.add_option("--holes", *pars, "nine pars, 3-6")->type_name("P,...");
        c.add_option("--index", *index, "nine stroke indexes, 1-18")->type_name("S,...");
        c.add_flag("--clear", a->clear, "forget the course's par and stroke index");
        AddLogbookOption(c, a->logbook);
    }
    {
        auto a = std::make_shared<Args>();
        auto rating = std::make_shared<std::optional<double>>();
        auto slope = std::make_shared<std::optional<int>>();
        CLI::App& c = line.Add(
            {"logbook rating", "GCID [CID RATING SLOPE | CID --clear]",
             "show or set the course rating and slope of a nine",
             "Sets the nine-hole course rating (e.g. 35.8) and slope rating (55-155) of the\n"
             "tees the golfer plays on course CID of golf course GCID; without CID shows them."},
            [a, rating, slope] { return RunRating(*a, *rating, *slope); });
        c.add_option("GCID", a->gcid, "the golf course id")->required();
        c.add_option("CID", a->cid, "the course id (0-7)")->check(CLI::Range(0, 7));
        c.add_option("RATING", *rating, "nine-hole course rating");
        c.add_option("SLOPE", *slope, "nine-hole slope rating");
        c.add_flag("--clear", a->clear, "forget the rating");
        AddLogbookOption(c, a->logbook);
    }
    {
        auto a = std::make_shared<Args>();
        CLI::App& c = line.Add(
            {"logbook nine", "ROUND front|back CID|none [--logbook PATH]",
             "say on which course a nine of a round's card was played",
             "For a nine of the score card (front: holes 1-9, back: 10-18) that has no marks to\n"
             "tell its course, names the course (0-7) the golfer played; none forgets it."},
            [a] { return RunNine(*a); });
        c.add_option("ROUND", a->id, "the round's id")->required();
        c.add_option("NINE", a->words, "front or back, then CID or none")->required()->expected(2);
        AddLogbookOption(c, a->logbook);
    }
});

}  // namespace

void AddImportToLogbook(const std::string& csvPath, const std::string& logbookPath) {
    try {
        rounds::ReadResult r = rounds::LoadRounds(csvPath);
        if (!r.ok())
            throw LogbookError(LogbookError::Kind::Failed, r.error);
        std::unique_ptr<Logbook> book =
            Logbook::Open(logbook::LogbookPath(logbookPath), Logbook::Mode::Write, SayBusy);
        logbook::AddSummary s = book->Add(r.file, AbsolutePath(csvPath));
        std::printf("Logbook %s: %s\n", book->Path().c_str(), logbook::SummaryText(s).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "veldrant-cli: the marks were not added to the logbook: %s\n",
                     e.what());
    }
}

}  // namespace veldrant::cli
