#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/MainFrame.h"
#include "host/Script.h"
#include "support/MeshBuilders.h"
#include "support/TestFrame.h"

namespace {

class ScriptRun : public ::testing::Test, public TestFrame {
protected:
    // Parses and runs; the parse must succeed.
    bool Run(const std::string& text, bool check = false) {
        std::istringstream in(text);
        Script script;
        std::string parseError;
        EXPECT_TRUE(ParseScript(in, &script, &parseError)) << parseError;
        RunOptions options;
        options.check = check;
        error.clear();
        return RunScript(script, frame, host, options, &error);
    }

    std::string error;
};

struct ExpectCase {
    const char* line;
    bool holds;
};

// Zoom starts at 5000: each comparison either side of it.
TEST_F(ScriptRun, ExpectComparesEqualGreaterAndLess) {
    const ExpectCase cases[] = {
        {"expect zoom 5000", true},      {"expect zoom 5001", false},
        {"expect zoom 4999", false},     {"expect zoom > 4999", true},
        {"expect zoom > 5000", false},   {"expect zoom < 5001", true},
        {"expect zoom < 5000", false},   {"expect tool pen", true},
        {"expect tool eraser", false},   {"expect displayMode 32771", true},
        {"expect elevation > -1", true}, {"expect valid false", false},
    };
    for (const ExpectCase& c : cases) {
        EXPECT_EQ(Run(c.line), c.holds) << c.line;
        if (!c.holds) {
            EXPECT_EQ(error.rfind("line 1: expect ", 0), 0u) << error;
            EXPECT_NE(error.find("failed"), std::string::npos) << error;
        }
    }
}

TEST_F(ScriptRun, FailedExpectNamesLineAndActualValueAndStopsTheScript) {
    EXPECT_FALSE(Run("wheel -120\n\n# zoom is 5120 now\nexpect zoom < 5100\nmenu edges\n"));
    EXPECT_EQ(error, "line 4: expect zoom < 5100 failed: zoom is 5120");
    // The key after the failed expect never ran.
    EXPECT_EQ(frame.m_nDisplayMode, ID_DISPLAY_SURFACES);
}

TEST_F(ScriptRun, ExpectCountsTheModelLists) {
    BuiltMesh mesh = MakeIcosphere(frame, 50.0, 1);
    AddCurve(frame, {mesh.vertices[0], mesh.vertices[1], mesh.vertices[2]}, kOpenCurve);
    std::string script = "expect vertices " + std::to_string(CountVertices(frame)) +
                         "\nexpect triangles " + std::to_string(CountTriangles(frame)) +
                         "\nexpect curves 1\nexpect modelState 2\nexpect valid true\n";
    EXPECT_TRUE(Run(script)) << error;
    EXPECT_FALSE(Run("expect vertices 0\n"));
}

TEST_F(ScriptRun, ExpectValidSeesABrokenModel) {
    BuiltMesh mesh = MakeIcosphere(frame, 50.0, 1);
    // One-sided adjacency: the checker must object.
    mesh.triangles[0]->neighbour[0] = nullptr;
    EXPECT_TRUE(Run("expect valid false\n")) << error;
    EXPECT_FALSE(Run("expect valid true\n"));
    EXPECT_NE(error.find("the checker found: "), std::string::npos) << error;
}

TEST_F(ScriptRun, CheckStopsAtTheFirstEventAfterWhichTheModelIsInvalid) {
    BuiltMesh mesh = MakeIcosphere(frame, 50.0, 1);
    mesh.triangles[3]->neighbour[1] = nullptr;
    EXPECT_TRUE(Run("wheel -120\n", false)) << error;  // without --check nobody looks
    EXPECT_FALSE(Run("# broken from the start\nwheel -120\nwheel -120\n", true));
    EXPECT_EQ(error.rfind("line 2: model invalid: ", 0), 0u) << error;
    EXPECT_EQ(frame.m_nZoom, 5240);  // the second wheel of the checked run never ran
}

TEST_F(ScriptRun, CheckPassesOnASoundModel) {
    MakeIcosphere(frame, 50.0, 1);
    EXPECT_TRUE(Run("wheel -120\nmenu top\nmenu side\nmenu edges\n", true)) << error;
}

TEST_F(ScriptRun, KeysRouteThroughTheAcceleratorTable) {
    const std::pair<const char*, int> keys[] = {
        {"key 2", ID_DISPLAY_EDGES}, {"key 1", ID_DISPLAY_SURFACES}, {"key E", ID_TOOL_ERASER},
        {"key D", ID_TOOL_DRAG},     {"key C", ID_TOOL_CHANGE},      {"key P", ID_TOOL_PEN},
    };
    for (auto [line, command] : keys) {
        ASSERT_TRUE(Run(line)) << line << ": " << error;
        int state = command <= ID_DISPLAY_EDGES ? frame.m_nDisplayMode : frame.m_nTool;
        EXPECT_EQ(state, command) << line;
    }
}

TEST_F(ScriptRun, MenuNamesRunTheirCommands) {
    ASSERT_TRUE(Run("menu top\n")) << error;
    EXPECT_EQ(frame.m_nElevation, 90);
    ASSERT_TRUE(Run("menu bottom\n")) << error;
    EXPECT_EQ(frame.m_nElevation, -90);
    ASSERT_TRUE(Run("menu side\nmenu edges\nmenu vertices\nmenu autocenter\nmenu drag\n")) << error;
    EXPECT_EQ(frame.m_nElevation, 0);
    EXPECT_EQ(frame.m_nDisplayMode, ID_DISPLAY_EDGES);
    EXPECT_EQ(frame.m_bShowControlVertices, 0);
    EXPECT_EQ(frame.m_bAutoCenter, 1);
    EXPECT_EQ(frame.m_nTool, ID_TOOL_DRAG);
    MakeIcosphere(frame, 50.0, 1);
    ASSERT_TRUE(Run("menu new\n")) << error;
    EXPECT_EQ(frame.m_pVertices, nullptr);
    EXPECT_EQ(frame.m_nModelState, 0);
}

TEST_F(ScriptRun, MenuExitStopsTheScript) {
    EXPECT_TRUE(Run("menu edges\nmenu exit\nmenu surfaces\nexpect zoom 1\n")) << error;
    EXPECT_EQ(frame.m_nDisplayMode, ID_DISPLAY_EDGES);
}

TEST_F(ScriptRun, SaveAsAnswersTheDialogWithThePath) {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "pliform_saveas_test";
    std::filesystem::create_directories(dir);
    std::string path = (dir / "my shape.obj").string();
    std::filesystem::remove(path);
    MakeIcosphere(frame, 50.0, 0);
    ASSERT_TRUE(Run("menu saveas " + path + "\n")) << error;
    EXPECT_EQ(host.saveAnswer, path);
    ASSERT_TRUE(std::filesystem::exists(path));
    std::ifstream in(path);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first.rfind("v ", 0), 0u) << first;

