#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/Checker.h"
#include "fuzz/Generator.h"

// Undo and redo over whole sessions, the replay scenarios and generated ones: every
// step is undone as it is made (back to exactly the model its action began with) and
// its action done again (to exactly the model it made the first time); at the end every
// step is undone down to the empty scene and redone up to the same end.
TEST(UndoProperty, EveryStepOfScenariosAndGeneratedSessionsComesBackExactly) {
    std::vector<std::pair<std::string, std::vector<std::string>>> sessions;
    for (const auto& entry :
         std::filesystem::directory_iterator(PLIFORM_SOURCE_DIR "/tests/scenarios")) {
        if (entry.path().extension() != ".pfs") continue;
        std::ifstream in(entry.path());
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        sessions.emplace_back(entry.path().filename().string(), std::move(lines));
    }
    GeneratorOptions options;
    options.savePath = "";  // a cancelled dialog: nothing is written
    for (uint64_t seed = 1; seed <= 40; ++seed)
        sessions.emplace_back("seed " + std::to_string(seed), GenerateSequence(seed, options));

    CheckOptions checks;
    checks.retakeSteps = true;
    long steps = 0;
    long retaken = 0;
    for (const auto& [name, lines] : sessions) {
        const CheckResult result = CheckScript(lines, checks);
        EXPECT_TRUE(result.ok) << name << ": " << result.kind << ": " << result.failure;
        steps += result.steps;
        retaken += result.retaken;
    }
    // The checks ran on real steps, most of them done again.
    EXPECT_GE(steps, 120);
    EXPECT_GE(retaken, steps * 3 / 4);
}
