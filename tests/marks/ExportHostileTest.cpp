// Sets and score data that a broken or hostile watch could send: short, cut off, malformed or
// random. The export reads nothing outside the bytes it was given (the sanitizers watch that)
// and writes only whole, well-formed lines.
#include <gtest/gtest.h>

#include <random>

#include "marks/MarkExport.h"
#include "tests/marks/MarkBytes.h"
#include "tests/support/Csv.h"

namespace veldrant::marks {
namespace {

using test::Bytes;
using test::Mark;

// Exact-size heap copy, so that any read past the end is caught.
std::string ExportExact(const Bytes& set, const Bytes& score = {}) {
    std::unique_ptr<uint8_t[]> s(new uint8_t[set.size() + 1]);
    std::unique_ptr<uint8_t[]> c(new uint8_t[score.size() + 1]);
    std::copy(set.begin(), set.end(), s.get());
    std::copy(score.begin(), score.end(), c.get());
    return ExportMarkSetToString({s.get(), set.size()}, {c.get(), score.size()});
}

size_t MarkLines(const std::string& out) {
    size_t n = 0;
    for (size_t pos = 0; (pos = out.find("\r\n\"1234\",", pos)) != std::string::npos; ++pos)
        ++n;
    return n;
}

TEST(ExportHostile, SetWithoutAWholeFirstRecordWritesNothing) {
    Bytes full = test::MarkSet({Mark{}}, false);  // 48 + 116 bytes
    for (size_t c :
         {size_t{0}, size_t{3}, size_t{4}, size_t{47}, size_t{48}, size_t{52}, size_t{163}}) {
        Bytes set(full.begin(), full.begin() + static_cast<long>(c));
        MemorySink sink;
        EXPECT_EQ(ExportMarkSet(set, {}, sink), ExportResult::NoMarks) << c;
        EXPECT_TRUE(sink.Data().empty()) << c;
        EXPECT_TRUE(sink.IsOpen());
    }
    EXPECT_EQ(MarkLines(ExportExact(full)), 1u);
}

// Where a set stops inside a block it is cut short; a set that ends with a block or at an end
// word is whole, whatever follows the end word.
TEST(ExportHostile, CutShortSetsAreToldFromWholeOnes) {
    const Bytes three = test::MarkSet({Mark{}, Mark{}, Mark{}}, false);  // 48 + 3 * 116
    Bytes ended = three;
    ended.insert(ended.end(), {0, 0, 0, 0, 'x', 'y'});
    Bytes twoBlocks = test::MarkSet({Mark{}}, false);
    const Bytes block = test::MarkBlock();
    twoBlocks.insert(twoBlocks.end(), block.begin(), block.end());
    struct Row {
        Bytes set;
        size_t length;
        std::optional<size_t> cut;
    } rows[] = {
        {three, three.size(), std::nullopt},
        {ended, ended.size(), std::nullopt},
        {three, three.size() - 10, 48 + 2 * 116},
        {three, 48 + 2 * 116 + 2, 48 + 2 * 116},  // not even the first word
        {three, 48 + 116 + 1, 48 + 116},
        {three, 47, 0},  // inside the MARK block
        {twoBlocks, twoBlocks.size() - 1, 48 + 116},
        {twoBlocks, twoBlocks.size(), std::nullopt},
        {three, 0, std::nullopt},
    };
    for (const Row& row : rows) {
        const std::span<const uint8_t> set(row.set.data(), row.length);
        EXPECT_EQ(CutShortAt(set), row.cut) << row.length;
    }
}

TEST(ExportHostile, MarkBlockFollowedByTheEndWritesNothing) {
    Bytes set = test::MarkSet({});
    set.resize(400, 0);
    EXPECT_EQ(ExportExact(set), "");
}

TEST(ExportHostile, RecordCutOffByTheEndOfTheSetIsNotRead) {
    Bytes set = test::MarkSet({Mark{}, Mark{}, Mark{}}, false);
    set.resize(set.size() - 10);
    EXPECT_EQ(MarkLines(ExportExact(set)), 2u);
    set.resize(48 + 2 * 116 + 2);  // not even a whole first word of the third block
    EXPECT_EQ(MarkLines(ExportExact(set)), 2u);
}

TEST(ExportHostile, WalkStopsAtTheEndWordAndSkipsMarkBlocks) {
    Bytes set = test::MarkSet({Mark{}, Mark{}}, false);
    test::Append(set, test::MarkBlock());
    test::Append(set, test::MarkRecord(Mark{}));
    set.insert(set.end(), 4, 0);
    test::Append(set, test::MarkRecord(Mark{}));  // after the end: not part of the data
    EXPECT_EQ(MarkLines(ExportExact(set)), 3u);
}

TEST(ExportHostile, SetStartingWithTwoMarkBlocksTakesItsHeadFromTheFirstRecord) {
    Bytes set = test::MarkBlock();
    Mark m;
    m.time = test::PackTime(2017, 1, 2, 3, 4, 5);
    test::Append(set, test::MarkSet({m}));
    std::string out = ExportExact(set);
    EXPECT_NE(out.find("\"SESSION1\",\"20170102_030405\""), std::string::npos) << out;
    EXPECT_EQ(out.find("SESSION2"), std::string::npos);
}

// Any bytes at all: the output is a whole number of CSV records, every field quoted.
TEST(ExportHostile, RandomSetsGiveWellFormedCsv) {
    std::mt19937 rng(42);
    for (int round = 0; round < 300; ++round) {
        size_t c = rng() % 3000;
        Bytes set(c);
        for (auto& b : set)
            b = static_cast<uint8_t>(rng());
        // Give most sets a proper start so that the walk gets going.
        if (c >= 4 && round % 4 != 0) {
            set[0] = 'M', set[1] = 'A', set[2] = 'R', set[3] = 'K';
        }
        Bytes score(rng() % 4000);
        for (auto& b : score)
            b = static_cast<uint8_t>(rng() % 4);  // often matching dates
        std::string out = ExportExact(set, score);
        testing::CsvParse csv = testing::ParseCsv(out);
        ASSERT_TRUE(csv.ok()) << csv.error << " in round " << round;
        for (const auto& record : csv.records) {
            for (const auto& field : record)
                ASSERT_TRUE(field.quoted);
            ASSERT_TRUE(record.size() == 1 || record.size() == 2 || record.size() == 3 ||
                        record.size() == 11 || record.size() == 20)
                << record.size();
        }
        ASSERT_EQ(out.find('\0'), std::string::npos);
    }
}

// A sink that takes `capacity` bytes and then fails, like a disk filling up mid-write.
class LimitedSink : public IOutputSink {
public:
    explicit LimitedSink(size_t capacity) : capacity_(capacity) {}
    bool Write(std::string_view bytes) override {
        if (!open_) {
            ++writesAfterClose;
            return false;
        }
        size_t room = capacity_ - data.size();
        data.append(bytes.substr(0, room));
        if (bytes.size() > room)
            open_ = false;
        return open_;
    }
    bool Flush() override { return open_; }
    bool Close() override {
        open_ = false;
        return true;
    }
    bool IsOpen() const override { return open_; }
    const std::string& Error() const override { return error_; }

