#include "surface/KeptThread.h"

#include <system_error>
#include <utility>

KeptThread& KeptThread::Get() {
    static KeptThread kept;
    return kept;
}

bool KeptThread::TryStart(std::function<void()> job) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_busy || m_stopping) return false;
    m_changed.wait(lock, [this] { return !m_running; });
    if (!m_thread.joinable()) {
        try {
            m_thread = std::thread([this] { Loop(); });
        } catch (const std::system_error&) {
            return false;
        }
    }
    m_job = std::move(job);
    m_busy = true;
    m_running = true;
    lock.unlock();
    m_changed.notify_all();
    return true;
}

void KeptThread::Release() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_busy = false;
}

void KeptThread::Loop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || m_job; });
        if (!m_job) return;
        std::function<void()> job = std::move(m_job);
        m_job = nullptr;
        lock.unlock();
        try {
            job();
        } catch (...) {
            // See Wait: the job keeps its own failures.
        }
        lock.lock();
        m_running = false;
        m_changed.notify_all();
    }
}

KeptThread::~KeptThread() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) m_thread.join();
}
