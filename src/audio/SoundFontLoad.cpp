#include "audio/SoundFontLoad.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

namespace rollscribe {

namespace {

std::atomic<int> s_running{0};

}  // namespace

struct SoundFontLoad::State {
    std::mutex mutex;
    std::atomic<bool> done{false};
    std::unique_ptr<SynthSession> session;
    std::exception_ptr error;
};

SoundFontLoad::SoundFontLoad(SoundOptions options) : m_state(std::make_shared<State>()) {
    ++s_running;
    try {
        std::thread([state = m_state, options = std::move(options)]() mutable {
            std::unique_ptr<SynthSession> session;
            std::exception_ptr error;
            try {
                session = std::make_unique<SynthSession>(options);
            } catch (...) {
                error = std::current_exception();
            }
            {
                std::lock_guard<std::mutex> lock(state->mutex);
                state->session = std::move(session);
                state->error = error;
            }
            state->done = true;
            // A load nobody waits for any more is freed here, before it counts as ended.
            state.reset();
            --s_running;
        }).detach();
    } catch (...) {
        --s_running;
        throw;
    }
}

SoundFontLoad::~SoundFontLoad() = default;

bool SoundFontLoad::Done() const noexcept {
    return m_state->done;
}

std::unique_ptr<SynthSession> SoundFontLoad::Take() {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->error) std::rethrow_exception(std::exchange(m_state->error, nullptr));
    return std::move(m_state->session);
}

int SoundFontLoad::Running() noexcept {
    return s_running;
}

}  // namespace rollscribe
