#include "roll/RollWarnings.h"

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
    static_assert(CMidiFile::kMaxTextLength == 268'435'455, "the warning's number");
    if (std::size_t cut = CountCutTexts(doc))
        warnings.push_back({rollPath, std::to_string(cut) + (cut == 1 ? " text" : " texts") +
                                          " longer than 268,435,455 bytes cut to that length in "
                                          "the MIDI file"});
    return warnings;
}

}  // namespace rollscribe
