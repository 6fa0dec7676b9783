#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace rollscribe {

// One entry of a run, in the order of the command line: a roll to convert, or a folder that
// could not be read.
struct RollInput {
    std::string path;  // as named, or as found under a named folder
    // An earlier roll of the run (its index) that writes the same MIDI file: this one is refused.
    std::optional<std::size_t> sameOutputAs;
    // A folder named without -r: refused with a hint.
    bool folder = false;
    // For a folder that could not be read while looking for rolls: why (no roll to convert).
    std::string listingError;
    // Where its outputs go, ending in a separator: empty for beside the roll.
    std::string outputFolder;
};

// The run's entries from the files named. With recursive, a named folder stands for every file
// under it whose extension is bar or web in any letter case, in byte order of their paths,
// symbolic links to folders not followed; without it, a folder is an entry that is refused.
// With an output folder, a roll named directly has its outputs in that folder, and one found under
// a named folder in the same place below the output folder as it lies below the named folder.
// Rolls that would write the same MIDI file (the same file name in the same folder, however the
// folder is reached) are marked: the first one keeps it.
std::vector<RollInput> CollectRollInputs(const std::vector<std::string>& named, bool recursive,
                                         const std::string& outputFolder = {});

}  // namespace rollscribe
