#pragma once

#include <string>
#include <vector>

// This program's autosave file in the state folder, and the recovery of those that
// programs which ended without exiting left behind.
//
// Each running program writes its own file, autosave-<pid>.pliform, and holds an
// exclusive lock on autosave-<pid>.lock for as long as it runs, so two programs never
// write the same file. A file whose lock can be taken belongs to a program that has
// ended (the system drops a dead process's locks, however it died): that file is
// stale, and the first program to lock it may recover it.
class Autosave {
public:
    // Claims this process's files in `folder`; check Ready().
    explicit Autosave(std::string folder);
    // Removes this process's autosave file and lock: the clean exit.
    ~Autosave();
    Autosave(const Autosave&) = delete;
    Autosave& operator=(const Autosave&) = delete;

    bool Ready() const { return m_lockFd >= 0; }
    const std::string& Path() const { return m_path; }

    // Writes `bytes` atomically to this process's autosave file.
    bool Write(const std::string& bytes, std::string* error);
    // Removes this process's autosave file, keeping the lock.
    void Remove();

    // The folder's stale autosave files, newest first. Each one's lock is held by this
    // object from now on, so that no other program recovers it too, until Discard.
    std::vector<std::string> ClaimStale();
    // Removes the claimed stale files and their locks.
    void DiscardClaimed();

private:
    struct Claimed {
        std::string drawing;
        std::string lock;
        int fd;
    };

    std::string m_folder;
    std::string m_path;
    std::string m_lockPath;
    int m_lockFd = -1;
    std::vector<Claimed> m_claimed;
};
