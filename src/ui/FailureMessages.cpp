#include "ui/FailureMessages.h"

#include <wx/wxcrt.h>

#include "roll/FailureDescription.h"
#include "text/WxText.h"

namespace rollscribe {

namespace {

// A reason as a sentence: a capital first letter and a full stop.
wxString Sentence(const std::string& reason) {
    wxString text = WxText(reason);
    if (!text.empty()) text[0] = wxToupper(text[0]);
    if (!text.empty() && !text.EndsWith(".")) text += ".";
    return text;
}

// What the memory was wanted for, when there was not enough.
const char* MemoryPurpose(FileTask task) {
    switch (task) {
        case FileTask::openRoll:
            return "convert the roll";
        case FileTask::saveMidi:
            return "copy the MIDI file";
        case FileTask::playMidi:
            return "play the MIDI file";
        case FileTask::exportPicture:
            return "draw the roll picture";
        case FileTask::writeExpression:
            return "write the expression file";
    }
    return "go on";
}

}  // namespace

wxString FailureMessage(FileTask task, const std::string& file, std::exception_ptr error) {
    const FailureDescription failure = DescribeFailure(error, file, MemoryPurpose(task));
    const bool sameFile = failure.otherFile.empty();
    wxString headline;
    switch (task) {
        case FileTask::openRoll:
            headline = sameFile ? "Rollscribe could not open this roll file:"
                                : "Rollscribe could not convert this roll file:";
            break;
        case FileTask::saveMidi:
            headline = "Rollscribe could not save the MIDI file:";
            break;
        case FileTask::playMidi:
            headline = "Rollscribe could not play the MIDI file:";
            break;
        case FileTask::exportPicture:
            headline = "Rollscribe could not export the roll picture:";
            break;
        case FileTask::writeExpression:
            headline =
                "Rollscribe could not write the expression file (the MIDI file is "
                "written):";
            break;
    }
    return headline + "\n" + WxText(file) + "\n\n" +
           (sameFile ? "" : WxText(failure.otherFile) + "\n") + Sentence(failure.reason);
}

}  // namespace rollscribe