    // Without a path the dialog is cancelled and nothing is written.
    std::filesystem::remove(path);
    ASSERT_TRUE(Run("menu saveas\n")) << error;
    EXPECT_EQ(host.saveAnswer, "");
    EXPECT_FALSE(std::filesystem::exists(path));
    std::filesystem::remove_all(dir);
}

// During a rotation the left button is ignored and only the moves count, which shows
// exactly which events a stroke line sends.
TEST_F(ScriptRun, StrokeIsAPressAMoveToEachNextPointAndARelease) {
    MakeIcosphere(frame, 50.0, 1);
    ASSERT_TRUE(Run("rdown 0 0\n")) << error;
    int cursorSets = host.cursorSets;
    ASSERT_TRUE(Run("stroke 10 10 40 20 50 30\n")) << error;
    EXPECT_EQ(host.cursorSets - cursorSets, 2);  // moves to the second and third point
    EXPECT_EQ(frame.m_nAzimuth, 50);
    EXPECT_EQ(frame.m_nElevation, 30);
    EXPECT_EQ(frame.m_nDragState, 1);  // the press and the release were ignored

    cursorSets = host.cursorSets;
    ASSERT_TRUE(Run("stroke 70 70\n")) << error;  // a click: no move at all
    EXPECT_EQ(host.cursorSets, cursorSets);
    EXPECT_EQ(frame.m_nAzimuth, 50);
}

TEST_F(ScriptRun, RotationWrapsAndSnapsThroughTheScript) {
    MakeIcosphere(frame, 50.0, 1);
    // Anchors at the press: azimuth 0 - 300, elevation 0 - 300.
    ASSERT_TRUE(Run("rdown 300 300\nmove 299 385\n")) << error;
    EXPECT_EQ(frame.m_nAzimuth, 0);     // -1 wraps to 359, then snaps to 0
    EXPECT_EQ(frame.m_nElevation, 85);  // 85 stays
    ASSERT_TRUE(Run("move 386 386\n")) << error;
    EXPECT_EQ(frame.m_nAzimuth, 90);
    EXPECT_EQ(frame.m_nElevation, 90);
    ASSERT_TRUE(Run("move 665 296\n")) << error;
    EXPECT_EQ(frame.m_nAzimuth, 5);  // 365 wraps to 5
    EXPECT_EQ(frame.m_nElevation, 0);
    ASSERT_TRUE(Run("rup 665 296\nmove 0 0\n")) << error;
    EXPECT_EQ(frame.m_nAzimuth, 5);  // no rotation after the release
    EXPECT_EQ(frame.m_nDragState, 0);
}

TEST(ScriptJson, SummaryLineMatchesTheModel) {
    TestFrame scene;
    auto& [host, frame] = scene;
    BuiltMesh mesh = MakeIcosphere(frame, 40.0, 1);
    AddCurve(frame, {mesh.vertices[4], mesh.vertices[5]}, kOpenCurve);
    host.beeps = 3;
    host.repaints = 17;
    std::string expected =
        "{\"modelState\":2,\"vertices\":" + std::to_string(CountVertices(frame)) +
        ",\"curves\":1,\"triangles\":" + std::to_string(CountTriangles(frame)) +
        ",\"beeps\":3,\"repaints\":17,\"valid\":true}";
    EXPECT_EQ(ReplayJson(frame, host), expected);

    mesh.triangles[7]->neighbour[2] = nullptr;
    std::string json = ReplayJson(frame, host);
    EXPECT_EQ(json.substr(json.size() - 15), ",\"valid\":false}") << json;
}

