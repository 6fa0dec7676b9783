#pragma once

class CRollscribeDoc;

namespace rollscribe {

// Another file made of a roll beside its MIDI file (the expression file), written while the MIDI
// file is written, on a thread of its own. Set on the document (CRollscribeDoc::m_pSideOutput)
// before a roll is loaded: WriteMidiFile calls Start before it writes the MIDI file and Finish
// after it, saying whether the MIDI file was written; only then may it put its file
// in place. A side output reports its own failures: they never touch the MIDI file.
class SideOutput {
  public:
    virtual ~SideOutput() = default;
    // The roll is loaded: begin. Reads the document only; it stays unchanged until Finish.
    virtual void Start(const CRollscribeDoc& doc) noexcept = 0;
    // Waits for the side output; puts its file in place when midiWritten, else drops it.
    virtual void Finish(bool midiWritten) noexcept = 0;
};

}  // namespace rollscribe
