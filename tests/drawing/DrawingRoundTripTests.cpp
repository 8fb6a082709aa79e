// A drawing reopens exactly: every scenario and a set of generated sessions, cut at
// events where no gesture is under way, saved, opened in a fresh program and played
// on, ends with the same drawing (every record field, list order, ModelState and
// view) and the same OBJ bytes as the session that never stopped.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "drawing/Drawing.h"
#include "export/ObjExport.h"
#include "fuzz/Generator.h"
#include "host/Script.h"
#include "support/FrameTest.h"
#include "support/MeshBuilders.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

Script Slice(const Script& script, size_t begin, size_t end) {
    Script part;
    part.events.assign(script.events.begin() + static_cast<std::ptrdiff_t>(begin),
                       script.events.begin() + static_cast<std::ptrdiff_t>(end));
    return part;
}

// Sized as the replay tool sizes a fresh frame; returns the first event left to run.
size_t SizeAsReplay(CMainFrame& frame, const Script& script) {
    if (!script.events.empty() && script.events[0].op == ScriptOp::Size) {
        frame.OnSize(script.events[0].args[0], script.events[0].args[1]);
        return 1;
    }
    frame.OnSize(kInitialOuterWidth, kInitialOuterHeight);
    return 0;
}

struct Cut {
    size_t event;
    std::string drawing;  // the file saved there
    int width;
    int height;
    HeadlessHost host;  // what the host had counted there, for the scripts' expect lines
};

std::vector<fs::path> AllScenarios() {
    std::vector<fs::path> scripts;
    for (const auto& entry :
         fs::directory_iterator(fs::path(PLIFORM_SOURCE_DIR) / "tests" / "scenarios"))
        if (entry.path().extension() == ".pfs") scripts.push_back(entry.path());
    std::sort(scripts.begin(), scripts.end());
    return scripts;
}

// Plays the session whole and, again, saving the drawing at two events at rest chosen
// from `name`; then, for each, a fresh program opens the drawing and plays the rest.
// Returns the number of cuts tried; failures are reported as test failures.
int CheckRoundTrip(const std::string& name, Script script, const TempFolder& folder) {
    RunOptions options;
    options.check = true;
    std::string error;
    // The session ends at Exit.
    const auto exit = std::find_if(
        script.events.begin(), script.events.end(),
        [](const ScriptEvent& e) { return e.op == ScriptOp::Menu && e.command == ID_APP_EXIT; });
    script.events.erase(exit, script.events.end());

    // A drawing holds the model, not the undo history: a session is cut only where
    // no later event undoes or redoes.
    size_t historyEnd = 0;
    for (size_t k = 0; k < script.events.size(); ++k) {
        const ScriptEvent& e = script.events[k];
        if (e.op == ScriptOp::Menu && (e.command == ID_EDIT_UNDO || e.command == ID_EDIT_REDO))
            historyEnd = k + 1;
    }

    TestFrame whole{TestFrame::Unsized{}};
    const size_t first = SizeAsReplay(whole.frame, script);
    std::vector<size_t> atRest;
    for (size_t k = first; k < script.events.size(); ++k) {
        if (whole.frame.m_nDragState == kDragNone && k >= historyEnd) atRest.push_back(k);
        EXPECT_TRUE(RunScript(Slice(script, k, k + 1), whole.frame, whole.host, options, &error))
            << name << ": " << error;
    }
    std::vector<size_t> chosen;
    std::mt19937 random(static_cast<unsigned>(std::hash<std::string>{}(name)));
    std::sample(atRest.begin(), atRest.end(), std::back_inserter(chosen), 2, random);

    // Again, saving the drawing at the chosen events as the user would.
    TestFrame again{TestFrame::Unsized{}};
    SizeAsReplay(again.frame, script);
    std::vector<Cut> cuts;
    for (size_t k = first; k < script.events.size(); ++k) {
        if (std::find(chosen.begin(), chosen.end(), k) != chosen.end()) {
            const std::string file = folder / (name + "." + std::to_string(k) + ".pliform");
            again.host.saveAnswer = file;
            again.frame.OnCommand(ID_FILE_SAVE_DRAWING_AS);
            cuts.push_back(
                {k, file, again.frame.m_nClientWidth, again.frame.m_nClientHeight, again.host});
        }
        RunScript(Slice(script, k, k + 1), again.frame, again.host, options, &error);
    }
    const std::string wholeDrawing = FormatDrawing(whole.frame);
    const std::string wholeObj = FormatObj(whole.frame);
    // Saving changed nothing the session goes on with.
    EXPECT_EQ(FormatDrawing(again.frame), wholeDrawing) << name;

    for (const Cut& cut : cuts) {
        TestFrame resumed{TestFrame::Unsized{}};
        resumed.frame.OnSize(cut.width, cut.height);
        resumed.host.openAnswer = cut.drawing;
        resumed.frame.OnCommand(ID_FILE_OPEN);
        EXPECT_EQ(resumed.host.messages, 0) << name << ": " << resumed.host.lastMessage;
        // The counts a script's expect lines read go on from where they stood.
        resumed.host.beeps = cut.host.beeps;
        resumed.host.repaints = cut.host.repaints;
        resumed.host.fileErrors = cut.host.fileErrors;
        EXPECT_TRUE(RunScript(Slice(script, cut.event, script.events.size()), resumed.frame,
                              resumed.host, options, &error))
            << name << " resumed at event " << cut.event << ": " << error;
        EXPECT_EQ(FormatDrawing(resumed.frame), wholeDrawing) << name << " cut at " << cut.event;
        EXPECT_EQ(FormatObj(resumed.frame), wholeObj) << name << " cut at " << cut.event;
    }
    return static_cast<int>(cuts.size());
}

}  // namespace

