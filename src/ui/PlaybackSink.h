#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace rollscribe {

// What the desktop plays a roll's MIDI file through: the sound font's synthesizer, or a live
// MIDI port (a piano, a synthesizer). Positions are in MIDI ticks of the file played. Every call
// is made from the GUI thread.
class PlaybackSink {
  public:
    virtual ~PlaybackSink() = default;

    // Whether a play can start at once; else Prepare() first, and Play once Prepared().
    virtual bool Ready() const noexcept = 0;
    // Starts what must come before a play (a sound font's load) in the background, unless it goes
    // on already. Throws std::system_error when it cannot be started.
    virtual void Prepare() = 0;
    // Whether a preparation goes on.
    virtual bool Preparing() const noexcept = 0;
    // Looked at while Preparing(): true once the preparation ended (Preparing() false from then
    // on); throws what made it fail.
    virtual bool Prepared() = 0;

    // Plays a MIDI file from a tick on, stopping what played. Throws what stops it from starting
    // (the file, the sound font, the audio output or the port), nothing playing then.
    virtual void Play(const std::string& midiPath, std::int64_t tick) = 0;
    // Stops at once with nothing left sounding; the position stays where it was.
    virtual void Stop() noexcept = 0;
    // False after Stop, at the end, and after a failure.
    virtual bool IsPlaying() const noexcept = 0;
    virtual std::int64_t CurrentTick() const noexcept = 0;
    virtual std::int64_t TotalTicks() const noexcept = 0;
    // Why the last play ended before its end (a port that went away); null when it did not.
    virtual std::exception_ptr Failure() const noexcept = 0;
};

}  // namespace rollscribe
