#pragma once

#include <wx/event.h>
#include <wx/timer.h>

#include <cstdint>
#include <functional>
#include <string>

#include "audio/MidiPlayback.h"

namespace rollscribe {

// Plays the MIDI file of the roll on show and reports its position. A play starts where the
// last one stopped (or where the user put the position), and from the start once a play has
// reached the end. While it plays, a timer reads the position every 30 ms.
class CRollPlayer : public wxEvtHandler {
  public:
    static constexpr int kPollMilliseconds = 30;

    // Called at every poll with the playing position in MIDI ticks, and once more when the play
    // ended by itself (ended true; the position is then back at the start).
    using Listener = std::function<void(std::int64_t tick, bool ended)>;

    explicit CRollPlayer(PlaybackOptions options);
    ~CRollPlayer() override;

    void SetListener(Listener listener) { m_listener = std::move(listener); }

    // Plays a MIDI file (its bytes, as the file system names it) from the position on. Throws
    // what MidiPlayback::Play throws (CFileException or CException naming the sound font or the
    // MIDI file, AudioError without an audio output); nothing plays then.
    void Play(const std::string& midiPath);
    // Stops at once; the next play starts here.
    void Stop() noexcept;
    bool IsPlaying() const noexcept { return m_playing; }

    // Where the next play starts, or where the current one is.
    std::int64_t Position() const noexcept;
    // Puts the position at a tick; while playing, the play goes on from there.
    void SetPosition(std::int64_t tick);
    // Back to the start, for a roll that is no longer on show (or a new one): stops first.
    void Reset() noexcept;

  private:
    void OnTimer(wxTimerEvent& event);

    MidiPlayback m_playback;
    wxTimer m_timer;
    Listener m_listener;
    std::string m_midiPath;
    std::int64_t m_position = 0;
    bool m_playing = false;
};

}  // namespace rollscribe
