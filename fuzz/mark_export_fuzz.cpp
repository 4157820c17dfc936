// libFuzzer target: the mark and score export fed with arbitrary set and score bytes. Besides the
// sanitizers the harness checks what the CSV file relies on: the output is valid UTF-8, and a
// sink that fails part way gets a prefix of the full output and nothing after the failure.
//
// Input: one mode byte, the set's length (32-bit little-endian), the set's bytes, then the score
// bytes. Mode bit 0 puts a MARK block in front of the set, so that mutations reach the records;
// the other bits say after how many writes the second sink fails.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/FuzzBytes.h"
#include "marks/MarkExport.h"
#include "marks/OutputSink.h"

namespace {

using namespace veldrant;

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "mark export fuzz: %s\n", what);
        std::abort();
    }
}

bool ValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80           ? 1
                   : (c >> 5) == 0x6  ? 2
                   : (c >> 4) == 0xE  ? 3
                   : (c >> 3) == 0x1E ? 4
                                      : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 0x2)
                return false;
        }
        i += n;
    }
    return true;
}

// A sink that takes `writes` writes and fails the next; closed from then on.
class FailingSink : public marks::IOutputSink {
public:
    explicit FailingSink(size_t writes) : left_(writes) {}
    bool Write(std::string_view bytes) override {
        Require(open_, "written to after it had failed");
        if (left_ == 0) {
            open_ = false;
            return false;
        }
        --left_;
        data_ += bytes;
        return true;
    }
    bool Flush() override { return open_; }
    bool Close() override {
        bool was = open_;
        open_ = false;
        return was;
    }
    bool IsOpen() const override { return open_; }
    const std::string& Error() const override { return error_; }
    const std::string& Data() const { return data_; }
    bool Failed() const { return left_ == 0 && !open_; }

private:
    size_t left_;
    bool open_ = true;
    std::string data_;
    std::string error_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::FuzzBytes in({data, size});
    const uint8_t mode = in.Byte();
    const uint32_t setLength = in.Word();
    std::vector<uint8_t> set;
    if (mode & 1) {
        set.assign(48, 0);
        set[0] = 'M', set[1] = 'A', set[2] = 'R', set[3] = 'K';
    }
    auto setBytes = in.Take(setLength);
    set.insert(set.end(), setBytes.begin(), setBytes.end());
    auto scoreBytes = in.Take(in.Left());
    // Exactly sized copies, so that a read past either end is caught.
    std::vector<uint8_t> score(scoreBytes.begin(), scoreBytes.end());
    set.shrink_to_fit();
    score.shrink_to_fit();

    marks::MemorySink whole;
    marks::ExportResult r = marks::ExportMarkSet(set, score, whole);
    Require(r != marks::ExportResult::WriteFailed, "a memory sink failed");
    Require(r == marks::ExportResult::Written || whole.Data().empty(),
            "a set without marks wrote lines");
    Require(ValidUtf8(whole.Data()), "the output is not UTF-8");
    Require(marks::ExportMarkSetToString(set, score) == whole.Data(), "the string form differs");

    FailingSink failing(mode >> 1);
    marks::ExportResult f = marks::ExportMarkSet(set, score, failing);
    Require(whole.Data().compare(0, failing.Data().size(), failing.Data()) == 0,
            "a failing sink got other bytes than the full output's beginning");
    if (failing.Failed())
        Require(f == marks::ExportResult::WriteFailed, "a failed write not reported");
    if (f == marks::ExportResult::WriteFailed)
        Require(!failing.IsOpen(), "the sink is still open after the failure");
    return 0;
}
