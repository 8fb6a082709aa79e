// The safe file write as a user without root sees it: where replacing the file by a
// renamed temporary would be refused or would break the file's identity, the file is
// written in place; where the user may not write the file, nothing changes. The tests
// run as root (here and in CI), so each write runs in a child that has become nobody.

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "export/AtomicWrite.h"
#include "support/TempFolder.h"

namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

// The result of WriteFileSafely(path) run as nobody, or -1 when the child failed.
int WriteAsNobody(const std::string& path, const std::string& bytes) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNoGroup) != 0 || ::setuid(kNobody) != 0)
            ::_exit(100);
        ::_exit(static_cast<int>(WriteFileSafely(path, bytes, nullptr)));
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status) == 100 ? -1 : WEXITSTATUS(status);
}

struct FileState {
    ino_t inode = 0;
    uid_t owner = 0;
    std::string bytes;
};

FileState StateOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return {info.st_ino, info.st_uid, ReadBytes(path)};
}

}  // namespace

TEST(SafeWrite, AsAUserWithoutRootEachFolderAndFileGetsTheRightWrite) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "making files of two owners needs root; CI runs the tests as root";
    TempFolder root;
    ASSERT_EQ(::chmod(root.path.c_str(), 0755), 0);

    struct Case {
        const char* what;
        mode_t folderMode;
        uid_t folderOwner;
        mode_t fileMode;
        uid_t fileOwner;
        bool secondLink;
        FileWriteResult expected;
        bool sameFile;  // written in place rather than replaced
    };
    const Case cases[] = {
        // The described export opens the file and writes it; a temporary file cannot
        // be made beside it.
        {"own file in a folder that is not writable", 0755, 0, 0644, kNobody, false,
         FileWriteResult::Written, true},
        // Only the owner may rename over a file in a sticky folder.
        {"another's writable file in a sticky folder", 01777, 0, 0666, 0, false,
         FileWriteResult::Written, true},
        // Replacing one name would leave the other name with the old bytes.
        {"file with two hard links", 0755, kNobody, 0644, kNobody, true, FileWriteResult::Written,
         true},
        {"own file in own folder", 0755, kNobody, 0644, kNobody, false, FileWriteResult::Written,
         false},
        // The folder would allow a rename, the file does not allow writing.
        {"another's read-only file in own folder", 0755, kNobody, 0644, 0, false,
         FileWriteResult::OpenFailed, true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = root / ("case" + std::to_string(n++));
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        const std::string file = folder + "/shape.obj";
        WriteBytes(file, "earlier bytes that are longer than the new ones\n");
        ASSERT_EQ(::chown(file.c_str(), c.fileOwner, kNoGroup), 0);
        ASSERT_EQ(::chmod(file.c_str(), c.fileMode), 0);
        const std::string link = folder + "/other-name.obj";
        if (c.secondLink) {
            ASSERT_EQ(::link(file.c_str(), link.c_str()), 0);
        }
        ASSERT_EQ(::chown(folder.c_str(), c.folderOwner, kNoGroup), 0);
        ASSERT_EQ(::chmod(folder.c_str(), c.folderMode), 0);
        const FileState before = StateOf(file);

        const int result = WriteAsNobody(file, "new\n");
        ASSERT_NE(result, -1) << "the child could not become nobody";
        EXPECT_EQ(result, static_cast<int>(c.expected));
        const FileState after = StateOf(file);
        const bool written = c.expected == FileWriteResult::Written;
        EXPECT_EQ(after.bytes, written ? "new\n" : before.bytes);
        EXPECT_EQ(after.inode == before.inode, c.sameFile);
        EXPECT_EQ(after.owner, written && !c.sameFile ? kNobody : before.owner);
        if (c.secondLink) {
            EXPECT_EQ(ReadBytes(link), "new\n");
        }
        EXPECT_FALSE(TempFolder::Contains(folder, ".tmp"));  // no temporary file left
    }
}
