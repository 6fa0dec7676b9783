#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "audio/SoundFormat.h"
#include "picture/PictureFormat.h"

namespace rollscribe {

// The ranges of the numbers the options take, as the help and the manual page give them.
inline constexpr unsigned kMaxJobs = 1024;         // -j from 1
inline constexpr double kMinPixelsPerInch = 0.01;  // below, a roll is a few pixels wide
inline constexpr double kMaxPixelsPerInch = 4000;

// What the converter was asked to do.
struct ConvertOptions {
    bool quiet = false;
    bool help = false;
    bool version = false;
    bool recursive = false;                // convert the rolls under named folders
    bool json = false;                     // JSON Lines instead of the text reports
    bool sync = false;                     // flush each output and its folder to the disk
    bool strict = false;                   // a roll with a warning counts as failed
    unsigned jobs = 0;                     // 0: one per processor
    std::optional<PictureFormat> picture;  // write the roll's picture in this format
    double pixelsPerInch = 40;  // the picture's density: pixels (PDF: points) an inch of roll
    bool audio = false;         // write the sound file too
    SoundFormat audioFormat = SoundFormat::wav;  // in this format
    std::string soundFont;    // the sound font for the WAV file; empty for the default
    std::string outputDir;    // the folder to write the outputs in; empty: beside each roll
    bool expression = false;  // write the expression file too
    std::string profile;      // its profile, a name or a file; empty: each roll type's
    std::vector<std::string> files;
};

// A command line that cannot be understood; what() says why.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name. Throws UsageError.
ConvertOptions ParseConvertOptions(const std::vector<std::string>& args);

// The text that --help prints.
std::string ConvertUsageText();

}  // namespace rollscribe