class ReplayToolRun : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                (std::string("pliform_tool_") +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    int Run(const std::string& text, std::vector<std::string> options = {}) {
        std::string path = (m_dir / "script.pfs").string();
        std::ofstream(path) << text;
        options.push_back(path);
        std::ostringstream o, e;
        int code = ReplayToolMain(options, o, e, {});
        out = o.str();
        err = e.str();
        return code;
    }

    std::filesystem::path m_dir;
    std::string out;
    std::string err;
};

TEST_F(ReplayToolRun, EmptyScriptPrintsTheSummaryOfTheEmptyScene) {
    EXPECT_EQ(Run("# nothing\n"), 0) << err;
    EXPECT_EQ(out.rfind("{\"modelState\":0,\"vertices\":0,\"curves\":0,\"triangles\":0,"
                        "\"beeps\":0,\"repaints\":",
                        0),
              0u)
        << out;
    EXPECT_EQ(out.substr(out.size() - 15), ",\"valid\":true}\n") << out;
    EXPECT_EQ(err, "");
}

TEST_F(ReplayToolRun, LeadingSizeLineIsTheFirstSizeNotAnExtraOne) {
    ASSERT_EQ(Run(""), 0) << err;
    std::string plain = out;
    ASSERT_EQ(Run("size 300 200\n"), 0) << err;
    EXPECT_EQ(out, plain);  // same repaint count: the size replaced the default one
    ASSERT_EQ(Run("size 300 200\nsize 300 200\n"), 0) << err;
    EXPECT_NE(out, plain);  // a later size line is an event of its own
}

TEST_F(ReplayToolRun, FailingExpectExitsOneAndStillPrintsTheSummary) {
    EXPECT_EQ(Run("wheel -120\nexpect zoom 5000\n", {"--check"}), 1);
    EXPECT_NE(err.find("line 2: expect zoom 5000 failed: zoom is 5120"), std::string::npos) << err;
    EXPECT_EQ(out.rfind("{\"modelState\":0,", 0), 0u) << out;
}

TEST_F(ReplayToolRun, ObjOptionWritesTheFinalModel) {
    std::string obj = (m_dir / "out.obj").string();
    ASSERT_EQ(Run("menu edges\n", {"--obj", obj}), 0) << err;
    ASSERT_TRUE(std::filesystem::exists(obj));
    EXPECT_EQ(std::filesystem::file_size(obj), 0u);  // the empty scene has no lines

    // An unwritable path is an output error, not success.
    EXPECT_EQ(Run("menu edges\n", {"--obj", (m_dir / "no such dir" / "x.obj").string()}), 1);
    EXPECT_NE(err.find("x.obj"), std::string::npos) << err;
}

TEST_F(ReplayToolRun, PngWriterGetsTheFinalFrameAndItsFailureIsAnError) {
    std::string png = (m_dir / "shot.png").string();
    std::string seenPath;
    int seenWidth = 0;
    int seenZoom = 0;
    PngWriter writer = [&](const CMainFrame& f, const std::string& path, std::string*) {
        seenPath = path;
        seenWidth = f.m_nClientWidth;
        seenZoom = f.m_nZoom;
        return true;
    };
    std::string path = (m_dir / "script.pfs").string();
    std::ofstream(path) << "size 320 200\nwheel -120\n";
    std::ostringstream o, e;
    EXPECT_EQ(ReplayToolMain({"--png", png, path}, o, e, writer), 0) << e.str();
    EXPECT_EQ(seenPath, png);
    EXPECT_EQ(seenWidth, 320);
    EXPECT_EQ(seenZoom, 5120);  // drawn after the last event

    PngWriter failing = [](const CMainFrame&, const std::string&, std::string* error) {
        *error = "disk full";
        return false;
    };
    std::ostringstream o2, e2;
    EXPECT_EQ(ReplayToolMain({"--png", png, path}, o2, e2, failing), 1);
    EXPECT_NE(e2.str().find("disk full"), std::string::npos) << e2.str();
}

TEST(ScriptWatchdog, AnEventThatRunsTooLongEndsTheRunNamingItsLine) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TestFrame scene;
            HeadlessHost& host = scene.host;
            CMainFrame& frame = scene.frame;
            std::istringstream in("menu edges\nwheel -120\n");
            Script script;
            std::string error;
            ParseScript(in, &script, &error);
            RunOptions options;
            options.eventTimeoutSeconds = 0.2;
            // Every repaint hangs far longer than the limit.
            host.paintHook = [] { std::this_thread::sleep_for(std::chrono::seconds(5)); };
            RunScript(script, frame, host, options, &error);
            std::exit(0);
        },
        ::testing::ExitedWithCode(1), "line 1: event did not finish within 0.2 seconds");
}

}  // namespace
