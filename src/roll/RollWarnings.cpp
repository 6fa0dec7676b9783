#include "roll/RollWarnings.h"

#include <limits>

#include "midi/CMidiFile.h"
#include "roll/AnnotationLookalikes.h"
#include "roll/CRollscribeDoc.h"
#include "roll/MidiSummary.h"
#include "roll/OutputNames.h"

namespace rollscribe {

namespace {

// The annotation file of a roll named by path, named the way the roll was: the roll's folder as
// named, its title and ".ann".
std::string AnnotationFileAsNamed(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    CString title = RollTitleOf(CString(path.substr(nameStart)));
    return path.substr(0, nameStart) + title.ToStdString() + ".ann";
}

// What the roll's events say of a damaged or foreign file: its holes, those outside the tracker
// bar, the tracks left open and the events past the 32-bit time range.
void AddEventWarnings(const CRollscribeDoc& doc, const std::string& rollPath,
                      const std::optional<TrackerBarNotes>& trackerBar,
                      std::vector<RollWarning>& warnings) {
    std::size_t holes = 0, outside = 0, pastTime = 0;
    bool open[256] = {};
    for (const RollEvent& event : doc.m_events) {
        pastTime += event.time == std::numeric_limits<std::int32_t>::max();
        if (event.kind != RollEvent::kTrackOpened && event.kind != RollEvent::kTrackClosed)
            continue;
        if (event.note < 0 || event.note > 255) continue;  // a scan's tracks are notes 15-254
        const auto note = static_cast<std::size_t>(event.note);
        open[note] = event.kind == RollEvent::kTrackOpened;
        if (!open[note]) continue;
        ++holes;
        outside +=
            trackerBar && (event.note < trackerBar->lowest || event.note > trackerBar->highest);
    }
    if (outside)
        warnings.push_back({rollPath, std::to_string(outside) + " of " + std::to_string(holes) +
                                          (holes == 1 ? " hole" : " holes") +
                                          (outside == 1 ? " lies" : " lie") +
                                          " outside the roll system's tracker bar (notes " +
                                          std::to_string(trackerBar->lowest) + "-" +
                                          std::to_string(trackerBar->highest) + ")"});
    std::string openNotes;
    std::size_t stillOpen = 0;
    for (int note = 0; note < 256; ++note) {
        if (!open[note]) continue;
        if (++stillOpen <= 4) openNotes += (openNotes.empty() ? "" : ", ") + std::to_string(note);
    }
    if (stillOpen)
        warnings.push_back(
            {rollPath, std::to_string(stillOpen) + (stillOpen == 1 ? " track" : " tracks") +
                           " still open at the end (" + (stillOpen == 1 ? "note " : "notes ") +
                           openNotes + (stillOpen > 4 ? ", ..." : "") + ")"});
    if (pastTime)
        warnings.push_back(
            {rollPath, std::to_string(pastTime) + (pastTime == 1 ? " event lies" : " events lie") +
                           " past the 32-bit time range (the roll is longer than 2,147,483 "
                           "inches: later times are wrong)"});
}

}  // namespace

std::vector<RollWarning> RollWarningsOf(const CRollscribeDoc& doc, const std::string& rollPath,
                                        AnnotationLookalikes* lookalikes,
                                        std::optional<TrackerBarNotes> trackerBar) {
    std::vector<RollWarning> warnings;
    // An annotation file without CR line ends was read as one line, which is seldom what its
    // author meant.
    if (doc.m_annotationLfOnly)
        warnings.push_back({AnnotationFileAsNamed(rollPath), "no CR line ends, read as one line"});
    if (!doc.m_converted) return warnings;
    // A roll converted without its annotation file plays at the default tempo: said, with the
    // file the user may have meant (ROLL.ANN beside ROLL.BAR) when one lies beside it.
    const std::string name = doc.m_strFileTitle.ToStdString() + ".ann";
    if (doc.m_annotationMissing) {
        std::string text =
            "no annotation file " + name + "; converted with the default tempo and no texts";
        const std::string lookalike = lookalikes ? lookalikes->Find(rollPath, name)
                                                 : AnnotationLookalikes().Find(rollPath, name);
        if (!lookalike.empty())
            text += " (" + lookalike + " is not read: the annotation file is " + name + ")";
        warnings.push_back({rollPath, std::move(text)});
    }
    // One there that cannot be read (no permission, a folder, a pipe) is said with the reason.
    if (!doc.m_annotationUnreadable.empty())
        warnings.push_back({rollPath, "cannot read the annotation file " + name + ": " +
                                          doc.m_annotationUnreadable +
                                          "; converted with the default tempo and no texts"});
    // A roll cut short, or a file that is not a roll at all.
    if (doc.m_rollCutAt)
        warnings.push_back({rollPath, "the file ends inside a record (at byte " +
                                          std::to_string(doc.m_rollCutAt) + ")"});
    AddEventWarnings(doc, rollPath, trackerBar, warnings);
    static_assert(CMidiFile::kMaxTextLength == 268'435'455, "the warning's number");
    if (std::size_t cut = CountCutTexts(doc))
        warnings.push_back({rollPath, std::to_string(cut) + (cut == 1 ? " text" : " texts") +
                                          " longer than 268,435,455 bytes cut to that length in "
                                          "the MIDI file"});
    return warnings;
}

}  // namespace rollscribe
