#include "tests/faults/MarkRig.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "devicelink/Commands.h"
#include "marks/MarkExport.h"

namespace veldrant::faults {

namespace {
const std::string kBom = "\xEF\xBB\xBF";
}

MarkRig::MarkRig(std::chrono::milliseconds timeout)
    : Rig(timeout),
      data_(sim::EncodeSample(sim::GenerateMarkSample())),
      service_(std::make_shared<sim::MarkService>(data_)),
      import_(Link()) {
    GetWatch().AddService(service_);
}

void MarkRig::Run(SeenHost& host) {
    lastPath_ = Directory() + "/marks-" + std::to_string(++presses_) + ".csv";
    host.outputPath = lastPath_;
    lastResult_ = {};
    lastStart_ = import_.Start(host);
    if (lastStart_ == marks::StartOutcome::Ready)
        lastResult_ = import_.Run(host);
}

std::optional<std::string> MarkRig::LastFile() const {
    std::ifstream in(lastPath_, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string MarkRig::FileOf(const std::vector<size_t>& sets,
                            std::optional<size_t> scoreBytes) const {
    std::vector<uint8_t> score = data_.score;
    if (scoreBytes)
        score.resize(*scoreBytes, 0);
    std::string file = kBom;
    for (size_t a : sets)
        file += marks::ExportMarkSetToString(data_.sets[a], score);
    return file;
}

SeenMessage MarkRig::MissingSetsNote(size_t unread) const {
    return {std::to_string(unread) + " of " + std::to_string(SetCount()) +
                " mark sets could not be read from the watch and are missing from " + lastPath_ +
                ".",
            "Error", ops::MessageIcon::Error};
}

SeenMessage MarkRig::NothingWrittenNote(size_t unread) const {
    return {std::to_string(unread) + " of " + std::to_string(SetCount()) +
                " mark sets could not be read from the watch; " + lastPath_ + " was not written.",
            "Error", ops::MessageIcon::Error};
}

std::optional<size_t> MarkRig::SetOf(const std::vector<SentRequest>& log, uint64_t exchange) {
    std::optional<size_t> set;
    for (uint64_t i = 0; i < exchange && i < log.size(); ++i) {
        if (log[i].code == CMD_MARK_READ && !log[i].IsBlock())
            set = log[i].value;
    }
    return set;
}

std::string MarkRig::ExpectSuccess(const Seen& seen) {
    EXPECT_EQ(lastStart_, marks::StartOutcome::Ready);
    EXPECT_EQ(lastResult_.outcome, marks::RunOutcome::Done);
    EXPECT_TRUE(seen.messages.empty()) << seen.Summary();
    EXPECT_EQ(seen.texts, (std::vector<std::string>{"", ops::kTextDone}));
    EXPECT_FALSE(seen.positions.empty());
    if (!seen.positions.empty()) {
        EXPECT_EQ(seen.positions.back(), 100);
    }
    std::optional<std::string> file = LastFile();
    EXPECT_TRUE(file && *file == FileOf({0, 1})) << "the file differs from the export of both sets";
    ExpectReleased(seen, true);
    return "both sets imported, file byte for byte";
}

std::vector<SentRequest> MarkRig::Probe() {
    SeenHost host;
    Run(host);
    ExpectSuccess(host.Get());
    std::vector<SentRequest> log = Wire().Log();
    Wire().ResetCount();
    return log;
}

}  // namespace veldrant::faults
