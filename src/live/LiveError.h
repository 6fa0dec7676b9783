#pragma once

#include <stdexcept>
#include <string>

namespace rollscribe {

// A failure of live MIDI output: no sequencer or JACK server, an unknown port, a port that is
// gone, a message that cannot be sent. what() says it in words for the user.
class LiveError : public std::runtime_error {
  public:
    explicit LiveError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace rollscribe
