// OBJ text and the safe file write.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "export/ObjExport.h"
#include "model/Snapshot.h"
#include "support/FrameTest.h"
#include "support/MeshBuilders.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

int FilesIn(const std::string& folder) {
    int n = 0;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return -1;
    while (dirent* entry = ::readdir(dir))
        if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") ++n;
    ::closedir(dir);
    return n;
}

struct Export : FrameTest {
    std::string folder;
    void SetUp() override {
        char pattern[] = "/tmp/pliform-export-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override {
        DIR* dir = ::opendir(folder.c_str());
        if (dir != nullptr) {
            while (dirent* entry = ::readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..") ::unlink((folder + "/" + name).c_str());
            }
            ::closedir(dir);
        }
        ::rmdir(folder.c_str());
    }
    // Three vertices A (newest), B, C and one triangle C, A, B.
    void ThreeVertexModel() { BuildMesh(f, {{7, 8, 9}, {4, 5, 6}, {1, 2, 3}}, {{0, 2, 1}}); }
};

TEST_F(Export, VerticesNewestFirstAndFacesByNumber) {
    ThreeVertexModel();
    EXPECT_EQ(FormatObj(f),
              "v 1.000000 2.000000 3.000000\r\n"
              "v 4.000000 5.000000 6.000000\r\n"
              "v 7.000000 8.000000 9.000000\r\n"
              "f 3 1 2\r\n");
    // The numbers stay behind in `index`.
    EXPECT_EQ(f.m_pVertices->index, 1);
    EXPECT_EQ(f.m_pVertices->next->next->index, 3);
}

TEST_F(Export, NumberFormatting) {
    BuildMesh(f, {{-0.5, 2, 1234.5678904}}, {});
    EXPECT_EQ(FormatObj(f), "v -0.500000 2.000000 1234.567890\r\n");
    f.m_pVertices->position = {-0.0, 1e-7, -123456789.0000005};
    char expected[128];
    std::snprintf(expected, sizeof expected, "v %.6f %.6f %.6f\r\n", -0.0, 1e-7,
                  -123456789.0000005);
    EXPECT_EQ(FormatObj(f), expected);
    // Rounding of the sixth decimal follows printf.
    f.m_pVertices->position = {0.0000005, 2.5e-7, 1e20};
    std::snprintf(expected, sizeof expected, "v %.6f %.6f %.6f\r\n", 0.0000005, 2.5e-7, 1e20);
    EXPECT_EQ(FormatObj(f), expected);
}

// A decimal comma from the user's locale would make the file unreadable elsewhere.
TEST_F(Export, FormattingIgnoresProcessLocale) {
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "no German locale installed";
    BuildMesh(f, {{-0.5, 2, 1234.5678904}}, {});
    const std::string text = FormatObj(f);
    // The locale really is in force: printf itself now writes a comma.
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_STREQ(probe, "0,5");
    EXPECT_EQ(text, "v -0.500000 2.000000 1234.567890\r\n");
}

TEST_F(Export, SaveAsWritesBytesAndEmptySceneGivesEmptyFile) {
    const std::string path = folder + "/model.obj";
    host.saveAnswer = path;
    f.OnCommand(ID_SAVE_AS);
    ASSERT_TRUE(Exists(path));
    EXPECT_EQ(ReadFile(path), "");

    MakeIcosphere(f, 10.0, 1);
    f.OnCommand(ID_SAVE_AS);
    const std::string first = ReadFile(path);
    EXPECT_EQ(first, FormatObj(f));
    EXPECT_EQ(first.substr(0, 2), "v ");
    EXPECT_NE(first.find("\r\nf "), std::string::npos);
    // Exporting again numbers from 1 again: identical bytes.
    f.OnCommand(ID_SAVE_AS);
    EXPECT_EQ(ReadFile(path), first);
    EXPECT_EQ(host.beeps, 0);
    EXPECT_EQ(host.fileErrors, 0);
    EXPECT_EQ(FilesIn(folder), 1);  // no temporary file left behind
}

