// Bad drawing files are refused with a message that says what is wrong, and the
// drawing on screen stays exactly as it was; the save commands keep earlier files.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "drawing/Drawing.h"
#include "export/ObjExport.h"
#include "support/FrameTest.h"
#include "support/MeshBuilders.h"
#include "support/TempFolder.h"

namespace {

// The drawing's text with the first occurrence of `from` at or after the line that
// starts with `section` replaced by `to`.
std::string Edited(std::string text, const std::string& section, const std::string& from,
                   const std::string& to) {
    const size_t start = section.empty() ? 0 : text.find("\n" + section);
    const size_t at = start == std::string::npos ? start : text.find(from, start);
    if (at == std::string::npos) return "edit not found: " + from;
    return text.replace(at, from.size(), to);
}

// The line after the one that starts with `section`, as its start and end.
std::pair<size_t, size_t> RecordLine(const std::string& text, const std::string& section) {
    const size_t header = text.find("\n" + section);
    const size_t begin = text.find('\n', header + 1) + 1;
    return {begin, text.find('\n', begin)};
}

std::string WordOf(const std::string& text, const std::string& section, size_t word) {
    const auto [begin, end] = RecordLine(text, section);
    std::string line = text.substr(begin, end - begin);
    for (size_t i = 0; i < word; ++i) line = line.substr(line.find(' ') + 1);
    return line.substr(0, line.find(' '));
}

// The drawing's text with word `word` of the first record after `section` replaced.
std::string EditWord(std::string text, const std::string& section, size_t word,
                     const std::string& to) {
    auto [begin, end] = RecordLine(text, section);
    for (size_t i = 0; i < word; ++i) begin = text.find(' ', begin) + 1;
    const size_t wordEnd = std::min(text.find(' ', begin), end);
    return text.replace(begin, wordEnd - begin, to);
}

struct Drawings : FrameTest {
    TempFolder folder;
    std::string good;  // a sound drawing of a small body with a closed curve

    void SetUp() override {
        BuiltMesh mesh = MakeIcosphere(f, 20.0, 0);
        // Through the head of the vertex list, the first vertex line.
        AddCurve(f, {mesh.vertices[11], mesh.vertices[10], mesh.vertices[9]}, kClosedCurve);
        f.m_nModelState = kModelCurveWaiting;
        good = FormatDrawing(f);
        ReleaseModel(f);
        MakeIcosphere(f, 40.0, 1);  // the drawing on screen, which a refusal must keep
    }
};

}  // namespace

