#include "export/AtomicWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

std::string Reason(int error) { return std::strerror(error); }

// Writes everything or reports the errno of the failure.
int WriteAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        done += static_cast<size_t>(n);
    }
    return 0;
}

// The file the name finally stands for: a symbolic link is written through, as
// opening it would have done, rather than replaced by a plain file.
std::string ResolveTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
    }
    return path;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether an existing file must be written where it is rather than replaced.
bool MustWriteInPlace(const std::string& target, const struct stat& file) {
    if (file.st_nlink > 1) return true;
    const std::string folder = FolderOf(target);
    if (::access(folder.c_str(), W_OK) != 0) return true;
    struct stat dir {};
    if (::stat(folder.c_str(), &dir) != 0) return true;
    // In a sticky folder only the file's owner (or the folder's) may rename over it.
    const uid_t me = ::geteuid();
    return (dir.st_mode & S_ISVTX) != 0 && me != 0 && file.st_uid != me && dir.st_uid != me;
}

FileWriteResult WriteInPlace(const std::string& target, std::string_view bytes,
                             std::string* error) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error != nullptr) *error = Reason(errno);
        return FileWriteResult::OpenFailed;
    }
    int failure = WriteAll(fd, bytes);
    if (failure == 0 && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) failure = errno;
    if (failure == 0 && ::fsync(fd) != 0) failure = errno;
    if (::close(fd) != 0 && failure == 0) failure = errno;
    if (failure == 0) return FileWriteResult::Written;
    if (error != nullptr)
        *error = Reason(failure) +
                 " (the file could only be overwritten where it is, and may "
                 "now be incomplete)";
    return FileWriteResult::WriteFailed;
}

FileWriteResult WriteByRename(const std::string& target, const struct stat* existing,
                              std::string_view bytes, std::string* error) {
    auto fail = [error](FileWriteResult result, int reason) {
        if (error != nullptr) *error = Reason(reason);
        return result;
    };
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = FolderOf(target) + "/." + NameOf(target) + "." + std::to_string(::getpid()) + "." +
               std::to_string(attempt) + ".tmp";
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return fail(FileWriteResult::OpenFailed, errno);
    // A replaced file keeps its permissions.
    if (existing != nullptr) ::fchmod(fd, existing->st_mode & 07777);

    int failure = WriteAll(fd, bytes);
    if (failure == 0 && ::fsync(fd) != 0) failure = errno;
    if (::close(fd) != 0 && failure == 0) failure = errno;
    if (failure == 0 && ::rename(temp.c_str(), target.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(temp.c_str());
        return fail(FileWriteResult::WriteFailed, failure);
    }
    return FileWriteResult::Written;
}

}  // namespace

FileWriteResult WriteFileSafely(const std::string& path, std::string_view bytes,
                                std::string* error) {
    const std::string target = ResolveTarget(path);
    struct stat existing {};
    if (::stat(target.c_str(), &existing) != 0) return WriteByRename(target, nullptr, bytes, error);

    // Replacing by rename would succeed even where opening the file for writing is
    // refused; keep the refusal for a file that may not be written, and for anything
    // that is not a plain file.
    if (!S_ISREG(existing.st_mode)) {
        if (error != nullptr) *error = Reason(EISDIR);
        return FileWriteResult::OpenFailed;
    }
    if (::access(target.c_str(), W_OK) != 0) {
        if (error != nullptr) *error = Reason(errno);
        return FileWriteResult::OpenFailed;
    }
    if (MustWriteInPlace(target, existing)) return WriteInPlace(target, bytes, error);
    return WriteByRename(target, &existing, bytes, error);
}
