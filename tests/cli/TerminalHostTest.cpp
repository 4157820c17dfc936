// The terminal's progress: on a terminal one labelled bar per phase, redrawn in place and never
// as wide as the terminal; in a log a few labelled lines per phase, not a stream of percentages.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli/TerminalHost.h"

namespace veldrant::cli {
namespace {

struct Phase {
    std::string label;
    int blocks;
};

// Runs phases of `blocks` steps each through a host writing to a temporary file; what it wrote.
std::string Drive(bool terminal, int columns, const std::vector<Phase>& phases) {
    FILE* f = std::tmpfile();
    {
        TerminalHost host([] { return true; }, {f, terminal, columns});
        host.SetProgressPos(0);
        host.SetProgressText("");
        for (const Phase& p : phases) {
            host.SetProgressLabel(p.label);
            host.SetProgressPos(0);
            for (int i = 1; i <= p.blocks; ++i)
                host.SetProgressPos(i * 100 / p.blocks);
        }
        host.SetProgressText("完了しました。");
    }
    std::rewind(f);
    std::string out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    std::fclose(f);
    return out;
}

// The pieces between carriage returns and line ends, the erase-line sequence taken out.
std::vector<std::string> Pieces(std::string out) {
    for (size_t at; (at = out.find("\033[K")) != std::string::npos;)
        out.erase(at, 3);
    std::vector<std::string> pieces;
    std::string piece;
    for (char c : out) {
        if (c == '\r' || c == '\n') {
            if (!piece.empty())
                pieces.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty())
        pieces.push_back(piece);
    return pieces;
}

size_t Count(const std::string& s, const std::string& what) {
    size_t n = 0;
    for (size_t at = 0; (at = s.find(what, at)) != std::string::npos; at += what.size())
        ++n;
    return n;
}

TEST(TerminalProgress, BarsFitTheTerminalAndLogsGetAFewLabelledLines) {
    const std::vector<Phase> phases = {
        {"mark set 1 of 2", 200}, {"score data (mark set 1 of 2)", 50}, {"mark set 2 of 2", 7}};
    struct Row {
        bool terminal;
        int columns;
    } rows[] = {{true, 80}, {true, 40}, {true, 20}, {false, 80}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.columns) + (row.terminal ? " columns" : ", a log"));
        const std::string out = Drive(row.terminal, row.columns, phases);
        const std::vector<std::string> pieces = Pieces(out);
        if (row.terminal) {
            // One line a phase (the bar redrawn in place), then the closing text.
            EXPECT_EQ(Count(out, "\n"), phases.size() + 1) << out;
            for (const std::string& p : pieces) {
                // The closing text is Japanese: two columns a character.
                const size_t width = p.find("完了") == 0 ? 14 : p.size();
                EXPECT_LT(width, static_cast<size_t>(row.columns)) << p;
            }
            if (row.columns >= 40) {
                EXPECT_NE(out.find("mark set 2 of 2 ["), std::string::npos);
            }
            EXPECT_NE(out.find("] 100%"), std::string::npos);
        } else {
            EXPECT_EQ(out.find('\r'), std::string::npos);
            // Each phase: its start and each quarter, labelled.
            for (const Phase& p : phases) {
                EXPECT_GE(Count(out, p.label + ": "), 2u) << out;
                EXPECT_LE(Count(out, p.label + ": "), 5u) << out;
            }
            EXPECT_EQ(pieces.size(), Count(out, "\n"));
            EXPECT_EQ(pieces.back(), "完了しました。");
        }
    }
}

}  // namespace
}  // namespace veldrant::cli
