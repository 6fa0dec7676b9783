#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace rollscribe {

// What the player was asked to do.
struct PlayOptions {
    bool help = false;
    bool version = false;
    bool listPorts = false;
    bool expression = false;  // play the roll's expression file instead of its MIDI file
    std::string profile;      // its profile, a name or a file; empty: the roll type's
    std::string port;         // the port's name (or part of it); empty: the only one found
    std::int64_t fromMicroseconds = 0;
    std::string file;
};

// A command line that cannot be understood; what() says why.
class PlayUsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A time as SECONDS, MINUTES:SECONDS or HOURS:MINUTES:SECONDS (seconds with a fraction, minutes
// and seconds after a colon below 60), in microseconds. Throws PlayUsageError.
std::int64_t ParsePlayTime(const std::string& text);

// A time for the progress line: M:SS, or H:MM:SS from an hour on.
std::string FormatPlayTime(std::int64_t microseconds);

// Reads the arguments after the program name. Throws PlayUsageError.
PlayOptions ParsePlayOptions(const std::vector<std::string>& args);

// The text that --help prints.
std::string PlayUsageText();

}  // namespace rollscribe
