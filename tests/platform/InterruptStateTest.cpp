// The press counting both platforms' Ctrl-C handlers share, on a clock the test sets: a job that
// wants confirmation stops at a second Ctrl-C within the window only, at a request to end at once.
#include <gtest/gtest.h>

#include <vector>

#include "platform/Interrupt.h"
#include "platform/InterruptState.h"

namespace veldrant::platform {
namespace {

using interrupt::Notice;

struct Event {
    bool press;  // Ctrl-C; else a request to end
    std::int64_t ms;
    Notice notice;
};

TEST(InterruptState, PressesWithinTheWindowConfirmAndEachStopIsToldOnce) {
    const std::int64_t window = kConfirmWindowSeconds * 1000LL;
    struct Row {
        bool confirm;
        std::vector<Event> events;
        bool stop;
        int presses;
    } rows[] = {
        {false, {{true, 10, Notice::kStop}, {true, 20, Notice::kNone}}, true, 1},
        {false, {{false, 10, Notice::kStop}, {false, 20, Notice::kNone}}, true, 0},
        {true, {{true, 0, Notice::kFirst}}, false, 1},  // a press at 0 ms is a press too
        {true, {{true, 7, Notice::kFirst}, {true, 7 + window, Notice::kStop}}, true, 2},
        {true, {{true, 7, Notice::kFirst}, {true, 8 + window, Notice::kFirst}}, false, 2},
        {true,
         {{true, 7, Notice::kFirst},
          {true, 8 + window, Notice::kFirst},
          {true, 9 + window, Notice::kStop}},
         true,
         3},
        {true, {{false, 5, Notice::kStop}, {true, 6, Notice::kNone}}, true, 0},
        {true, {{true, 5, Notice::kFirst}, {false, 9 * window, Notice::kStop}}, true, 1},
    };
    for (const Row& row : rows) {
        InterruptCatcher catcher(row.confirm, "first", "stop");
        EXPECT_TRUE(interrupt::Catching());
        for (const Event& e : row.events) {
            const Notice notice = interrupt::Take(e.press, e.ms);
            EXPECT_EQ(notice, e.notice) << row.confirm << " at " << e.ms;
            EXPECT_STREQ(interrupt::Text(notice), notice == Notice::kFirst  ? "first"
                                                  : notice == Notice::kStop ? "stop"
                                                                            : "");
        }
        EXPECT_EQ(StopRequested(), row.stop) << row.confirm << " " << row.events.size();
        EXPECT_EQ(InterruptPresses(), row.presses);
    }
    EXPECT_FALSE(interrupt::Catching());
}

}  // namespace
}  // namespace veldrant::platform
