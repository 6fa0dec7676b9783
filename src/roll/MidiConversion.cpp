// The conversion: the document's texts, annotations and events into the MIDI file beside the roll.
#include "roll/MidiConversion.h"

#include "midi/CMidiFile.h"
#include "roll/CRollscribeDoc.h"

namespace {

// The longest wait one event's delta can carry: a 4-byte variable-length quantity.
constexpr std::uint64_t kMaxDelta = 0x0FFFFFFF;

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

void CRollscribeDoc::WriteMidiFile() {
    CString path = MidiFilePath();
    CMidiFile midi;
    const PlayableRange range = PlayableRangeFor(m_strRollType);
    const std::int32_t midiTempo = MidiTempoOf(m_tempo);

    midi.Open(path);
    midi.WriteHeader();
    midi.WriteTempo(0, midiTempo);
    midi.WriteTrackName(m_strTitle);
    midi.WriteCopyright(m_strCopyright);
    midi.WriteInstrumentName(m_strRollType + " Roll " + m_strRollNumber +
                             " - Tempo =" + m_strTempo);
    midi.WriteText("/File_Type: Vellum Trackerbar Image from BAR/ANN source");
    AnnotationMap::POSITION pos = m_annotations.GetStartPosition();
    CString key, value;
    while (pos) {
        m_annotations.GetNextAssoc(pos, key, value);
        midi.WriteText(key + ": " + value);
    }

    std::uint64_t lastTick = 0;
    for (const RollEvent& event : m_events) {
        if (event.note > 127) continue;
        std::uint64_t tick = TickTimeOf(event.time);
        if (tick < lastTick) tick = lastTick;  // times never go backwards
        std::uint64_t delta = tick - lastTick;
        // A wait too long for one delta is carried by empty text events, so every event keeps
        // its exact time.
        while (delta > kMaxDelta) {
            midi.WriteVarLen(static_cast<std::int32_t>(kMaxDelta));
            midi.WriteEmptyText();
            delta -= kMaxDelta;
        }
        midi.WriteVarLen(static_cast<std::int32_t>(delta));
        if (event.kind == 1) {
            bool playable = event.note >= range.lowest && event.note <= range.highest;
            midi.NoteOn(event.note, playable ? 80 : 1);
        } else if (event.kind == 242) {
            midi.WriteLyric(event.text);
        } else {
            midi.NoteOff(event.note);
        }
        lastTick = tick;
    }
    midi.WriteTrack();
    midi.Close();

    m_strInfo += "\n ***** Vellum MIDI Output File Created ***** \n";
    m_strInfo += path;
    m_strInfo += "\n ************************************** \n";
}
