#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "live/MidiSink.h"
#include "live/SoundingNotes.h"
#include "midi/MidiSequence.h"

namespace rollscribe {

// Plays a MIDI sequence live to a port, on a thread of its own. Each message leaves at its own
// deadline on the monotonic clock, counted from the start of the play (never as a sum of waits),
// so that a long roll ends on time. Whenever a play ends (Stop, its end, a seek, a port that is
// gone, an error, the player's end) nothing is left sounding: the notes on are released and the
// pedals lifted (SoundingNotes::Release) before the port is let go.
//
// Calls are made from one thread (a program's main or GUI thread).
class LivePlayer {
  public:
    using Clock = std::chrono::steady_clock;
    // How often a play looks whether its port is still there.
    static constexpr std::chrono::milliseconds kPresenceInterval{250};

    explicit LivePlayer(std::unique_ptr<MidiSink> sink);
    // Stops (and releases) what plays.
    ~LivePlayer();
    LivePlayer(const LivePlayer&) = delete;
    LivePlayer& operator=(const LivePlayer&) = delete;

    const std::string& PortName() const noexcept { return m_sink->Name(); }

    // Plays sequence from a time on (microseconds from its start), stopping what played. The
    // controllers and programs set before that time are sent first, so that a pedal down there
    // is down. Throws std::system_error when no thread can be had.
    void Play(std::shared_ptr<const MidiSequence> sequence, std::int64_t fromMicroseconds = 0);
    // Stops at once, releasing what sounds; the position stays where it was.
    void Stop() noexcept;
    // While playing: releases what sounds and goes on from a time; else only moves the position.
    void Seek(std::int64_t microseconds);
    // Whether a play goes on: false after Stop, at the end, and after a failure.
    bool IsPlaying() const noexcept;
    // Whether the last play reached the end of its sequence.
    bool Ended() const noexcept;
    // Waits until the play ends or timeout passes; returns IsPlaying().
    bool WaitFor(std::chrono::milliseconds timeout) const;
    // The time played to (microseconds), for a cursor or a progress line.
    std::int64_t Position() const noexcept;
    // Why the last play ended early: LiveError for a port that is gone or a message that could
    // not be sent; null when it did not fail.
    std::exception_ptr Failure() const noexcept;

  private:
    void Run() noexcept;
    // Sends messages, released; returns false and notes the failure when one cannot be sent.
    bool SendAll(const std::vector<ShortMessage>& messages) noexcept;
    bool SendOne(const std::uint8_t* bytes, std::size_t size) noexcept;
    void Chase(std::size_t end) noexcept;
    std::size_t FirstAt(std::int64_t microseconds) const noexcept;
    void Join() noexcept;

    std::unique_ptr<MidiSink> m_sink;
    SoundingNotes m_sounding;  // the play thread's, or the caller's between plays
    std::shared_ptr<const MidiSequence> m_sequence;
    std::thread m_thread;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_playing = false;
    bool m_stop = false;
    bool m_ended = false;
    std::int64_t m_seekTo = -1;     // a seek waiting for the play thread, or -1
    std::int64_t m_from = 0;        // the position at m_startedAt
    Clock::time_point m_startedAt;  // when the play (or the last seek) started
    std::int64_t m_stoppedAt = 0;   // the position when not playing
    std::exception_ptr m_failure;
};

}  // namespace rollscribe
