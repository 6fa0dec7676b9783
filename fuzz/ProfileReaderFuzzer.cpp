// Fuzzes the profile reader: arbitrary bytes as a profile's JSON text. It is either read, with the
// note range and holes that the reader promises, or refused with a ProfileError that names the
// file and a reason; nothing else may escape.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzScratch.h"
#include "expression/ProfileReader.h"

namespace {

const std::string kPath = "fuzz.json";

// What is wrong with a profile the reader accepted, or "".
std::string CheckProfile(const rollscribe::RollProfile& profile) {
    if (profile.lowestNote < 0 || profile.highestNote > 127 ||
        profile.highestNote < profile.lowestNote)
        return "note range " + std::to_string(profile.lowestNote) + " to " +
               std::to_string(profile.highestNote);
    if (profile.bassHighestNote < profile.lowestNote ||
        profile.bassHighestNote > profile.highestNote)
        return "bass_highest outside the note range";
    for (const rollscribe::ControlHole& hole : profile.holes)
        if (profile.IsNote(hole.note))
            return "hole " + std::to_string(hole.note) + " inside the note range";
    if (profile.source != kPath) return "source " + profile.source;
    return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        ReportFinding(CheckProfile(rollscribe::ParseProfile(text, kPath)));
    } catch (const rollscribe::ProfileError& e) {
        if (e.Path() != kPath || e.Reason().empty())
            ReportFinding("a refusal names " + e.Path() + " with reason '" + e.Reason() + "'");
    }
    return 0;
}
