// Autosave and recovery between processes: the file follows every change, a program
// that died leaves its drawing to the next start, a running one keeps its own, and a
// clean exit leaves nothing behind.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "drawing/Drawing.h"
#include "export/ObjExport.h"
#include "support/MeshBuilders.h"
#include "support/TempFolder.h"
#include "support/TestFrame.h"

namespace {

// The body every program in these tests draws.
void DrawBody(CMainFrame& frame) {
    BuiltMesh mesh = MakeIcosphere(frame, 30.0, 1);
    AddCurve(frame, {mesh.vertices[0], mesh.vertices[12], mesh.vertices[13]}, kOpenCurve);
}

std::string ReferenceDrawing() {
    TestFrame reference;
    DrawBody(reference.frame);
    return FormatDrawing(reference.frame);
}

// Another program: autosaves its body into `folder`, then dies by SIGKILL (no clean
// exit) or, given a pipe, waits until the pipe's write end is closed and dies then.
pid_t OtherProgram(const std::string& folder, const int* stay = nullptr) {
    int ready[2];
    if (::pipe(ready) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        if (stay != nullptr) ::close(stay[1]);
        TestFrame program;
        if (!program.frame.StartAutosave(folder)) ::_exit(1);
        DrawBody(program.frame);
        program.frame.AutosaveDrawing();
        ::close(ready[1]);  // saved
        char byte;
        if (stay != nullptr) (void)::read(stay[0], &byte, 1);
        ::kill(::getpid(), SIGKILL);
    }
    ::close(ready[1]);
    char byte;
    (void)::read(ready[0], &byte, 1);  // returns at the child's close, or its death
    ::close(ready[0]);
    return child;
}

int AutosaveFiles(const std::string& folder) {
    int n = 0;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        if (entry.path().extension() == ".pliform") ++n;
    return n;
}

}  // namespace

TEST(Autosave, KilledProgramIsRecoveredRunningOneIsLeftAloneCleanExitRemoves) {
    TempFolder state;
    const std::string folder = state / "pliform";  // made by the first program
    const std::string expected = ReferenceDrawing();

    // A program that was killed: the next start asks, and Yes brings its drawing back.
    const pid_t killed = OtherProgram(folder);
    ASSERT_GT(killed, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(killed, &status, 0), killed);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(AutosaveFiles(folder), 1);
    {
        TestFrame next;
        next.host.yesAnswer = true;
        ASSERT_TRUE(next.frame.StartAutosave(folder));
        ASSERT_EQ(next.host.questions.size(), 1u);
        EXPECT_EQ(next.host.questions[0], "Recover the drawing from the last session?");
        EXPECT_EQ(FormatDrawing(next.frame), expected);
        // The recovered drawing is this program's autosave now, the old file gone.
        ASSERT_EQ(AutosaveFiles(folder), 1);
        const std::string own = folder + "/autosave-" + std::to_string(::getpid()) + ".pliform";
        EXPECT_EQ(ReadBytes(own), expected);

        // Each change is written: File New leaves nothing to recover.
        next.frame.OnCommand(ID_FILE_NEW);
        EXPECT_EQ(AutosaveFiles(folder), 0);
        DrawBody(next.frame);
        next.frame.OnCommand(ID_AUTO_CENTER);  // fairs: the model changes
        EXPECT_EQ(ReadBytes(own), FormatDrawing(next.frame));
    }
    // The clean exit removed it.
    EXPECT_EQ(AutosaveFiles(folder), 0);

    // A program that is still running keeps its file; nobody is asked about it.
    int hold[2];
    ASSERT_EQ(::pipe(hold), 0);
    const pid_t running = OtherProgram(folder, hold);
    ASSERT_GT(running, 0);
    {
        TestFrame second;
        second.host.yesAnswer = true;
        ASSERT_TRUE(second.frame.StartAutosave(folder));
        EXPECT_TRUE(second.host.questions.empty());
        DrawBody(second.frame);
        second.frame.AutosaveDrawing();
        EXPECT_EQ(AutosaveFiles(folder), 2);  // one each
    }
    EXPECT_EQ(AutosaveFiles(folder), 1);
    ::close(hold[1]);
    ::close(hold[0]);
    ASSERT_EQ(::waitpid(running, &status, 0), running);

    // Declined: the stale drawing is not offered again.
    {
        TestFrame third;
        third.host.yesAnswer = false;
        ASSERT_TRUE(third.frame.StartAutosave(folder));
        EXPECT_EQ(third.host.questions.size(), 1u);
        EXPECT_EQ(third.frame.m_pTriangles, nullptr);
    }
    EXPECT_EQ(AutosaveFiles(folder), 0);
}
