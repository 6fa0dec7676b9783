#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace rollscribe {

// Why work on a file failed (loading a roll, writing its MIDI file, drawing its picture,
// rendering its sound), in the parts a message to the user is made of.
struct FailureDescription {
    // The file concerned when it is another one than the file being loaded (the annotation file,
    // the MIDI file); empty when it is that file itself.
    std::string otherFile;
    // What went wrong, in words a user understands, in lower case without a final stop
    // ("cannot open the file: No such file or directory").
    std::string reason;

    // "reason", or "otherFile: reason" when another file is concerned: the converter's message
    // after the name of the file being loaded.
    std::string Text() const { return otherFile.empty() ? reason : otherFile + ": " + reason; }
};

// Describes the exception that work on the file at path (as named) raised: a file or archive
// error names its file and reason, a lack of memory and any other exception a reason. work says
// what the memory was wanted for. Used in a catch block with std::current_exception().
FailureDescription DescribeFailure(const std::exception_ptr& error, std::string_view path,
                                   std::string_view work = "convert the roll");

}  // namespace rollscribe
