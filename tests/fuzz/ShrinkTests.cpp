#include <gtest/gtest.h>

#include <algorithm>

#include "fuzz/Shrink.h"

namespace {

std::vector<std::string> Numbered(int n) {
    std::vector<std::string> lines;
    for (int i = 0; i < n; ++i) lines.push_back("move " + std::to_string(i) + " 0");
    return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(Shrink, OneCulpritLineIsAllThatRemains) {
    auto lines = Numbered(200);
    lines[137] = "menu new";
    int calls = 0;
    auto result = ShrinkScript(lines, [&](const std::vector<std::string>& c) {
        ++calls;
        return Has(c, "menu new");
    });
    EXPECT_EQ(result, std::vector<std::string>{"menu new"});
    // Halving finds one line among 200 in far fewer runs than one per line.
    EXPECT_LT(calls, 60);
}

// A fault that needs two events in order keeps both, in order, and nothing else.
TEST(Shrink, KeepsEveryLineTheFaultNeedsInOrder) {
    auto lines = Numbered(90);
    lines[10] = "down 5 5";
    lines[70] = "key E";
    auto needs = [](const std::vector<std::string>& c) {
        auto down = std::find(c.begin(), c.end(), "down 5 5");
        return down != c.end() && std::find(down, c.end(), "key E") != c.end();
    };
    auto result = ShrinkScript(lines, needs);
    EXPECT_EQ(result, (std::vector<std::string>{"down 5 5", "key E"}));
    EXPECT_EQ(ShrinkScript(lines, needs), result);  // deterministic
}

// A fault that needs many lines (here: at least 7 moves) shrinks to exactly that.
TEST(Shrink, CountDependentFaultKeepsTheMinimum) {
    auto result =
        ShrinkScript(Numbered(64), [](const std::vector<std::string>& c) { return c.size() >= 7; });
    EXPECT_EQ(result.size(), 7u);
}

TEST(Shrink, StopsAtTheTryLimitWithAFailingScript) {
    auto lines = Numbered(100);
    lines[3] = "key C";
    int calls = 0;
    auto result = ShrinkScript(
        lines,
        [&](const std::vector<std::string>& c) {
            ++calls;
            return Has(c, "key C");
        },
        5);
    EXPECT_LE(calls, 5);
    EXPECT_TRUE(Has(result, "key C"));
    EXPECT_LT(result.size(), lines.size());
}

}  // namespace