    std::string data;
    int writesAfterClose = 0;

private:
    size_t capacity_;
    bool open_ = true;
    std::string error_;
};

TEST(ExportHostile, FailedWriteClosesTheSinkAndWritesNothingAfterIt) {
    Bytes set = test::MarkSet({Mark{}, Mark{}, Mark{}});
    Bytes score = test::ScoreData({test::FullCard(1234, static_cast<uint16_t>(Mark{}.time >> 16))});
    const std::string full = ExportMarkSetToString(set, score);
    ASSERT_GT(full.size(), 1000u);
    for (size_t capacity = 0; capacity < full.size(); capacity += 37) {
        LimitedSink sink(capacity);
        EXPECT_EQ(ExportMarkSet(set, score, sink), ExportResult::WriteFailed) << capacity;
        EXPECT_FALSE(sink.IsOpen());
        EXPECT_EQ(sink.writesAfterClose, 0) << "kept writing after the failure";
        EXPECT_EQ(sink.data, full.substr(0, capacity));
        // The next set of the same download finds the file closed.
        EXPECT_EQ(ExportMarkSet(set, score, sink), ExportResult::WriteFailed);
        EXPECT_EQ(sink.data.size(), capacity);
    }
    LimitedSink roomy(full.size());
    EXPECT_EQ(ExportMarkSet(set, score, roomy), ExportResult::Written);
}

}  // namespace
}  // namespace veldrant::marks