TEST_F(Drawings, EveryBadFileIsRefusedWithItsReasonAndChangesNothing) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* message;  // part of the message the user is shown
    };
    const std::string png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    const std::vector<Case> cases = {
        {"empty file", "", "empty"},
        {"an OBJ", "v 1.000000 2.000000 3.000000\r\nf 1 1 1\r\n", "not a Pliform drawing"},
        {"a PNG", png, "not a Pliform drawing"},
        {"newer format", Edited(good, "", "drawing 1\n", "drawing 2\n"),
         "newer version of Pliform (format 2)"},
        {"truncated", good.substr(0, good.size() / 2), "incomplete"},
        {"last line cut", good.substr(0, good.size() - 1), "incomplete"},
        {"count beyond the file", Edited(good, "", "\ntriangles 20\n", "\ntriangles 2000000000\n"),
         "fewer lines"},
        {"corner out of range", EditWord(good, "triangles", 1, "999"), "lies outside"},
        {"missing corner", EditWord(good, "triangles", 1, "-1"), "missing vertex"},
        {"neighbour does not match", EditWord(good, "triangles", 4, WordOf(good, "triangles", 5)),
         "do not fit together"},
        {"neighbour out of range", EditWord(good, "triangles", 6, "20"), "lies outside"},
        {"curve vertex out of range", EditWord(good, "curves", 3, "12345"), "lies outside"},
        {"curve count wrong", EditWord(good, "curves", 2, "4"), "vertex numbers"},
        {"NaN position", EditWord(good, "vertices", 2, "nan"), "not finite"},
        {"infinite number", EditWord(good, "vertices", 3, "inf"), "not finite"},
        {"decimal number", EditWord(good, "vertices", 4, "1.5"), "not a hexadecimal number"},
        {"curve on a surface vertex", EditWord(good, "vertices", 0, "0"),
         "neither smooth nor sharp"},
        {"unknown vertex kind", EditWord(good, "vertices", 0, "7"), "lies outside"},
        {"stroke curve", EditWord(good, "curves", 0, "0"), "lies outside"},
        {"state without a body", Edited(good, "model", "state 1", "state 0"),
         "do not fit together"},
        {"zoom out of range", Edited(good, "view", "zoom 5000", "zoom 9999"), "lies outside"},
        {"view term beyond one", Edited(good, "view", "matrix 0p+0", "matrix 1.8p+0"),
         "outside -1..1"},
        {"CR line ends", Edited(good, "view", "\nelevation 0\n", "\nelevation 0\r\n"),
         "not a whole number"},
        {"more after the end", good + "end\n", "more after the end"},
    };
    // The OBJ numbers the vertices into their `index`, which the drawing holds too.
    const std::string objBefore = FormatObj(f);
    const std::string before = FormatDrawing(f);
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.bytes.rfind("edit not found", 0), std::string::npos) << c.bytes;
        const std::string path = folder / ("bad" + std::to_string(n++) + ".pliform");
        WriteBytes(path, c.bytes);
        const int messages = host.messages;
        host.openAnswer = path;
        f.OnCommand(ID_FILE_OPEN);
        ASSERT_EQ(host.messages, messages + 1);
        EXPECT_NE(host.lastMessage.find(c.message), std::string::npos) << host.lastMessage;
        EXPECT_NE(host.lastMessage.find(path), std::string::npos) << host.lastMessage;
        EXPECT_EQ(FormatDrawing(f), before);
        EXPECT_EQ(FormatObj(f), objBefore);
    }

    // Not a file at all, and a file far larger than any drawing (sparse: no disk used).
    const std::string huge = folder / "huge.pliform";
    WriteBytes(huge, good);
    ASSERT_EQ(::truncate(huge.c_str(), 2LL << 30), 0);
    for (const std::string& path : {folder.path, huge, folder / "missing.pliform"}) {
        const int messages = host.messages;
        host.openAnswer = path;
        f.OnCommand(ID_FILE_OPEN);
        EXPECT_EQ(host.messages, messages + 1) << path;
        EXPECT_EQ(FormatDrawing(f), before) << path;
    }
    EXPECT_NE(host.lastMessage.find("No such file"), std::string::npos) << host.lastMessage;

    // A refused file is no undo step.
    EXPECT_EQ(f.m_history.UndoCount(), 0u);

    // The sound file itself is accepted: the refusals above were the edits'. Opening
    // is one step: undone, the drawing it replaced comes back; redone, the file's.
    WriteBytes(folder / "good.pliform", good);
    host.openAnswer = folder / "good.pliform";
    f.OnCommand(ID_FILE_OPEN);
    EXPECT_EQ(FormatDrawing(f), good);
    EXPECT_EQ(ValidateModel(f), "");
    EXPECT_EQ(f.m_history.UndoCount(), 1u);
    f.OnCommand(ID_EDIT_UNDO);
    EXPECT_EQ(FormatDrawing(f), before);
    f.OnCommand(ID_EDIT_REDO);
    EXPECT_EQ(FormatDrawing(f), good);
}

// Save Drawing asks for a path the first time and then saves there without asking;
// a failed save says so and keeps the earlier file.
TEST_F(Drawings, SaveDrawingAsksOnceThenKeepsItsPath) {
    const std::string path = folder / "shape.pliform";
    host.saveAnswer = path;
    f.OnCommand(ID_FILE_SAVE);
    ASSERT_EQ(host.offeredTypes.size(), 1u);
    EXPECT_STREQ(host.offeredTypes[0].extension, "pliform");
    EXPECT_EQ(ReadBytes(path), FormatDrawing(f));

    host.saveAnswer.clear();  // a second dialog would be cancelled
    host.offeredTypes.clear();
    f.OnCommand(ID_TOOL_DRAG);
    f.OnCommand(ID_FILE_SAVE);
    EXPECT_TRUE(host.offeredTypes.empty());
    EXPECT_EQ(ReadBytes(path), FormatDrawing(f));

    // After New the empty scene has no file: Save Drawing asks (here: cancelled) and
    // the drawing on disk stays.
    const std::string saved = ReadBytes(path);
    f.OnCommand(ID_FILE_NEW);
    f.OnCommand(ID_FILE_SAVE);
    EXPECT_EQ(host.offeredTypes.size(), 1u);
    EXPECT_EQ(ReadBytes(path), saved);
    MakeIcosphere(f, 40.0, 1);

    // The folder is gone: the save fails with the standard error box.
    const std::string gone = folder / "sub";
    ASSERT_EQ(::mkdir(gone.c_str(), 0700), 0);
    host.saveAnswer = gone + "/x.pliform";
    f.OnCommand(ID_FILE_SAVE_DRAWING_AS);
    ASSERT_EQ(::unlink((gone + "/x.pliform").c_str()), 0);
    ASSERT_EQ(::rmdir(gone.c_str()), 0);
    f.OnCommand(ID_FILE_SAVE);
    EXPECT_EQ(host.fileErrors, 1);
    EXPECT_EQ(ReadBytes(path), saved);  // the other file is untouched
}