TEST(DrawingRoundTrip, EveryScenarioCutSavedReopenedAndPlayedOnEndsTheSame) {
    const std::vector<fs::path> scripts = AllScenarios();
    ASSERT_GE(scripts.size(), 30u);
    TempFolder folder;
    int cuts = 0;
    for (const fs::path& path : scripts) {
        std::ifstream in(path);
        Script script;
        std::string error;
        ASSERT_TRUE(ParseScript(in, &script, &error)) << path << ": " << error;
        cuts += CheckRoundTrip(path.stem().string(), script, folder);
    }
    EXPECT_GE(cuts, 60);
}

// Generated sessions reach states no scenario was written for: bodies cut, extruded,
// erased and dragged in turn, odd window sizes, Auto Center, refused strokes.
TEST(DrawingRoundTrip, GeneratedSessionsCutSavedReopenedAndPlayedOnEndTheSame) {
    TempFolder folder;
    GeneratorOptions generator;
    generator.events = 250;
    generator.savePath = folder / "fuzz-save.obj";
    int cuts = 0;
    for (uint64_t seed = 1; seed <= 24; ++seed) {
        std::string text;
        for (const std::string& line : GenerateSequence(seed, generator)) text += line + "\n";
        std::istringstream in(text);
        Script script;
        std::string error;
        ASSERT_TRUE(ParseScript(in, &script, &error)) << "seed " << seed << ": " << error;
        cuts += CheckRoundTrip("seed" + std::to_string(seed), script, folder);
    }
    EXPECT_GE(cuts, 44);
}

// Hexadecimal floating point keeps every bit: the signed zero, the smallest subnormal,
// the largest double and the cut mark come back as they were.
TEST_F(FrameTest, DrawingKeepsEveryBitOfEveryField) {
    BuiltMesh mesh = MakeIcosphere(f, 25.0, 1);
    AddCurve(f, {mesh.vertices[0], mesh.vertices[12], mesh.vertices[13]}, kClosedCurve,
             kSharpVertex);
    Vertex* v = mesh.vertices[5];
    v->position = {-0.0, 4.9406564584124654e-324, 1.7976931348623157e308};
    v->work = {CUT_MARK, -1.0 / 3.0, 0.1};
    v->curvature = 2.2250738585072014e-308;
    v->curvatureSum = -123456.789;
    v->meanSqEdge = 1e-300;
    v->index = -7;
    f.m_pTriangles->mark = 3;
    f.m_nModelState = kModelCurveWaiting;  // the closed curve waits again after opening
    f.OnViewTop();
    f.m_nZoom = 5123;
    f.UpdateProjection();
    f.OnDisplayMode(ID_DISPLAY_EDGES);
    f.m_nTool = ID_TOOL_DRAG;
    f.m_bShowControlVertices = 0;
    f.m_bAutoCenter = 1;
    const std::string text = FormatDrawing(f);

    TestFrame reopened;
    Model model;
    DrawingView view;
    std::string error;
    ASSERT_TRUE(ParseDrawing(text, model, view, &error)) << error;
    const Vertex* w = model.m_pVertices;
    for (const Vertex* u = f.m_pVertices; u != v; u = u->next) w = w->next;
    EXPECT_EQ(std::memcmp(&w->position, &v->position, sizeof(Vec3)), 0);
    EXPECT_TRUE(std::signbit(w->position.x));
    EXPECT_EQ(w->work.x, CUT_MARK);
    EXPECT_EQ(w->curvature, v->curvature);
    EXPECT_EQ(w->index, -7);
    EXPECT_EQ(model.m_nModelState, kModelCurveWaiting);
    EXPECT_EQ(view.zoom, 5123);
    EXPECT_EQ(std::memcmp(view.viewMatrix, f.m_ViewMatrix, sizeof view.viewMatrix), 0);
    ReleaseModel(model);

    // Opened through the menu, the frame is the saved one, marks and light included.
    TempFolder folder;
    WriteBytes(folder / "d.pliform", text);
    reopened.host.openAnswer = folder / "d.pliform";
    reopened.frame.OnCommand(ID_FILE_OPEN);
    EXPECT_EQ(FormatDrawing(reopened.frame), text);
    EXPECT_EQ(FormatObj(reopened.frame), FormatObj(f));
    EXPECT_EQ(reopened.frame.m_dPixelSize, f.m_dPixelSize);
    EXPECT_EQ(reopened.frame.m_afLight0Position[2], -1.0f);
    EXPECT_TRUE(reopened.host.IsChecked(ID_DISPLAY_EDGES));
    EXPECT_TRUE(reopened.host.IsChecked(ID_TOOL_DRAG));
    EXPECT_FALSE(reopened.host.IsChecked(ID_SHOW_CONTROL_VERTICES));
    EXPECT_TRUE(reopened.host.IsChecked(ID_AUTO_CENTER));
}

// A pen stroke still being drawn is not part of the drawing: the file holds the model
// as it was before the stroke began.
TEST_F(FrameTest, StrokeInProgressIsLeftOutOfTheDrawing) {
    MakeIcosphere(f, 25.0, 1);
    const std::string before = FormatDrawing(f);
    PushStroke(f, {{1, 2}, {3, 4}, {5, 6}});
    f.m_nDragState = kDragTool;
    EXPECT_EQ(FormatDrawing(f), before);
}
