#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "midi/MidiSequence.h"

namespace rollscribe {

// A file that cannot be played; what() names it and says why.
class PlayableFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What a file plays: the MIDI file of a roll scan (extension bar or web), converted in memory as
// the converter converts it, or its expression file (expression, with a profile as the
// converter's --profile takes it, empty for the roll type's); any other file read as a MIDI
// file. Nothing is written. warnings gets what the converter would warn of (a missing annotation
// file). Throws PlayableFileError.
std::shared_ptr<const MidiSequence> LoadPlayable(const std::string& path, bool expression,
                                                 const std::string& profile,
                                                 std::vector<std::string>& warnings);

// Whether a file is taken as a roll scan.
bool IsRollScanPath(const std::string& path);

}  // namespace rollscribe
