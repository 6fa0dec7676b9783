#include "ui/FailureMessages.h"

#include <wx/wxcrt.h>

#include <new>

#include "platform/CException.h"
#include "platform/CFile.h"
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

}  // namespace

wxString FailureMessage(FileTask task, const std::string& file, std::exception_ptr error) {
    std::string concerned;
    std::string reason;
    try {
        std::rethrow_exception(error);
    } catch (const CException& e) {
        concerned = e.Path();
        reason = e.Reason();
    } catch (const std::bad_alloc&) {
        switch (task) {
            case FileTask::openRoll:
                reason = "there is not enough memory to convert it";
                break;
            case FileTask::saveMidi:
                reason = "there is not enough memory to copy it";
                break;
            case FileTask::playMidi:
                reason = "there is not enough memory to play it";
                break;
            case FileTask::exportPicture:
                reason = "there is not enough memory to draw it";
                break;
        }
    } catch (const std::exception& e) {
        reason = e.what();
    } catch (...) {
        reason = "an unexpected error occurred";
    }
    const bool sameFile = concerned.empty() || concerned == file ||
                          concerned == FullPath(CString(file)).ToStdString();
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
    }
    return headline + "\n" + WxText(file) + "\n\n" + (sameFile ? "" : WxText(concerned) + "\n") +
           Sentence(reason);
}

}  // namespace rollscribe
