#include "roll/MidiSummary.h"

#include <cstring>
#include <initializer_list>

#include "midi/CMidiFile.h"
#include "roll/CRollscribeDoc.h"
#include "roll/MidiConversion.h"

namespace rollscribe {

namespace {

bool IsCut(std::initializer_list<const CString*> parts) {
    std::size_t bytes = 0;
    for (const CString* part : parts) bytes += part->GetLength();
    return bytes > CMidiFile::kMaxTextLength && MidiTextLength(parts) > CMidiFile::kMaxTextLength;
}

}  // namespace

std::size_t MidiTextLength(std::initializer_list<const CString*> parts) noexcept {
    std::size_t length = 0;
    for (const CString* part : parts) {
        std::size_t bytes = std::strlen(part->GetString());
        length += bytes;
        if (bytes < part->GetLength()) break;
    }
    return length;
}

MidiSummary SummarizeMidi(const CRollscribeDoc& doc) {
    MidiSummary summary;
    summary.events = doc.m_events.GetSize();
    summary.midiTempo = MidiTempoFor(doc.m_tempo);
    TickClock clock;
    for (const RollEvent& event : doc.m_events) {
        if (!IsWrittenEvent(event)) continue;
        clock.Advance(event.time);
        if (event.kind == RollEvent::kTrackOpened) ++summary.notes;
    }
    summary.lastTick = clock.Last();
    summary.cutTexts = CountCutTexts(doc);
    return summary;
}

std::size_t CountCutTexts(const CRollscribeDoc& doc) {
    static const CString kRoll(" Roll "), kTempo(" - Tempo ="), kColon(": ");
    std::size_t cut =
        IsCut({&doc.m_strTitle}) + IsCut({&doc.m_strCopyright}) +
        IsCut({&doc.m_strRollType, &kRoll, &doc.m_strRollNumber, &kTempo, &doc.m_strTempo});
    for (const auto& [key, value] : doc.m_annotations) cut += IsCut({&key, &kColon, &value});
    if (doc.m_strInfo.GetLength() > CMidiFile::kMaxTextLength) {
        for (const RollEvent& event : doc.m_events)
            if (event.kind == RollEvent::kLyric && IsWrittenEvent(event) && IsCut({&event.text}))
                ++cut;
    }
    return cut;
}

}  // namespace rollscribe
