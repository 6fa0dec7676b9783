#pragma once

#include <wx/string.h>

#include <exception>
#include <string>

namespace rollscribe {

// What the program was doing with a file when it failed.
enum class FileTask {
    openRoll,         // opening and converting a roll file
    saveMidi,         // writing the copy of the MIDI file that Save As asked for
    playMidi,         // playing the converted MIDI file
    exportPicture,    // writing the roll picture that Export Picture asked for
    writeExpression,  // reading the roll system's profile and writing the expression file
};

// The text of the message box that reports a failure: what failed, on which file (as the user
// named it), then the file concerned when it is another one (the MIDI file that an open writes,
// say) and the reason, as a sentence. error is the exception caught (std::current_exception()).
// Every message box about file work is worded here.
wxString FailureMessage(FileTask task, const std::string& file, std::exception_ptr error);

}  // namespace rollscribe
