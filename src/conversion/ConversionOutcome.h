#pragma once

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "conversion/OutputKind.h"
#include "roll/RollWarnings.h"

namespace rollscribe {

enum class ConversionStatus {
    written,   // the MIDI file and every other output asked for were written
    rejected,  // not converted: the file's extension is not bar or web
    failed,    // the roll could not be converted, or an output after its MIDI file not written
};

// An output of a converted roll that was not written. The MIDI file and the other outputs stay.
struct OutputFailure {
    OutputKind output = OutputKind::midi;
    std::string path;  // the file it would have been
    // Why, as said after the roll's name; ends with a note when the file at path is an earlier
    // run's.
    std::string text;
    std::exception_ptr error;  // what was thrown, when anything was
};

// What converting one roll came to, as both programs report it.
struct ConversionOutcome {
    ConversionStatus status = ConversionStatus::failed;
    // Whether the roll file could be opened: the document then holds what was read of it.
    bool opened = false;
    bool midiWritten = false;
    // Why the roll was not converted (no MIDI file), as said after its name, and what its load
    // threw (null for a file that is not a roll); both empty when it was.
    std::string reason;
    std::exception_ptr loadError;
    // The files written, by output.
    std::optional<std::string> midi, expression, picture, sound;
    // The roll system's profile used for the expression, when one was read.
    std::optional<std::string> profile;
    // What is doubtful about the roll, in the order said.
    std::vector<RollWarning> warnings;
    // The outputs after the MIDI file that were not written, in the order they were tried.
    std::vector<OutputFailure> failures;

    // The failure of an output, or null.
    const OutputFailure* FailureOf(OutputKind output) const noexcept {
        for (const OutputFailure& failure : failures)
            if (failure.output == output) return &failure;
        return nullptr;
    }
};

}  // namespace rollscribe
