#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// One thread kept for the life of the process, for work done beside the calling
// thread. Starting a thread for each such job cost more than the job saved on a small
// model: the start itself, and a new thread's empty heap and ring-node pool, whose
// pages the job then touched for the first time.
class KeptThread {
public:
    // The process's kept thread.
    static KeptThread& Get();

    // Starts `job` on the kept thread, once the job before it has returned. False, with
    // nothing started, when the thread is still another caller's (started and not
    // released) or cannot be had. What a job throws is lost: it must catch what it
    // can throw.
    bool TryStart(std::function<void()> job);

    // Hands the thread back: the job last started may still be finishing, on what it
    // owns; the next TryStart waits for it.
    void Release();

    KeptThread(const KeptThread&) = delete;
    KeptThread& operator=(const KeptThread&) = delete;
    ~KeptThread();

private:
    KeptThread() = default;
    void Loop();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<void()> m_job;
    bool m_busy = false;     // a job is given and has not been released
    bool m_running = false;  // the job given has not returned yet
    bool m_stopping = false;
    std::thread m_thread;
};
