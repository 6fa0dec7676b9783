#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rollscribe {

// Where live MIDI messages go: an open port of a sequencer or a JACK server. Used by one thread
// at a time (the player's while it plays).
class MidiSink {
  public:
    virtual ~MidiSink() = default;
    // Sends one channel message at once. Throws LiveError when it cannot be sent.
    virtual void Send(const std::uint8_t* bytes, std::size_t size) = 0;
    // Whether the port sent to is still there.
    virtual bool Present() = 0;
    // The port's name, for messages.
    virtual const std::string& Name() const = 0;
};

}  // namespace rollscribe
