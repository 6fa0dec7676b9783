#pragma once

#include <stdexcept>

namespace rollscribe {

// A failure of sound work that concerns no file: no audio output can be opened, the synthesizer
// cannot be made. File problems (a sound font or MIDI file that cannot be read, a WAV file that
// cannot be written) are CException and CFileException, naming the file.
class AudioError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace rollscribe
