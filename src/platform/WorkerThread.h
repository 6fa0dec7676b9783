#pragma once

#include <pthread.h>

#include <cstddef>
#include <functional>

namespace rollscribe {

// A thread with a stack of its own size. A std::thread takes the size of the process's stack
// limit, so that under `ulimit -s 64` every thread would have 64 KiB, too little for the
// libraries a conversion calls.
class WorkerThread {
  public:
    static constexpr std::size_t kStackSize = 8 * 1024 * 1024;

    // Starts work on a new thread; throws std::system_error when the system refuses one.
    explicit WorkerThread(std::function<void()> work);
    WorkerThread(WorkerThread&& other) noexcept;
    WorkerThread& operator=(WorkerThread&& other) noexcept;
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    // Waits for the thread, if it was not joined.
    ~WorkerThread();

    // Waits for the thread to end.
    void join() noexcept;

  private:
    pthread_t m_thread{};
    bool m_joinable = false;
};

}  // namespace rollscribe
