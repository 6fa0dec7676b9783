#include "live/LivePlayer.h"

#include <algorithm>
#include <map>
#include <utility>

#include "live/LiveError.h"

namespace rollscribe {

LivePlayer::LivePlayer(std::unique_ptr<MidiSink> sink) : m_sink(std::move(sink)) {}

LivePlayer::~LivePlayer() {
    Stop();
}

void LivePlayer::Join() noexcept {
    if (m_thread.joinable()) m_thread.join();
}

void LivePlayer::Play(std::shared_ptr<const MidiSequence> sequence, std::int64_t fromMicroseconds) {
    Stop();
    std::lock_guard lock(m_mutex);
    m_sequence = std::move(sequence);
    m_from = std::clamp<std::int64_t>(fromMicroseconds, 0, m_sequence->lengthMicroseconds);
    m_stoppedAt = m_from;
    m_startedAt = Clock::now();
    m_stop = false;
    m_ended = false;
    m_seekTo = -1;
    m_failure = nullptr;
    m_playing = true;
    try {
        m_thread = std::thread([this] { Run(); });
    } catch (...) {
        m_playing = false;
        throw;
    }
}

void LivePlayer::Stop() noexcept {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    Join();
}

void LivePlayer::Seek(std::int64_t microseconds) {
    std::lock_guard lock(m_mutex);
    const std::int64_t length = m_sequence ? m_sequence->lengthMicroseconds : 0;
    const std::int64_t to = std::clamp<std::int64_t>(microseconds, 0, length);
    if (m_playing)
        m_seekTo = to;
    else
        m_stoppedAt = to;
    m_changed.notify_all();
}

bool LivePlayer::IsPlaying() const noexcept {
    std::lock_guard lock(m_mutex);
    return m_playing;
}

bool LivePlayer::Ended() const noexcept {
    std::lock_guard lock(m_mutex);
    return m_ended;
}

bool LivePlayer::WaitFor(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, timeout, [this] { return !m_playing; });
    return m_playing;
}

std::int64_t LivePlayer::Position() const noexcept {
    std::lock_guard lock(m_mutex);
    if (!m_playing) return m_stoppedAt;
    const auto played =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - m_startedAt).count();
    return std::clamp<std::int64_t>(m_from + played, 0, m_sequence->lengthMicroseconds);
}

std::exception_ptr LivePlayer::Failure() const noexcept {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

bool LivePlayer::SendOne(const std::uint8_t* bytes, std::size_t size) noexcept {
    try {
        m_sink->Send(bytes, size);
        m_sounding.Sent(bytes, size);
        return true;
    } catch (...) {
        std::lock_guard lock(m_mutex);
        if (!m_failure) m_failure = std::current_exception();
        return false;
    }
}

bool LivePlayer::SendAll(const std::vector<ShortMessage>& messages) noexcept {
    bool sent = true;
    for (const ShortMessage& message : messages)
        sent = SendOne(message.bytes, message.size) && sent;
    return sent;
}

std::size_t LivePlayer::FirstAt(std::int64_t microseconds) const noexcept {
    const auto& messages = m_sequence->messages;
    return static_cast<std::size_t>(
        std::lower_bound(messages.begin(), messages.end(), microseconds,
                         [](const TimedMessage& m, std::int64_t t) { return m.microseconds < t; }) -
        messages.begin());
}

void LivePlayer::Chase(std::size_t end) noexcept {
    // The last value of each controller (but the channel mode messages) and program of each
    // channel before the start, in channel and controller order.
    std::map<std::pair<int, int>, ShortMessage> last;
    const auto& messages = m_sequence->messages;
    for (std::size_t i = 0; i < end; ++i) {
        const TimedMessage& m = messages[i];
        const int kind = m.bytes[0] & 0xF0;
        const int channel = m.bytes[0] & 0x0F;
        if (kind == 0xB0 && m.bytes[1] < 120)
            last[{channel, m.bytes[1]}] = {{m.bytes[0], m.bytes[1], m.bytes[2]}, 3};
        else if (kind == 0xC0)
            last[{channel, -1}] = {{m.bytes[0], m.bytes[1], 0}, 2};
    }
    for (const auto& [key, message] : last) SendOne(message.bytes, message.size);
}

void LivePlayer::Run() noexcept {
    const auto& messages = m_sequence->messages;
    std::unique_lock lock(m_mutex);
    std::size_t next = FirstAt(m_from);
    lock.unlock();
    Chase(next);
    lock.lock();
    m_startedAt = Clock::now();
    auto deadlineOf = [this](std::int64_t microseconds) {
        return m_startedAt + std::chrono::microseconds(microseconds - m_from);
    };
    auto nextCheck = m_startedAt + kPresenceInterval;
    for (;;) {
        if (m_stop || m_failure) break;
        if (m_seekTo >= 0) {
            const std::int64_t to = std::exchange(m_seekTo, -1);
            lock.unlock();
            SendAll(m_sounding.Release());
            next = FirstAt(to);
            Chase(next);
            lock.lock();
            m_from = to;
            m_startedAt = Clock::now();
            continue;
        }
        auto now = Clock::now();
        if (now >= nextCheck) {
            lock.unlock();
            const bool present = m_sink->Present();
            lock.lock();
            if (!present) {
                m_failure = std::make_exception_ptr(
                    LiveError("the MIDI port " + m_sink->Name() + " is gone"));
                break;
            }
            nextCheck = now + kPresenceInterval;
            continue;
        }
        const Clock::time_point due = next < messages.size()
                                          ? deadlineOf(messages[next].microseconds)
                                          : deadlineOf(m_sequence->lengthMicroseconds);
        if (now < due) {
            m_changed.wait_until(lock, std::min(due, nextCheck));
            continue;
        }
        if (next >= messages.size()) {
            m_ended = true;
            break;
        }
        // Every message due, sent without the lock; then the state is looked at again.
        lock.unlock();
        while (next < messages.size() && deadlineOf(messages[next].microseconds) <= now &&
               SendOne(messages[next].bytes, messages[next].size))
            ++next;
        lock.lock();
    }
    const auto played =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - m_startedAt).count();
    m_stoppedAt =
        m_ended ? m_sequence->lengthMicroseconds
                : std::clamp<std::int64_t>(m_from + played, 0, m_sequence->lengthMicroseconds);
    lock.unlock();
    SendAll(m_sounding.Release());
    lock.lock();
    m_playing = false;
    lock.unlock();
    m_changed.notify_all();
}

}  // namespace rollscribe
