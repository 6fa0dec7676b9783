// The conversion: the document's texts, annotations and events into the MIDI file beside the roll.
#include "roll/MidiConversion.h"

#include <algorithm>

#include "midi/CMidiFile.h"
#include "platform/CreateFolders.h"
#include "roll/CRollscribeDoc.h"

namespace rollscribe {

namespace {

// The most bytes an event adds to the track without its text: a 4-byte delta and a note event,
// or a lyric's FF 05 and a 4-byte length.
constexpr std::size_t kEventBytes = 10;
// The signatures, the tempo, the fixed file-type text and the end of track, with room to spare.
constexpr std::size_t kFixedBytes = 256;

}  // namespace

PlayableRange PlayableRangeFor(const CString& rollType) {
    PlayableRange range{21, 108};
    CString type = rollType;
    type.MakeLower();
    if (type.Find("duoart") != CString::npos) range = {25, 104};
    if (type.Find("duo-art") != CString::npos) range = {25, 104};
    if (type.Find("ampico") != CString::npos) range = {23, 105};
    if (type.Find("welte") != CString::npos) range = {24, 103};
    return range;
}

namespace {

CString InstrumentName(const CRollscribeDoc& doc) {
    return doc.m_strRollType + " Roll " + doc.m_strRollNumber + " - Tempo =" + doc.m_strTempo;
}

}  // namespace

void WriteRollHeaderEvents(const CRollscribeDoc& doc, CMidiFile& midi) {
    midi.WriteTempo(0, MidiTempoFor(doc.m_tempo));
    midi.WriteTrackName(doc.m_strTitle);
    midi.WriteCopyright(doc.m_strCopyright);
    midi.WriteInstrumentName(InstrumentName(doc));
    midi.WriteText("/File_Type: Vellum Trackerbar Image from BAR/ANN source");
    AnnotationMap::POSITION pos = doc.m_annotations.GetStartPosition();
    CString key, value;
    while (pos) {
        doc.m_annotations.GetNextAssoc(pos, key, value);
        midi.WriteText(key + ": " + value);
    }
}

std::size_t PlannedTrackBytes(const CRollscribeDoc& doc) {
    std::size_t plan = kFixedBytes + doc.m_strTitle.GetLength() + doc.m_strCopyright.GetLength() +
                       InstrumentName(doc).GetLength() +
                       static_cast<std::size_t>(doc.m_events.GetSize()) * kEventBytes;
    for (const auto& [key, value] : doc.m_annotations)
        plan += key.GetLength() + value.GetLength() + 16;
    return plan;
}

}  // namespace rollscribe

namespace {

// Runs the document's side output, if any, alongside the MIDI file: starts it, and finishes
// it saying whether the MIDI file was written.
class SideOutputRun {
  public:
    explicit SideOutputRun(const CRollscribeDoc& doc) : m_output(doc.m_pSideOutput) {
        if (m_output) m_output->Start(doc);
    }
    ~SideOutputRun() {
        if (m_output) m_output->Finish(false);
    }
    SideOutputRun(const SideOutputRun&) = delete;
    SideOutputRun& operator=(const SideOutputRun&) = delete;
    void Follow(std::size_t written) {
        if (m_output) m_output->Follow(written);
    }
    bool Active() const { return m_output != nullptr; }
    void MidiWritten() {
        if (m_output) m_output->Finish(true);
        m_output = nullptr;
    }

  private:
    rollscribe::SideOutput* m_output;
};

}  // namespace

void CRollscribeDoc::WriteMidiFile() {
    CString path = MidiFilePath();
    // The roll is read: its folder is made now, before any of its outputs opens a file there.
    if (m_bCreateOutputDirectory && !m_pMidiBytes && !m_strOutputDirectory.IsEmpty())
        rollscribe::CreateFolders(m_strOutputDirectory.ToStdString());
    SideOutputRun sideOutput(*this);
    CMidiFile midi;
    const rollscribe::PlayableRange range = rollscribe::PlayableRangeFor(m_strRollType);

    // The track's room, planned without a pass over the events; a track that outgrows the plan
    // grows as any array does.
    midi.PlanTrackSize(rollscribe::PlannedTrackBytes(*this));
    if (m_pMidiBytes)
        midi.OpenInMemory(*m_pMidiBytes);
    else
        midi.Open(path);
    midi.WriteHeader();
    rollscribe::WriteRollHeaderEvents(*this, midi);

    rollscribe::TickClock clock;
    // With a side output, a block at a time, the side output following each block while its
    // events are still in the cache.
    const RollEvent* const events = m_events.begin();
    const std::size_t count = static_cast<std::size_t>(m_events.GetSize());
    const std::size_t block = sideOutput.Active() ? rollscribe::kFollowBlock : count;
    for (std::size_t from = 0; from < count; from += block) {
        const std::size_t to = std::min(count, from + block);
        for (const RollEvent* e = events + from; e != events + to; ++e) {
            const RollEvent& event = *e;
            if (!rollscribe::IsWrittenEvent(event)) continue;
            std::uint64_t lastTick = clock.Last();
            midi.WriteWait(clock.Advance(event.time) - lastTick);
            if (event.kind == RollEvent::kTrackOpened) {
                bool playable = event.note >= range.lowest && event.note <= range.highest;
                midi.NoteOn(event.note, playable ? 80 : 1);
            } else if (event.kind == RollEvent::kLyric) {
                midi.WriteLyric(event.text);
            } else {
                midi.NoteOff(event.note);
            }
        }
        sideOutput.Follow(to);
    }
    midi.WriteTrack();
    midi.Close();
    sideOutput.MidiWritten();
    if (m_pMidiBytes) return;

    m_strInfo += "\n ***** Vellum MIDI Output File Created ***** \n";
    m_strInfo += path;
    m_strInfo += "\n ************************************** \n";
}
