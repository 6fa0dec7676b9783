#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CRollscribeDoc;

namespace rollscribe {

struct MidiSummary;

// A text as a JSON string (with its quotes). Roll texts are 8-bit and need not be UTF-8, so they
// are carried losslessly: valid UTF-8 stays as it is, and every other byte B becomes the escape
// \uDCxx (0xDC00 + B), a lone surrogate, as Python's "surrogateescape" error handler writes it:
// json.loads(line) then .encode("utf-8", "surrogateescape") gives back the exact bytes.
std::string JsonString(std::string_view bytes);

// What one roll's line of --json output says.
struct RollRecord {
    std::string input;                // the roll's path as named
    std::optional<std::string> midi;  // its MIDI file's path; none for a file that is no roll
    // The further outputs: whether each was asked for (then its key is written), and the path
    // written or none.
    bool pictureAsked = false;
    std::optional<std::string> picture;
    bool audioAsked = false;
    std::optional<std::string> audio;
    bool expressionAsked = false;  // then also the profile's name, or none
    std::optional<std::string> expression;
    std::optional<std::string> profile;
    std::string status;                 // "written", "rejected" or "failed"
    std::optional<std::string> reason;  // why it was not written
    // The warnings about the roll, each "FILE: text" as on standard error.
    std::vector<std::string> warnings;
};

// One JSON object on one line (no line break): the record, then the document's texts and figures
// as they are now, and the MIDI file's counts.
std::string JsonLineOf(const RollRecord& record, const CRollscribeDoc& doc,
                       const MidiSummary& summary);

}  // namespace rollscribe
