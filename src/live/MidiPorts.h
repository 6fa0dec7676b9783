#pragma once

#include <memory>
#include <string>
#include <vector>

#include "live/MidiSink.h"

namespace rollscribe {

enum class MidiApi { alsa, jack };

// A port that MIDI can be sent to, by the name that other programs show: an ALSA sequencer's
// writable port ("client:port" with its numbers, as aconnect -l lists them) or a JACK MIDI
// input ("client:port", as a patchbay shows it).
struct MidiPort {
    MidiApi api;
    std::string name;
};

// "ALSA" or "JACK".
const char* ApiName(MidiApi api) noexcept;

// The ports found, and for each system that could not be asked, why, with how to start it.
struct PortList {
    std::vector<MidiPort> ports;
    std::vector<std::string> unavailable;
};

// The ALSA sequencer's writable ports, then JACK's MIDI inputs. Never starts a JACK server: the
// server asked is the one the environment names (JACK_DEFAULT_SERVER), else the default.
PortList ListPorts();

// The port a user names: the one of that name, else the only one whose name contains it (case
// ignored). Throws LiveError saying that there is no such port (or several) and listing the
// ports, or why there are none.
MidiPort FindPort(const PortList& list, const std::string& name);

// The list as lines for the user: each port's name and system, or why there are none.
std::string DescribePorts(const PortList& list);

// Opens a port for sending, as a client of clientName. Throws LiveError when it cannot be opened
// (the port is gone, the system cannot be reached).
std::unique_ptr<MidiSink> OpenPort(const MidiPort& port, const std::string& clientName);

}  // namespace rollscribe
