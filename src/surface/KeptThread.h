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

    // Starts `job` on the kept thread. False, with nothing started, when the thread is
    // busy with another caller's job or cannot be had.
    bool TryStart(std::function<void()> job);

    // Waits until the job last started has returned. What it throws is lost: a job
    // must catch what it can throw.
    void Wait();

    KeptThread(const KeptThread&) = delete;
    KeptThread& operator=(const KeptThread&) = delete;
    ~KeptThread();

private:
    KeptThread() = default;
    void Loop();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::function<void()> m_job;
    bool m_busy = false;     // a job is given and has not been waited for
    bool m_running = false;  // the job given has not returned yet
    bool m_stopping = false;
    std::thread m_thread;
};
