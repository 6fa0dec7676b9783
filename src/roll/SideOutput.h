#pragma once

#include <cstddef>

class CRollscribeDoc;

namespace rollscribe {

// The roll events the MIDI file's pass writes between two calls of SideOutput::Follow: few
// enough that they are still in the cache when the side output reads them.
inline constexpr std::size_t kFollowBlock = 4096;

// Another file made of a roll beside its MIDI file (the expression file), written while the MIDI
// file is written, in the same pass over the roll's events. Set on the document
// (CRollscribeDoc::m_pSideOutput) before a roll is loaded: WriteMidiFile calls Start before it
// writes the MIDI file, Follow after each block of events it wrote, and Finish after it, saying
// whether the MIDI file was written; only then may it put its file in place. A side output
// reports its own failures: they never touch the MIDI file.
class SideOutput {
  public:
    virtual ~SideOutput() = default;
    // The roll is loaded: begin. Reads the document only; it stays unchanged until Finish.
    virtual void Start(const CRollscribeDoc& doc) noexcept = 0;
    // The MIDI file holds the roll's events before index written.
    virtual void Follow(std::size_t written) noexcept = 0;
    // Waits for the side output; puts its file in place when midiWritten, else drops it.
    virtual void Finish(bool midiWritten) noexcept = 0;
};

}  // namespace rollscribe
