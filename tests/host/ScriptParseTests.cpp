#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/CommandTable.h"
#include "app/Resources.h"
#include "host/Script.h"

namespace {

struct ParseOutcome {
    bool ok;
    Script script;
    std::string error;
};

ParseOutcome Parse(const std::string& text) {
    std::istringstream in(text);
    ParseOutcome outcome;
    outcome.ok = ParseScript(in, &outcome.script, &outcome.error);
    return outcome;
}

struct BadLine {
    const char* text;
    const char* mentions;  // the error must say what is wrong
};

class BadScriptLine : public ::testing::TestWithParam<BadLine> {};

// Each bad line sits on line 3 behind two good ones: the error must name line 3 and
// the parse must leave nothing to run.
TEST_P(BadScriptLine, IsRejectedWithItsLineNumber) {
    ParseOutcome r =
        Parse(std::string("size 300 200\n# comment\n") + GetParam().text + "\nmove 1 1\n");
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.script.events.empty());
    EXPECT_EQ(r.error.rfind("line 3: ", 0), 0u) << r.error;
    EXPECT_NE(r.error.find(GetParam().mentions), std::string::npos) << r.error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadScriptLine,
    ::testing::Values(
        BadLine{"jump 1 2", "unknown word 'jump'"}, BadLine{"Down 1 2", "unknown word 'Down'"},
        BadLine{"down 1", "takes 2 arguments, got 1"},
        BadLine{"down 1 2 3", "takes 2 arguments, got 3"},
        BadLine{"up", "takes 2 arguments, got 0"},
        BadLine{"rdown 1 x", "'x' is not a pixel coordinate"},
        BadLine{"rup 1.5 2", "'1.5' is not a pixel coordinate"},
        BadLine{"move 0x10 2", "'0x10' is not a pixel coordinate"},
        BadLine{"move 1 99999999999", "'99999999999' is not a pixel coordinate"},
        BadLine{"size 100", "takes 2 arguments"}, BadLine{"size -1 100", "'-1' is not a size"},
        BadLine{"wheel", "takes 1 argument, got 0"},
        BadLine{"wheel 40000", "'40000' is not a wheel delta"},
        BadLine{"wheel 120 1", "takes 1 argument, got 2"},
        BadLine{"key", "takes 1 argument, got 0"},
        BadLine{"key X", "key 'X' is not one of 1 2 P E D C"},
        BadLine{"key 3", "key '3' is not one of 1 2 P E D C"},
        BadLine{"key PE", "key 'PE' is not one of 1 2 P E D C"},
        BadLine{"menu", "needs a menu name"}, BadLine{"menu frobnicate", "unknown menu name 'frobnicate'"},
        BadLine{"menu top now", "takes no further argument"},
        BadLine{"stroke", "at least one point"}, BadLine{"stroke 1 2 3", "got 3 numbers"},
        BadLine{"stroke 1 2 3 y", "'y' is not a pixel coordinate"}, BadLine{"expect", "KEY VALUE"},
        BadLine{"expect zoom", "KEY VALUE"},
        BadLine{"expect zoom = 5000", "'=' is not a comparison"},
        BadLine{"expect colour 1", "unknown expect key 'colour'"},
        BadLine{"expect zoom many", "'many' is not a number"},
        BadLine{"expect valid yes", "true or false"},
        BadLine{"expect valid > false", "only be compared with true or false"},
        BadLine{"expect tool scissors", "'scissors' is not a number"},
        BadLine{"expect vertices 1 2 3", "KEY VALUE"}),
    [](const ::testing::TestParamInfo<BadLine>& param) {
        std::string name = std::to_string(param.index) + "_";
        for (const char* c = param.param.text; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

TEST(ScriptParse, CommentsAndBlankLinesAreSkippedAndLinesKeepTheirNumbers) {
    ParseOutcome r = Parse("# header\n\n   \nmove 3 4   # trailing comment\n\tdown -5 +6\n");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.script.events.size(), 2u);
    EXPECT_EQ(r.script.events[0].line, 4);
    EXPECT_EQ(r.script.events[0].op, ScriptOp::Move);
    EXPECT_EQ(r.script.events[0].args, (std::vector<int>{3, 4}));
    EXPECT_EQ(r.script.events[1].line, 5);
    EXPECT_EQ(r.script.events[1].op, ScriptOp::LeftDown);
    EXPECT_EQ(r.script.events[1].args, (std::vector<int>{-5, 6}));
}

TEST(ScriptParse, EveryEventWordMapsToItsOperation) {
    ParseOutcome r = Parse(
        "size 640 480\ndown 1 2\nup 3 4\nrdown 5 6\nrup 7 8\nmove 9 10\nwheel -120\n"
        "key p\nmenu edges\nstroke 1 1 2 2 3 3\nexpect zoom < 5100\n");
    ASSERT_TRUE(r.ok) << r.error;
    std::vector<ScriptOp> ops;
    for (const ScriptEvent& e : r.script.events) ops.push_back(e.op);
    EXPECT_EQ(ops, (std::vector<ScriptOp>{ScriptOp::Size, ScriptOp::LeftDown, ScriptOp::LeftUp,
                                          ScriptOp::RightDown, ScriptOp::RightUp, ScriptOp::Move,
                                          ScriptOp::Wheel, ScriptOp::Key, ScriptOp::Menu,
                                          ScriptOp::Stroke, ScriptOp::Expect}));
    EXPECT_EQ(r.script.events[6].args, std::vector<int>{-120});
    EXPECT_EQ(r.script.events[7].key, 'P');  // the key is the same key in either case
    EXPECT_EQ(r.script.events[8].command, ID_DISPLAY_EDGES);
    EXPECT_EQ(r.script.events[9].args, (std::vector<int>{1, 1, 2, 2, 3, 3}));
    EXPECT_EQ(r.script.events[10].compare, ExpectCompare::Less);
    EXPECT_EQ(r.script.events[10].value, 5100);
}

TEST(ScriptParse, EveryScriptNameOfTheCommandTableCarriesItsCommandId) {
    int names = 0;
    for (const CommandDef& command : kCommands) {
        if (command.scriptName == nullptr) continue;
        ParseOutcome r = Parse(std::string("menu ") + command.scriptName + "\n");
        ASSERT_TRUE(r.ok) << command.scriptName << ": " << r.error;
        EXPECT_EQ(r.script.events[0].command, command.id) << command.scriptName;
        ++names;
    }
    EXPECT_EQ(names, 19);
}

TEST(ScriptParse, SaveAsTakesTheRestOfTheLineAsPath) {
    ParseOutcome r = Parse("menu saveas  out dir/my shape.obj  \nmenu saveas\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.script.events[0].path, "out dir/my shape.obj");
    // Without a path the dialog is cancelled.
    EXPECT_EQ(r.script.events[1].path, "");
}

TEST(ScriptParse, ExpectFormsAndSymbolicValues) {
    ParseOutcome r = Parse(
        "expect vertices 12\nexpect beeps > 0\nexpect elevation < -85\nexpect valid false\n"
        "expect tool eraser\nexpect displayMode edges\nexpect tool 32776\n");
    ASSERT_TRUE(r.ok) << r.error;
    const auto& e = r.script.events;
    EXPECT_EQ(e[0].name, "vertices");
    EXPECT_EQ(e[0].compare, ExpectCompare::Equal);
    EXPECT_EQ(e[0].value, 12);
    EXPECT_EQ(e[1].compare, ExpectCompare::Greater);
    EXPECT_EQ(e[1].value, 0);
    EXPECT_EQ(e[2].compare, ExpectCompare::Less);
    EXPECT_EQ(e[2].value, -85);
    EXPECT_EQ(e[3].value, 0);
    EXPECT_EQ(e[4].value, ID_TOOL_ERASER);
    EXPECT_EQ(e[5].value, ID_DISPLAY_EDGES);
    EXPECT_EQ(e[6].value, ID_TOOL_DRAG);
}

TEST(ScriptParse, ASingleStrokePointIsAClick) {
    ParseOutcome r = Parse("stroke 10 20\n");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.script.events[0].args, (std::vector<int>{10, 20}));
}

// Runs the tool on a script written to a temporary file.
struct ToolRun {
    int code;
    std::string out;
    std::string err;
};

class ReplayTool : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir =
            std::filesystem::temp_directory_path() /
            ("pliform_replay_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::string& text) {
        std::string path = (m_dir / name).string();
        std::ofstream(path) << text;
        return path;
    }

    ToolRun Run(std::vector<std::string> args, const PngWriter& png = {}) {
        std::ostringstream out, err;
        int code = ReplayToolMain(args, out, err, png);
        return {code, out.str(), err.str()};
    }

    std::filesystem::path m_dir;
};

TEST_F(ReplayTool, BadScriptRunsNothingAndExitsTwo) {
    std::string saved = (m_dir / "never.obj").string();
    std::string script = Write("bad.pfs", "menu saveas " + saved + "\nstroke 1 2\nwheel fast\n");
    ToolRun r = Run({script});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");  // no summary: nothing ran
    EXPECT_NE(r.err.find("line 3: 'fast' is not a wheel delta"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(saved));
}

TEST_F(ReplayTool, CommandLineMistakesExitTwo) {
    std::string script = Write("ok.pfs", "move 1 1\n");
    EXPECT_EQ(Run({}).code, 2);
    EXPECT_EQ(Run({"--fast", script}).code, 2);
    EXPECT_EQ(Run({script, script}).code, 2);
    EXPECT_EQ(Run({script, "--obj"}).code, 2);
    EXPECT_EQ(Run({"--timeout", "soon", script}).code, 2);
    EXPECT_EQ(Run({(m_dir / "missing.pfs").string()}).code, 2);
}

TEST_F(ReplayTool, PngWithoutRendererIsRefused) {
    std::string script = Write("ok.pfs", "move 1 1\n");
    ToolRun r = Run({"--png", (m_dir / "a.png").string(), script});
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("renderer"), std::string::npos) << r.err;
}

}  // namespace
