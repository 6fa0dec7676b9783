#pragma once

#include <exception>
#include <string>

#include "conversion/OutputKind.h"
#include "platform/CString.h"

class CRollscribeDoc;

namespace rollscribe {

class ExpressionOutput;

// A roll whose MIDI file was written, as the outputs after it see it.
struct ConvertedRoll {
    const CRollscribeDoc& doc;
    const std::string& rollPath;  // as named
    // The roll's expression output when the expression was asked for (it says whether its file
    // was written, and keeps its results for a picture), else null.
    const ExpressionOutput* expression;
};

// Writes one output of a converted roll, after its MIDI file. A conversion job runs its writers
// in the order of OutputKind and applies the one rule to each: an output that cannot be written
// fails the roll, with a message why, and leaves the MIDI file and the other outputs written.
class OutputWriter {
  public:
    virtual ~OutputWriter() = default;

    // The file written for the roll.
    virtual CString PathFor(const ConvertedRoll& roll) const = 0;
    // Writes it at path, atomically; throws why it cannot (nothing is left at path then).
    virtual void Write(const ConvertedRoll& roll, const CString& path) = 0;
    // Why it was not written, from what Write threw, as said after the roll's name.
    virtual std::string Failure(const std::exception_ptr& error,
                                const std::string& rollPath) const = 0;
};

// The writers of outputs that a conversion job does not hold itself (the converter's picture
// and sound, in a module of their own).
class OutputWriters {
  public:
    virtual ~OutputWriters() = default;
    // The writer of an output, or null when there is none here.
    virtual OutputWriter* WriterOf(OutputKind output) = 0;
};

}  // namespace rollscribe
