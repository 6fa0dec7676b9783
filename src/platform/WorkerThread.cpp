#include "platform/WorkerThread.h"

#include <memory>
#include <system_error>
#include <utility>

namespace rollscribe {

namespace {

void* Run(void* work) {
    std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(work));
    (*owned)();
    return nullptr;
}

}  // namespace

WorkerThread::WorkerThread(std::function<void()> work) {
    auto owned = std::make_unique<std::function<void()>>(std::move(work));
    pthread_attr_t attributes;
    int error = ::pthread_attr_init(&attributes);
    if (error == 0) {
        error = ::pthread_attr_setstacksize(&attributes, kStackSize);
        if (error == 0) error = ::pthread_create(&m_thread, &attributes, &Run, owned.get());
        ::pthread_attr_destroy(&attributes);
    }
    if (error != 0)
        throw std::system_error(error, std::generic_category(), "cannot start a thread");
    owned.release();  // the thread's now
    m_joinable = true;
}

WorkerThread::WorkerThread(WorkerThread&& other) noexcept
    : m_thread(other.m_thread), m_joinable(std::exchange(other.m_joinable, false)) {}

WorkerThread& WorkerThread::operator=(WorkerThread&& other) noexcept {
    if (this != &other) {
        join();
        m_thread = other.m_thread;
        m_joinable = std::exchange(other.m_joinable, false);
    }
    return *this;
}

WorkerThread::~WorkerThread() {
    join();
}

void WorkerThread::join() noexcept {
    if (m_joinable) ::pthread_join(m_thread, nullptr);
    m_joinable = false;
}

}  // namespace rollscribe
