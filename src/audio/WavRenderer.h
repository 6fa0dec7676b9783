#pragma once

#include <cstdint>
#include <functional>

#include "audio/SynthSession.h"
#include "platform/CString.h"

class CRollscribeDoc;

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

// The WAV file of a converted roll: beside its MIDI file, TITLE_BAR_e.wav.
CString WavPathFor(const CRollscribeDoc& doc);

// Renders a MIDI file through FluidSynth into a WAV file (44.1 kHz, 16-bit stereo) as fast as
// the processor allows, timed by the samples rendered, and adds the release. The WAV file is
// written atomically: it is replaced only when complete, with the permissions of a file the user
// creates. Throws CFileException for files that cannot be read or written (the sound font, the
// MIDI file, the WAV file, each named), CException for a sound font or MIDI file FluidSynth
// cannot use or a sound too long for a WAV file (over 6 hours 45 minutes), AudioError when the
// synthesizer cannot be made.
RenderResult RenderMidiToWav(const CString& midiPath, const CString& wavPath,
                             const RenderOptions& options = {});

}  // namespace rollscribe
