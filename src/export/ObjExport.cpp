#include "export/ObjExport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "app/MainFrame.h"

namespace {

// std::to_chars never consults the locale, so a decimal comma can never slip in; with
// a precision it prints exactly what printf("%.6f") prints in the C locale.
void AppendFixed6(std::string& out, double value) {
    char buffer[400];  // the longest double in fixed notation, with six decimals
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    out.append(buffer, result.ptr);
}

void AppendInt(std::string& out, int value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

std::string Reason(int error) { return std::strerror(error); }

// Writes everything or reports the errno of the failure.
int WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
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

}  // namespace

std::string FormatObj(CMainFrame& frame) {
    std::string out;
    int number = 0;
    for (Vertex* v = frame.m_pVertices; v != nullptr; v = v->next) {
        v->index = ++number;
        out += "v ";
        AppendFixed6(out, v->position.x);
        out += ' ';
        AppendFixed6(out, v->position.y);
        out += ' ';
        AppendFixed6(out, v->position.z);
        out += "\r\n";
    }
    for (Triangle* t = frame.m_pTriangles; t != nullptr; t = t->next) {
        out += "f ";
        AppendInt(out, t->corner[0]->index);
        out += ' ';
        AppendInt(out, t->corner[1]->index);
        out += ' ';
        AppendInt(out, t->corner[2]->index);
        out += "\r\n";
    }
    return out;
}

ObjWriteResult WriteObj(CMainFrame& frame, const std::string& path, std::string* error) {
    auto fail = [error](ObjWriteResult result, const std::string& reason) {
        if (error != nullptr) *error = reason;
        return result;
    };
    const std::string target = ResolveTarget(path);

    // Replacing by rename would succeed even where opening the file for writing is
    // refused; keep the refusal for a file that exists and may not be written, and
    // for anything that is not a plain file.
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists) {
        if (!S_ISREG(existing.st_mode)) return fail(ObjWriteResult::OpenFailed, Reason(EISDIR));
        if (::access(target.c_str(), W_OK) != 0)
            return fail(ObjWriteResult::OpenFailed, Reason(errno));
    }

    const std::string text = FormatObj(frame);

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = FolderOf(target) + "/." + NameOf(target) + "." + std::to_string(::getpid()) + "." +
               std::to_string(attempt) + ".tmp";
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return fail(ObjWriteResult::OpenFailed, Reason(errno));
    // A replaced file keeps its permissions.
    if (exists) ::fchmod(fd, existing.st_mode & 07777);

    int failure = WriteAll(fd, text);
    if (failure == 0 && ::fsync(fd) != 0) failure = errno;
    if (::close(fd) != 0 && failure == 0) failure = errno;
    if (failure == 0 && ::rename(temp.c_str(), target.c_str()) != 0) failure = errno;
    if (failure != 0) {
        ::unlink(temp.c_str());
        return fail(ObjWriteResult::WriteFailed, Reason(failure));
    }
    return ObjWriteResult::Written;
}

bool WriteObjFile(CMainFrame& frame, const std::string& path, std::string* error) {
    return WriteObj(frame, path, error) == ObjWriteResult::Written;
}

void CMainFrame::OnSaveAs() {
    std::string path;
    if (!m_pPlatform->GetSaveFileName(path)) return;
    std::string reason;
    switch (WriteObj(*this, path, &reason)) {
    case ObjWriteResult::Written:
        break;
    case ObjWriteResult::OpenFailed:
        m_pPlatform->MessageBeep();
        break;
    case ObjWriteResult::WriteFailed:
        m_pPlatform->ReportFileError(path, reason);
        break;
    }
}
