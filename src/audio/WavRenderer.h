#pragma once

#include <cstdint>
#include <functional>

#include "audio/SoundFormat.h"
#include "audio/SynthSession.h"
#include "platform/CString.h"

namespace rollscribe {

struct RenderOptions : SoundOptions {
    // Sound after the MIDI file's end, for the last notes' release (and reverb) to die away.
    double releaseSeconds = 2.0;
    // Called now and then with the part done, 0 to 1.
    std::function<void(double)> progress;
};

struct RenderResult {
    std::uint64_t frames = 0;           // sample frames in the WAV file
    std::uint64_t midiFrames = 0;       // of which the MIDI file's own length, before the release
    std::uint64_t firstSoundFrame = 0;  // the first frame that is not silent (frames when none)
};

// Renders MIDI files through FluidSynth into WAV files (44.1 kHz, 16-bit stereo) as fast as the
// processor allows, timed by the samples rendered, each with the release added. The sound font
// is loaded once, so that one renderer serves a whole batch (one renderer to a thread). A WAV
// file is written atomically: it is replaced only when complete, with the permissions of a file
// the user creates.
class WavRenderer {
  public:
    // Loads the sound font. Throws CFileException when it cannot be read, CException naming it
    // when it is no sound font, AudioError when the synthesizer cannot be made.
    explicit WavRenderer(RenderOptions options = {});

    // Throws CFileException for a MIDI file that cannot be read or a sound file that cannot be
    // written (each named), CException for a MIDI file FluidSynth cannot play, a sound too long
    // for a WAV file (over 6 hours 45 minutes) or one the encoder fails. Each file is rendered by
    // a fresh synthesizer, so that it comes out the same whatever was rendered before it. FLAC
    // and Ogg Vorbis files hold the same samples, encoded by libsndfile (FLAC losslessly).
    RenderResult Render(const CString& midiPath, const CString& soundPath,
                        SoundFormat format = SoundFormat::wav);

  private:
    RenderOptions m_options;
    SynthSession m_session;
};

}  // namespace rollscribe
