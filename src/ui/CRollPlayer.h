#pragma once

#include <wx/event.h>
#include <wx/timer.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "audio/MidiPlayback.h"

namespace rollscribe {

class PlaybackSink;
class SoundFontSink;

// Plays the MIDI file of the roll on show through the sound font, or live to a MIDI port, and
// reports its position. A play starts where the last one stopped (or where the user put the
// position), and from the start once a play has reached the end. The sound font is loaded in the
// background at the first play through it, the window responsive meanwhile; the play then starts
// (unless it was stopped or reset meanwhile). While it loads or plays, a timer looks at it every
// 30 ms.
class CRollPlayer : public wxEvtHandler {
  public:
    static constexpr int kPollMilliseconds = 30;

    // Called at every poll with the playing position in MIDI ticks, and once more when the play
    // ended by itself (ended true; the position is then back at the start).
    using Listener = std::function<void(std::int64_t tick, bool ended)>;
    // Called when a play that waited for the sound font could not start, with what Play or the
    // load threw; and when a play ended early, with why (a port that went away).
    using FailureListener = std::function<void(std::exception_ptr error)>;

    explicit CRollPlayer(PlaybackOptions options);
    ~CRollPlayer() override;

    void SetListener(Listener listener) { m_listener = std::move(listener); }
    void SetFailureListener(FailureListener listener) { m_failureListener = std::move(listener); }

    // Plays to a live output from now on (stopping what plays), or through the sound font again
    // for none. The position stays.
    void UseLiveOutput(std::unique_ptr<PlaybackSink> output);
    bool PlaysLive() const noexcept { return m_live != nullptr; }

    // Plays a MIDI file (its bytes, as the file system names it) from the position on: at once
    // when the output is ready, else when the sound font's load (started here) ends. Throws what
    // the output's Play throws (CFileException or CException naming the sound font or the MIDI
    // file, AudioError without an audio output, LiveError for a port), or std::system_error when
    // the load cannot be started; nothing plays then.
    void Play(const std::string& midiPath);
    // Stops at once (a play waiting for the sound font no longer starts); the next play starts
    // here.
    void Stop() noexcept;
    bool IsPlaying() const noexcept { return m_playing; }
    // Whether a play waits for the sound font to load.
    bool IsStarting() const noexcept { return m_starting; }
    // The sound font being loaded: its file.
    const std::string& SoundFont() const noexcept;

    // Where the next play starts, or where the current one is.
    std::int64_t Position() const noexcept;
    // Puts the position at a tick; while playing, the play goes on from there.
    void SetPosition(std::int64_t tick);
    // Back to the start, for a roll that is no longer on show (or a new one): stops first.
    void Reset() noexcept;

  private:
    PlaybackSink& Output() const noexcept;
    void StartPlaying();
    void OnTimer(wxTimerEvent& event);
    // Looks at a preparing output; once it is done, the play that waited starts or fails.
    void PollPreparing(PlaybackSink& output);
    bool AnyPreparing() const noexcept;

    std::unique_ptr<SoundFontSink> m_soundFont;
    std::unique_ptr<PlaybackSink> m_live;
    wxTimer m_timer;
    Listener m_listener;
    FailureListener m_failureListener;
    std::string m_midiPath;
    std::int64_t m_position = 0;
    bool m_playing = false;
    bool m_starting = false;
};

}  // namespace rollscribe
