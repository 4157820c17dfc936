// veldrant-sim's options for the marks and scores (codes 10, 11, 18, 19): where the data comes
// from, and the faults a download can meet.
#include <cstdio>
#include <memory>

#include "sim/MarkService.h"
#include "sim/OptionRegistry.h"

namespace veldrant::sim {
namespace {

struct MarkSettings {
    std::optional<MarkData> data;  // from --marks DIR; otherwise the generated sample
    uint32_t seed = 2016;
    bool empty = false;
    bool noScore = false;
    std::string saveDir;
    MarkFaults faults;
};

MarkSettings& Settings() {
    static MarkSettings settings;
    return settings;
}

// "A:B[:C]" into numbers, each within [0, 0x7FFFFFFF].
bool Numbers(const std::string& v, size_t minParts, size_t maxParts, std::vector<uint32_t>& out) {
    out.clear();
    for (size_t pos = 0;;) {
        size_t next = v.find(':', pos);
        long n;
        if (!ParseNumber(v.substr(pos, next == std::string::npos ? next : next - pos), 0,
                         0x7FFFFFFF, &n))
            return false;
        out.push_back(uint32_t(n));
        if (next == std::string::npos)
            break;
        pos = next + 1;
    }
    return out.size() >= minParts && out.size() <= maxParts;
}

bool LoadDir(SimConfig&, const std::string& v, std::string* error) {
    MarkData data;
    if (!LoadMarkData(v, data, error))
        return false;
    Settings().data = std::move(data);
    return true;
}

bool Seed(SimConfig&, const std::string& v, std::string* error) {
    long n;
    if (!ParseNumber(v, 0, 0x7FFFFFFF, &n)) {
        *error = "expected a number";
        return false;
    }
    Settings().seed = uint32_t(n);
    return true;
}

bool FailRead(SimConfig&, const std::string& v, std::string* error) {
    std::vector<uint32_t> n;
    if (!Numbers(v, 1, 1, n)) {
        *error = "expected a mark set index, e.g. 0";
        return false;
    }
    Settings().faults.failReadSet = n[0];
    return true;
}

// "SET:BLOCK[:TIMES]"
bool FailBlock(SimConfig&, const std::string& v, std::string* error) {
    std::vector<uint32_t> n;
    if (!Numbers(v, 2, 3, n)) {
        *error = "expected SET:BLOCK[:TIMES], e.g. 0:3:2";
        return false;
    }
    MarkFaults& f = Settings().faults;
    f.failBlockSet = n[0];
    f.failBlock = n[1];
    f.failBlockTimes = n.size() > 2 ? n[2] : 1;
    return true;
}

// "SET[:BLOCKS]"
bool Remove(SimConfig&, const std::string& v, std::string* error) {
    std::vector<uint32_t> n;
    if (!Numbers(v, 1, 2, n)) {
        *error = "expected SET[:BLOCKS], e.g. 0:2";
        return false;
    }
    Settings().faults.removeDuringSet = n[0];
    Settings().faults.removeAfterBlocks = n.size() > 1 ? n[1] : 1;
    return true;
}

// "SET:BYTES"
bool ClaimLength(SimConfig&, const std::string& v, std::string* error) {
    std::vector<uint32_t> n;
    long bytes = 0;
    size_t colon = v.find(':');
    if (colon == std::string::npos || !Numbers(v.substr(0, colon), 1, 1, n) ||
        !ParseNumber(v.substr(colon + 1), 0, 0xFFFFFFFFL, &bytes)) {
        *error = "expected SET:BYTES, e.g. 0:0xFFFFFFFF";
        return false;
    }
    Settings().faults.lieAboutSet = n[0];
    Settings().faults.claimedLength = uint32_t(bytes);
    return true;
}

bool ClaimScore(SimConfig&, const std::string& v, std::string* error) {
    long bytes;
    if (!ParseNumber(v, 0, 0xFFFFFFFFL, &bytes)) {
        *error = "expected a byte count";
        return false;
    }
    Settings().faults.claimedScoreLength = uint32_t(bytes);
    return true;
}

bool Flag(bool& flag) {
    flag = true;
    return true;
}

OptionRegistration marksDir({"--marks", "DIR",
                             "mark sets from DIR/set000.bin, set001.bin, ... and score data from "
                             "DIR/score.bin (as 'veldrant-cli marks export --raw' saves them); "
                             "default: a generated sample",
                             LoadDir});
OptionRegistration marksSeed({"--marks-seed", "N", "seed of the generated sample", Seed});
OptionRegistration marksEmpty({"--marks-empty", "", "the watch holds no mark set",
                               [](SimConfig&, const std::string&, std::string*) {
                                   return Flag(Settings().empty);
                               }});
OptionRegistration marksNoScore({"--marks-no-score", "", "the watch holds no score data",
                                 [](SimConfig&, const std::string&, std::string*) {
                                     return Flag(Settings().noScore);
                                 }});
OptionRegistration marksSave({"--marks-save", "DIR",
                              "write the mark and score data the watch holds to DIR at start",
                              [](SimConfig&, const std::string& v, std::string*) {
                                  Settings().saveDir = v;
                                  return true;
                              }});
OptionRegistration marksFailRead({"--marks-fail-read", "SET", "request 11 for mark set SET fails",
                                  FailRead});
OptionRegistration marksFailBlock({"--marks-fail-block", "SET:BLOCK[:TIMES]",
                                   "refuse block BLOCK of mark set SET the first TIMES (1) times",
                                   FailBlock});
OptionRegistration marksRemove({"--marks-remove-during", "SET[:BLOCKS]",
                                "pull the watch out after BLOCKS (1) blocks of mark set SET",
                                Remove});
OptionRegistration marksClaim({"--marks-claim-length", "SET:BYTES",
                               "request 11 for mark set SET answers BYTES as its length",
                               ClaimLength});
OptionRegistration marksClaimScore({"--marks-claim-score-length", "BYTES",
                                    "request 19 answers BYTES as the score data's length",
                                    ClaimScore});

SetupRegistration addMarks([](Watch& watch, const SimConfig&) {
    MarkSettings& s = Settings();
    MarkData data = s.data ? *s.data : EncodeSample(GenerateMarkSample(s.seed));
    if (s.empty)
        data.sets.clear();
    if (s.noScore)
        data.score.clear();
    if (!s.saveDir.empty()) {
        std::string error;
        if (!SaveMarkData(s.saveDir, data, &error))
            std::fprintf(stderr, "veldrant-sim: %s\n", error.c_str());
    }
    watch.AddService(std::make_shared<MarkService>(std::move(data), s.faults));
});

}  // namespace
}  // namespace veldrant::sim
