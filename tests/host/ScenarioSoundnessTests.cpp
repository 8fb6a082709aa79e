// The scenario scripts that build first bodies, cut, extrude and lay curves on bodies,
// replayed as the replay tool replays them (the model checker after every event, and
// their own expect lines must hold), with every model they leave judged for soundness:
// the one standing before each File New and the one at the end.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "app/Resources.h"
#include "host/Script.h"
#include "support/Soundness.h"
#include "support/TestFrame.h"

namespace {

namespace fs = std::filesystem;

bool IsFileNew(const ScriptEvent& e) { return e.op == ScriptOp::Menu && e.command == ID_FILE_NEW; }
bool IsExit(const ScriptEvent& e) { return e.op == ScriptOp::Menu && e.command == 0; }

std::vector<fs::path> Scenarios(const fs::path& dir) {
    std::vector<fs::path> scripts;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".pfs") continue;
        for (const char* group : {"surface_", "edit_", "embed_"})
            if (name.rfind(group, 0) == 0) scripts.push_back(entry.path());
    }
    std::sort(scripts.begin(), scripts.end());
    return scripts;
}

}  // namespace

TEST(ScenarioSoundness, EveryModelTheScenariosLeaveIsSound) {
    const std::vector<fs::path> scripts =
        Scenarios(fs::path(PLIFORM_SOURCE_DIR) / "tests" / "scenarios");
    // Three groups of several scripts each: fewer means the folder was not found.
    ASSERT_GE(scripts.size(), 12u);
    int bodies = 0;
    for (const fs::path& path : scripts) {
        const std::string name = path.stem().string();
        std::ifstream in(path);
        Script script;
        std::string error;
        ASSERT_TRUE(ParseScript(in, &script, &error)) << name << ": " << error;

        // Started as the replay tool starts it.
        TestFrame scene{TestFrame::Unsized{}};
        auto& [host, frame] = scene;
        size_t next = 0;
        if (!script.events.empty() && script.events[0].op == ScriptOp::Size) {
            frame.OnSize(script.events[0].args[0], script.events[0].args[1]);
            next = 1;
        } else {
            frame.OnSize(kInitialOuterWidth, kInitialOuterHeight);
        }
        // Every model in a surface script is a first body seen from the view that drew it.
        const bool firstBodies = name.rfind("surface_", 0) == 0;
        RunOptions options;
        options.check = true;

        bool exited = false;
        while (next < script.events.size() && !exited) {
            // Run up to the next File New, and judge what stands there.
            size_t end = next + 1;
            while (end < script.events.size() && !IsFileNew(script.events[end])) ++end;
            Script part;
            part.events.assign(script.events.begin() + static_cast<std::ptrdiff_t>(next),
                               script.events.begin() + static_cast<std::ptrdiff_t>(end));
            ASSERT_TRUE(RunScript(part, frame, host, options, &error)) << name << ": " << error;
            exited = std::any_of(part.events.begin(), part.events.end(), IsExit);
            const std::string where = end < script.events.size()
                                          ? "before line " + std::to_string(script.events[end].line)
                                          : "at the end";
            if (frame.m_pTriangles != nullptr) ++bodies;
            const std::string faults =
                SoundnessFaults(frame, firstBodies && frame.m_nModelState == 2);
            EXPECT_TRUE(faults.empty()) << name << ", the model standing " << where << ":\n"
                                        << faults;
            next = end;
        }
    }
    // Most scripts build several bodies; every one but the refusals builds one.
    EXPECT_GE(bodies, static_cast<int>(scripts.size()));
}
