#include "drawing/Autosave.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "app/MainFrame.h"
#include "drawing/Drawing.h"

namespace {

constexpr const char* kPrefix = "autosave-";

// Makes the folder and its missing parents, private to the user as state folders are.
bool MakeFolder(const std::string& folder) {
    for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// An exclusive lock on the file, or -1 when another process holds it.
int TryLock(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

Autosave::Autosave(std::string folder) : m_folder(std::move(folder)) {
    if (!MakeFolder(m_folder)) return;
    const std::string stem = m_folder + "/" + kPrefix + std::to_string(::getpid());
    m_path = stem + "." + kDrawingExtension;
    m_lockPath = stem + ".lock";
    m_lockFd = TryLock(m_lockPath);
}

Autosave::~Autosave() {
    DiscardClaimed();
    if (m_lockFd < 0) return;
    ::unlink(m_path.c_str());
    ::unlink(m_lockPath.c_str());
    ::close(m_lockFd);
}

bool Autosave::Write(const std::string& bytes, std::string* error) {
    if (!Ready()) return false;
    return WriteFileSafely(m_path, bytes, error) == FileWriteResult::Written;
}

void Autosave::Remove() {
    if (Ready()) ::unlink(m_path.c_str());
}

std::vector<std::string> Autosave::ClaimStale() {
    std::vector<std::pair<long long, std::string>> found;
    DIR* dir = ::opendir(m_folder.c_str());
    if (dir == nullptr) return {};
    const std::string extension = std::string(".") + kDrawingExtension;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind(kPrefix, 0) != 0 || !EndsWith(name, extension)) continue;
        const std::string drawing = m_folder + "/" + name;
        if (drawing == m_path) continue;
        const std::string lock = drawing.substr(0, drawing.size() - extension.size()) + ".lock";
        const int fd = TryLock(lock);
        if (fd < 0) continue;  // its program is running
        struct stat info {};
        const long long modified = ::stat(drawing.c_str(), &info) == 0 ? info.st_mtime : 0;
        m_claimed.push_back({drawing, lock, fd});
        found.emplace_back(modified, drawing);
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> paths;
    for (const auto& entry : found) paths.push_back(entry.second);
    return paths;
}

void Autosave::DiscardClaimed() {
    for (const Claimed& claimed : m_claimed) {
        ::unlink(claimed.drawing.c_str());
        ::unlink(claimed.lock.c_str());
        ::close(claimed.fd);
    }
    m_claimed.clear();
}

std::string DefaultAutosaveFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state != nullptr && state[0] == '/') return std::string(state) + "/pliform";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/state/pliform";
    return {};
}

void AutosaveDeleter::operator()(Autosave* autosave) const { delete autosave; }