TEST_F(Export, CancelledDialogWritesNothing) {
    MakeIcosphere(f, 10.0, 0);
    host.saveAnswer.clear();
    f.OnCommand(ID_SAVE_AS);
    EXPECT_EQ(FilesIn(folder), 0);
    EXPECT_EQ(host.beeps, 0);
}

TEST_F(Export, UnopenablePathBeepsAndWritesNothing) {
    MakeIcosphere(f, 10.0, 0);
    host.saveAnswer = folder + "/missing/model.obj";
    f.OnCommand(ID_SAVE_AS);
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(host.fileErrors, 0);
    // A folder of that name is not a file to replace.
    host.saveAnswer = folder;
    f.OnCommand(ID_SAVE_AS);
    EXPECT_EQ(host.beeps, 2);
    EXPECT_EQ(FilesIn(folder), 0);
}

TEST_F(Export, ReadOnlyFileIsRefusedNotReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    const std::string path = folder + "/locked.obj";
    WriteText(path, "keep me");
    ::chmod(path.c_str(), 0444);
    MakeIcosphere(f, 10.0, 0);
    host.saveAnswer = path;
    f.OnCommand(ID_SAVE_AS);
    EXPECT_EQ(host.beeps, 1);
    EXPECT_EQ(ReadFile(path), "keep me");
}

// A write that fails half way (here: the file size limit, as a full disk would)
// reports the error and leaves the user's earlier file as it was.
TEST_F(Export, FailedWriteKeepsEarlierFile) {
    const std::string path = folder + "/model.obj";
    WriteText(path, "earlier export\r\n");
    MakeIcosphere(f, 10.0, 3);
    ASSERT_GT(FormatObj(f).size(), 4096u);

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    host.saveAnswer = path;
    f.OnCommand(ID_SAVE_AS);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(host.fileErrors, 1);
    EXPECT_NE(host.lastFileError.find(path), std::string::npos);
    EXPECT_EQ(host.beeps, 0);
    EXPECT_EQ(ReadFile(path), "earlier export\r\n");
    EXPECT_EQ(FilesIn(folder), 1);

    std::string reason;
    EXPECT_TRUE(WriteObjFile(f, path, &reason)) << reason;
    EXPECT_EQ(ReadFile(path), FormatObj(f));
}

TEST_F(Export, SymbolicLinkIsWrittenThrough) {
    const std::string real = folder + "/real.obj";
    const std::string link = folder + "/link.obj";
    WriteText(real, "old");
    ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
    ThreeVertexModel();
    ASSERT_TRUE(WriteObjFile(f, link, nullptr));
    EXPECT_EQ(ReadFile(real), FormatObj(f));
    char target[512] = {};
    EXPECT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
}

TEST_F(Export, SnapshotRestoreGivesIdenticalObjAndCurves) {
    BuiltMesh mesh = MakeIcosphere(f, 25.0, 2);
    AddCurve(f, {mesh.vertices[0], mesh.vertices[12], mesh.vertices[13]}, kOpenCurve);
    AddCurve(f, {mesh.vertices[1], mesh.vertices[14], mesh.vertices[15], mesh.vertices[16]},
             kClosedCurve);
    const std::string before = FormatObj(f);
    auto curveText = [this] {
        std::string text;
        for (Curve* c = f.m_pCurves; c; c = c->next) {
            text += std::to_string(c->kind) + ":";
            for (CurveLink* l = c->first; l; l = l->next)
                text += " " + std::to_string(l->vertex->index);
            text += "\n";
        }
        return text;
    };
    const std::string curvesBefore = curveText();
    ModelSnapshot snapshot(f);
    f.FairModel();
    ReleaseModel(f);
    MakeIcosphere(f, 5.0, 1);
    snapshot.Restore(f);
    EXPECT_EQ(FormatObj(f), before);
    EXPECT_EQ(curveText(), curvesBefore);
    EXPECT_EQ(ValidateModel(f), "");
}

}  // namespace
