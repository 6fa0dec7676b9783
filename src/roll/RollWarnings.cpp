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

// Events past the 32-bit time range all lie at its last time: the roll is far too long for a
// roll, or not a roll.
std::size_t EventsPastTime(const CRollscribeDoc& doc) {
    std::size_t past = 0;
    for (const RollEvent& event : doc.m_events)
        past += event.time == std::numeric_limits<std::int32_t>::max();
    return past;
}

}  // namespace

std::vector<RollWarning> RollWarningsOf(const CRollscribeDoc& doc, const std::string& rollPath,
                                        AnnotationLookalikes* lookalikes) {
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
    if (std::size_t past = EventsPastTime(doc))
        warnings.push_back(
            {rollPath, std::to_string(past) + (past == 1 ? " event lies" : " events lie") +
                           " past the 32-bit time range (the roll is longer than 2,147,483 "
                           "inches: later times are wrong)"});
    static_assert(CMidiFile::kMaxTextLength == 268'435'455, "the warning's number");
    if (std::size_t cut = CountCutTexts(doc))
        warnings.push_back({rollPath, std::to_string(cut) + (cut == 1 ? " text" : " texts") +
                                          " longer than 268,435,455 bytes cut to that length in "
                                          "the MIDI file"});
    return warnings;
}

}  // namespace rollscribe
