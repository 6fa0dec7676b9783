#pragma once

#include <memory>
#include <string>
#include <vector>

#include "live/MidiPorts.h"
#include "ui/PlaybackSink.h"

namespace rollscribe {

// The MIDI ports that the desktop can play to live (the ALSA sequencer's, then JACK's), as
// ListPorts finds them now; none when the program was built without live output.
std::vector<MidiPort> LiveOutputPorts();

// A sink that plays to a port (as the client "rollscribe"), opened at its first play; each play
// reads the MIDI file (again when it has changed). The port is let go when the sink goes, or at
// the next play after it went away. Without live output, every play throws a LiveError.
std::unique_ptr<PlaybackSink> MakeLiveOutput(const MidiPort& port);

}  // namespace rollscribe
