#pragma once

#include <memory>

#include "audio/MidiPlayback.h"
#include "ui/PlaybackSink.h"

namespace rollscribe {

class SoundFontLoad;

// Plays through the sound font: a MidiPlayback, its sound font loaded in the background at the
// first play (a load goes on when the play that waited for it is stopped, so that the next one
// need not wait again).
class SoundFontSink : public PlaybackSink {
  public:
    explicit SoundFontSink(PlaybackOptions options);
    ~SoundFontSink() override;

    // The sound font's file.
    const std::string& SoundFont() const noexcept { return m_playback.Options().soundFont; }

    bool Ready() const noexcept override { return m_playback.HasSoundFont(); }
    void Prepare() override;
    bool Preparing() const noexcept override { return m_load != nullptr; }
    bool Prepared() override;
    void Play(const std::string& midiPath, std::int64_t tick) override;
    void Stop() noexcept override { m_playback.Stop(); }
    bool IsPlaying() const noexcept override { return m_playback.IsPlaying(); }
    std::int64_t CurrentTick() const noexcept override { return m_playback.CurrentTick(); }
    std::int64_t TotalTicks() const noexcept override { return m_playback.TotalTicks(); }
    std::exception_ptr Failure() const noexcept override { return nullptr; }

  private:
    MidiPlayback m_playback;
    std::unique_ptr<SoundFontLoad> m_load;
};

}  // namespace rollscribe
