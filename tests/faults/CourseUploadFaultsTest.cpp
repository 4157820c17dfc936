// The course upload against a watch that is pulled out, stops answering, sends broken replies
// or hostile reply words. Every failure says "Failed to read course file"; a damaged confirm
// only sends the golf course again; the next upload leaves the watch with the right bytes.
#include <gtest/gtest.h>

#include <cstdio>

#include "devicelink/Commands.h"
#include "tests/faults/CourseRig.h"
#include "tests/faults/FaultMatrix.h"
#include "tests/faults/Rules.h"

namespace veldrant::faults {
namespace {

void Record(const std::string& fault, const Seen& seen, const std::string& next) {
    AddMatrixRow({"course upload", fault, seen.Summary(), next});
}

RequestMatch Confirm() {
    return [](const SentRequest& rq) {
        return rq.code == CMD_COURSE_DATA && !rq.IsBlock() && rq.words[3] == course::kConfirmWord;
    };
}
RequestMatch End() {
    return [](const SentRequest& rq) {
        return rq.code == CMD_COURSE_DATA && !rq.IsBlock() && rq.words[3] == course::kEndWord;
    };
}
RequestMatch DirectoryBegin() {
    return [](const SentRequest& rq) {
        return rq.code == CMD_COURSE_DATA && !rq.IsBlock() && rq.words[3] == 0 &&
               rq.words[0] == course::kDirectoryBeginWord;
    };
}
RequestMatch CourseBegin() {
    return [](const SentRequest& rq) {
        return rq.code == CMD_COURSE_DATA && !rq.IsBlock() && rq.words[3] == 0 &&
               rq.words[0] != course::kDirectoryBeginWord;
    };
}
RequestMatch Block() {
    return [](const SentRequest& rq) { return rq.IsBlock(); };
}

size_t Count(const std::vector<SentRequest>& log, const RequestMatch& match) {
    size_t n = 0;
    for (const SentRequest& rq : log)
        n += match(rq) ? 1 : 0;
    return n;
}

TEST(CourseUploadFaults, UnplugAtEveryTenthExchange) {
    CourseRig rig;
    const std::vector<SentRequest> log = rig.Probe();
    ASSERT_GE(log.size(), 50u);
    for (uint64_t k = 10; k <= log.size(); k += 10) {
        const std::string fault = "unplug at exchange " + std::to_string(k) + " of " +
                                  std::to_string(log.size()) + " (" + Describe(log[k - 1]) + ")";
        SCOPED_TRACE(fault);
        SeenHost host;
        rig.UnplugAt(k, host);
        rig.Run(host);
        const Seen seen = host.Get();
        ExpectUploadFailed(seen);
        EXPECT_FALSE(rig.LastSummary().ok);
        Record(fault, seen, rig.CleanRunAfterFault());
    }
}

TEST(CourseUploadFaults, RemovalNoticedBeforeAGolfCourse) {
    CourseRig rig;
    SeenHost host;
    rig.UnplugAtProgress(3, host);  // 1 (directory), 1 (golf course 0), 33 (golf course 1)
    rig.Run(host);
    const Seen seen = host.Get();
    ExpectUploadFailed(seen);
    EXPECT_EQ(seen.positions, (std::vector<int>{1, 1, 33}));
    EXPECT_EQ(rig.LastSummary().sent, 1u);
    Record("removal noticed before golf course 1", seen, rig.CleanRunAfterFault());
}

TEST(CourseUploadFaults, WatchThatStopsAnswering) {
    CourseRig rig(kSilentTimeout);
    const std::vector<SentRequest> log = rig.Probe();
    struct Case {
        std::string where;
        uint64_t from;
    };
    const uint64_t secondBegin = FirstMatching(log, CourseBegin(), FirstMatching(log, Confirm()));
    const std::vector<Case> cases = {
        {"the directory begin", 1},
        {"block 3 of the directory", 1 + 4},
        {"the first confirm", FirstMatching(log, Confirm())},
        {"the second golf course's begin", secondBegin},
        {"the end record", FirstMatching(log, End())},
    };
    for (const Case& c : cases) {
        const std::string fault = "watch stops answering from " + c.where;
        SCOPED_TRACE(fault);
        ASSERT_GT(c.from, 0u);
        SeenHost host;
        rig.SilenceFrom(c.from);
        rig.Run(host);
        const Seen seen = host.Get();
        ExpectUploadFailed(seen);
        Record(fault, seen, rig.CleanRunAfterFault());
    }
}

TEST(CourseUploadFaults, DamagedRepliesToBlocks) {
    CourseRig rig;
    const std::vector<SentRequest> log = rig.Probe();
    const uint64_t block = FirstMatching(log, Block(), FirstMatching(log, CourseBegin())) + 1;
    ASSERT_TRUE(log[block - 1].IsBlock());
    for (Damage d : kEveryDamage) {
        SCOPED_TRACE(DamageName(d));
        {
            SeenHost host;
            rig.Wire().SetRule(At(block, Broken(d)));
            rig.Run(host);
            const Seen seen = host.Get();
            rig.ExpectSuccess(seen);
            EXPECT_EQ(rig.LastSummary().blockRetries, 1u);
            Record(DamageName(d) + ", once, on " + Describe(log[block - 1]) + " of golf course 0",
                   seen, rig.CleanRunAfterFault());
        }
        {
            SeenHost host;
            rig.Wire().SetRule(From(block, Broken(d)));
            rig.Run(host);
            const Seen seen = host.Get();
            ExpectUploadFailed(seen);
            EXPECT_EQ(rig.LastSummary().blockRetries, uint32_t(course::kCourseBlockTries));
            Record(DamageName(d) + ", every reply from " + Describe(log[block - 1]) +
                       " of golf course 0 on",
                   seen, rig.CleanRunAfterFault());
        }
    }
}

// Begin and end records have no second try: a damaged reply fails the upload. A damaged reply
// to a confirm counts as "not accepted" and sends the golf course again. None of them has a
// block number to echo.
TEST(CourseUploadFaults, DamagedRepliesToRecords) {
    CourseRig rig;
    rig.Probe();
    struct Case {
        std::string where;
        RequestMatch match;
        bool sentAgain;  // true: the golf course is sent again and the upload succeeds
    };
    const std::vector<Case> cases = {
        {"the directory begin", DirectoryBegin(), false},
        {"the first golf course's begin", CourseBegin(), false},
        {"the first confirm", Confirm(), true},
        {"the end record", End(), false},
    };
    for (const Case& c : cases) {
        for (Damage d : kEveryDamage) {
            const std::string fault = DamageName(d) + ", once, on " + c.where;
            SCOPED_TRACE(fault);
            SeenHost host;
            rig.Wire().SetRule(Matching(c.match, Broken(d), 1));
            rig.Run(host);
            const Seen seen = host.Get();
            if (d == Damage::WrongEcho || c.sentAgain) {
                rig.ExpectSuccess(seen);
                EXPECT_EQ(rig.LastSummary().repeated, d == Damage::WrongEcho ? 0u : 1u);
            } else {
                ExpectUploadFailed(seen);
            }
            Record(fault, seen, rig.CleanRunAfterFault());
        }
    }
}

std::string Hex(uint32_t v) {
    char s[16];
    std::snprintf(s, sizeof s, "0x%X", v);
    return s;
}

// Reply words the upload does not compare: the directory begin's and the end record's, and a
// course begin's other than 0xAAAAAAAA.
TEST(CourseUploadFaults, ReplyWordsThatAreNotComparedChangeNothing) {
    CourseRig rig;
    struct Case {
        std::string where;
        RequestMatch match;
        uint32_t word;
    };
    const std::vector<Case> cases = {
        {"the directory begin", DirectoryBegin(), course::kReplyNotNeeded},
        {"the directory begin", DirectoryBegin(), 0xFFFFFFFF},
        {"every course begin", CourseBegin(), course::kReplyAccepted},
        {"every course begin", CourseBegin(), 0xFFFFFFFF},
        {"the end record", End(), 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        const std::string fault = "reply word " + Hex(c.word) + " to " + c.where;
        SCOPED_TRACE(fault);
        SeenHost host;
        rig.Wire().SetRule(Matching(c.match, ReplyWord(c.word)));
        rig.Run(host);
        const Seen seen = host.Get();
        rig.ExpectSuccess(seen);
        Record(fault, seen, rig.CleanRunAfterFault());
    }
}

TEST(CourseUploadFaults, WatchThatHasEveryGolfCourseGetsOnlyTheDirectory) {
    CourseRig rig;
    SeenHost host;
    rig.Wire().SetRule(Matching(CourseBegin(), ReplyWord(course::kReplyNotNeeded)));
    rig.Run(host);
    const Seen seen = host.Get();
    EXPECT_TRUE(rig.LastSummary().ok);
    EXPECT_EQ(rig.LastSummary().skipped, 3u);
    EXPECT_TRUE(seen.messages.empty());
    EXPECT_EQ(seen.texts, (std::vector<std::string>{ops::kTextDone}));
    sim::CourseService::State s = rig.WatchState();
    EXPECT_TRUE(s.directory == rig.Expected().directory);
    EXPECT_TRUE(s.courses.empty());
    const std::vector<SentRequest> log = rig.Wire().Log();
    EXPECT_EQ(Count(log, CourseBegin()), 3u);
    EXPECT_EQ(Count(log, Confirm()), 0u);
    EXPECT_EQ(Count(log, Block()), (rig.Expected().directory.size() + kPayload - 1) / kPayload)
        << "the directory's blocks only";
    ExpectReleased(seen, true);
    Record("reply word 0xAAAAAAAA to every course begin", seen, rig.CleanRunAfterFault());
}

TEST(CourseUploadFaults, ConfirmNeverAcceptedEndsAfterTenRounds) {
    for (uint32_t word : {0u, course::kReplyNotNeeded, 0xFFFFFFFFu}) {
        const std::string fault = "reply word " + Hex(word) + " to every confirm";
        SCOPED_TRACE(fault);
        CourseRig rig;
        SeenHost host;
        rig.Wire().SetRule(Matching(Confirm(), ReplyWord(word)));
        rig.Run(host);
        const Seen seen = host.Get();
        ExpectUploadFailed(seen);
        const std::vector<SentRequest> log = rig.Wire().Log();
        EXPECT_EQ(Count(log, Confirm()), size_t(course::kCourseRounds));
        EXPECT_EQ(Count(log, CourseBegin()), size_t(course::kCourseRounds));
        EXPECT_EQ(Count(log, End()), 0u);
        // The watch took golf course 0 whole every time; only its answer went astray.
        sim::CourseService::State s = rig.WatchState();
        EXPECT_EQ(s.acceptedCourses, uint32_t(course::kCourseRounds));
        EXPECT_EQ(s.courses.size(), 1u);
        Record(fault, seen, rig.CleanRunAfterFault());
    }
}

TEST(CourseUploadFaults, ConfirmRefusedOnceSendsTheGolfCourseAgain) {
    CourseRig rig;
    SeenHost host;
    rig.Wire().SetRule(Matching(Confirm(), ReplyWord(0), 1));
    rig.Run(host);
    const Seen seen = host.Get();
    rig.ExpectSuccess(seen);
    EXPECT_EQ(rig.LastSummary().repeated, 1u);
    EXPECT_EQ(Count(rig.Wire().Log(), Confirm()), 4u);
    Record("reply word 0x0 to the first confirm", seen, rig.CleanRunAfterFault());
}

}  // namespace
}  // namespace veldrant::faults
