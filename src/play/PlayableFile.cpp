#include "play/PlayableFile.h"

#include "expression/ExpressionOutput.h"
#include "expression/ProfileReader.h"
#include "platform/CException.h"
#include "roll/CRollscribeDoc.h"
#include "roll/FailureDescription.h"
#include "roll/RollLoader.h"

namespace rollscribe {

bool IsRollScanPath(const std::string& path) {
    return CRollscribeDoc::IsRollFileName(CString(path));
}

std::shared_ptr<const MidiSequence> LoadPlayable(const std::string& path, bool expression,
                                                 const std::string& profile,
                                                 std::vector<std::string>& warnings) {
    if (!IsRollScanPath(path)) {
        if (expression)
            throw PlayableFileError(path + ": --expression needs a roll scan (bar or web)");
        try {
            return std::make_shared<MidiSequence>(ReadMidiSequence(path));
        } catch (...) {
            throw PlayableFileError(
                path + ": " +
                DescribeFailure(std::current_exception(), path, "read the MIDI file").Text());
        }
    }
    std::vector<std::uint8_t> midiBytes;
    std::vector<std::uint8_t> expressionBytes;
    ExpressionOutput side(profile);
    side.KeepInMemory(&expressionBytes);
    CRollscribeDoc doc;
    doc.m_pMidiBytes = &midiBytes;
    if (expression) doc.m_pSideOutput = &side;
    try {
        LoadRollFile(doc, CString(path));
    } catch (...) {
        throw PlayableFileError(path + ": " +
                                DescribeFailure(std::current_exception(), path).Text());
    }
    if (doc.m_annotationMissing)
        warnings.push_back(path + ": no annotation file " + doc.m_strFileTitle.ToStdString() +
                           ".ann; played with the default tempo and no texts");
    if (doc.m_annotationLfOnly)
        warnings.push_back(path + ": the annotation file has no CR line ends, read as one line");
    if (expression && !side.Written()) {
        std::string why = "the expression cannot be made";
        try {
            if (side.Error()) std::rethrow_exception(side.Error());
        } catch (const ProfileError& e) {
            why = "profile " + e.Path() + ": " + e.Reason();
        } catch (...) {
            why = DescribeFailure(std::current_exception(), path, "make the expression").Text();
        }
        throw PlayableFileError(path + ": " + why);
    }
    const std::vector<std::uint8_t>& bytes = expression ? expressionBytes : midiBytes;
    try {
        return std::make_shared<MidiSequence>(ParseMidiSequence(bytes.data(), bytes.size(), path));
    } catch (...) {
        throw PlayableFileError(path + ": " +
                                DescribeFailure(std::current_exception(), path).Text());
    }
}

}  // namespace rollscribe
