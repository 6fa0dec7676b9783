#include "live/MidiPorts.h"

#include <jack/jack.h>
#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "live/LiveError.h"

namespace rollscribe {

namespace {

constexpr const char* kSequencerDevice = "/dev/snd/seq";

// libjack's own messages (a server that is not running, ...) go nowhere: the program says what
// matters in its own words.
void Silent(const char*) {}

void QuietJack() {
    static std::once_flag once;
    std::call_once(once, [] {
        jack_set_error_function(Silent);
        jack_set_info_function(Silent);
    });
}

std::string JackServerName() {
    const char* name = std::getenv("JACK_DEFAULT_SERVER");
    return name && *name ? name : "default";
}

// Whether the JACK server can be reached, asked without starting one.
bool JackServerRunning() {
    QuietJack();
    jack_status_t status{};
    jack_client_t* client = jack_client_open(
        "rollscribe-probe", static_cast<jack_options_t>(JackNoStartServer), &status);
    if (!client) return false;
    jack_client_close(client);
    return true;
}

// RtMidi's errors and warnings are kept for the caller to look at after each call (it would
// print them otherwise).
void OnRtMidiError(RtMidiError::Type type, const std::string& text, void* data) {
    if (type != RtMidiError::DEBUG_WARNING) *static_cast<std::string*>(data) = text;
}

RtMidi::Api RtApi(MidiApi api) {
    return api == MidiApi::alsa ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK;
}

// An RtMidi output of a system that was found there, or null.
std::unique_ptr<RtMidiOut> OpenClient(MidiApi api, const std::string& clientName,
                                      std::string& warning) {
    if (api == MidiApi::alsa && ::access(kSequencerDevice, R_OK | W_OK) != 0) return nullptr;
    if (api == MidiApi::jack && !JackServerRunning()) return nullptr;
    try {
        auto out = std::make_unique<RtMidiOut>(RtApi(api), clientName);
        out->setErrorCallback(OnRtMidiError, &warning);
        return out;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

std::vector<std::string> PortNames(RtMidiOut& out) {
    std::vector<std::string> names;
    const unsigned count = out.getPortCount();
    for (unsigned i = 0; i < count; ++i) names.push_back(out.getPortName(i));
    return names;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A JACK client of its own that sees the server go: RtMidi's client would go on as if it were
// there.
class JackWatch {
  public:
    JackWatch() {
        QuietJack();
        jack_status_t status{};
        m_client = jack_client_open("rollscribe-watch",
                                    static_cast<jack_options_t>(JackNoStartServer), &status);
        if (m_client) {
            jack_on_shutdown(m_client, &JackWatch::OnShutdown, this);
            jack_set_process_callback(m_client, &JackWatch::OnProcess, this);
            jack_activate(m_client);
        }
    }
    ~JackWatch() {
        if (m_client && !m_gone) jack_client_close(m_client);
    }
    JackWatch(const JackWatch&) = delete;
    JackWatch& operator=(const JackWatch&) = delete;
    bool Has(const std::string& port) const {
        return m_client && !m_gone && jack_port_by_name(m_client, port.c_str()) != nullptr;
    }

    // Waits until the server has run a few process cycles (at most bound): every client then
    // has passed on what it was given before, RtMidi's too, whose own wait at closing is a
    // second, too short for a loaded machine.
    void WaitForCycles(std::chrono::milliseconds bound) const {
        if (!m_client || m_gone) return;
        const unsigned long from = m_cycles.load();
        const auto until = std::chrono::steady_clock::now() + bound;
        while (!m_gone && m_cycles.load() < from + 3 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }

  private:
    static void OnShutdown(void* self) { static_cast<JackWatch*>(self)->m_gone = true; }
    static int OnProcess(jack_nframes_t, void* self) {
        ++static_cast<JackWatch*>(self)->m_cycles;
        return 0;
    }
    jack_client_t* m_client = nullptr;
    std::atomic<bool> m_gone{false};
    std::atomic<unsigned long> m_cycles{0};
};

class RtMidiSink final : public MidiSink {
  public:
    RtMidiSink(std::unique_ptr<RtMidiOut> out, std::string name, bool jack)
        : m_out(std::move(out)), m_name(std::move(name)) {
        m_out->setErrorCallback(OnRtMidiError, &m_warning);
        if (jack) m_watch = std::make_unique<JackWatch>();
    }
    // What was sent leaves before the port is closed.
    ~RtMidiSink() override {
        if (m_watch) m_watch->WaitForCycles(std::chrono::seconds(5));
        m_out->closePort();
    }
    void Send(const std::uint8_t* bytes, std::size_t size) override {
        m_warning.clear();
        try {
            m_out->sendMessage(bytes, size);
        } catch (const RtMidiError& error) {
            throw LiveError("cannot send to the MIDI port " + m_name + ": " + error.getMessage());
        }
        if (!m_warning.empty())
            throw LiveError("cannot send to the MIDI port " + m_name + ": " + m_warning);
    }
    bool Present() override {
        if (m_watch) return m_watch->Has(m_name);
        try {
            const std::vector<std::string> names = PortNames(*m_out);
            return std::find(names.begin(), names.end(), m_name) != names.end();
        } catch (const RtMidiError&) {
            return false;
        }
    }
    const std::string& Name() const override { return m_name; }

  private:
    std::unique_ptr<RtMidiOut> m_out;
    std::string m_name;
    std::string m_warning;
    std::unique_ptr<JackWatch> m_watch;
};

}  // namespace

const char* ApiName(MidiApi api) noexcept {
    return api == MidiApi::alsa ? "ALSA" : "JACK";
}

PortList ListPorts() {
    PortList list;
    for (MidiApi api : {MidiApi::alsa, MidiApi::jack}) {
        std::string warning;
        std::unique_ptr<RtMidiOut> out = OpenClient(api, "rollscribe", warning);
        if (!out) {
            list.unavailable.push_back(
                api == MidiApi::alsa
                    ? std::string("ALSA: no sequencer (") + kSequencerDevice +
                          " is missing or cannot be opened; load it with modprobe snd-seq)"
                    : "JACK: no server \"" + JackServerName() +
                          "\" running (start one, e.g. jackd -d alsa, or with qjackctl)");
            continue;
        }
        try {
            for (std::string& name : PortNames(*out)) list.ports.push_back({api, std::move(name)});
        } catch (const RtMidiError&) {
        }
    }
    return list;
}

std::string DescribePorts(const PortList& list) {
    std::string text;
    for (const MidiPort& port : list.ports) text += port.name + "\t" + ApiName(port.api) + "\n";
    if (list.ports.empty()) {
        text += "no MIDI ports found\n";
        for (const std::string& why : list.unavailable) text += why + "\n";
    }
    return text;
}

MidiPort FindPort(const PortList& list, const std::string& name) {
    for (const MidiPort& port : list.ports)
        if (port.name == name) return port;
    std::vector<const MidiPort*> matches;
    for (const MidiPort& port : list.ports)
        if (Lower(port.name).find(Lower(name)) != std::string::npos) matches.push_back(&port);
    if (matches.size() == 1) return *matches.front();
    std::string message =
        (matches.empty() ? "no MIDI port \"" : "more than one MIDI port matches \"") + name + "\"";
    if (list.ports.empty()) {
        message += ": no MIDI ports found";
        for (const std::string& why : list.unavailable) message += "; " + why;
    } else {
        message += "; the ports are:";
        for (const MidiPort& port : list.ports)
            message += "\n  " + port.name + " (" + ApiName(port.api) + ")";
    }
    throw LiveError(message);
}

std::unique_ptr<MidiSink> OpenPort(const MidiPort& port, const std::string& clientName) {
    std::string warning;
    std::unique_ptr<RtMidiOut> out = OpenClient(port.api, clientName, warning);
    if (!out)
        throw LiveError(std::string("cannot open the MIDI port ") + port.name + ": no " +
                        (port.api == MidiApi::alsa ? "ALSA sequencer" : "JACK server") +
                        " can be reached");
    try {
        const std::vector<std::string> names = PortNames(*out);
        auto at = std::find(names.begin(), names.end(), port.name);
        if (at == names.end()) throw LiveError("the MIDI port " + port.name + " is gone");
        warning.clear();
        out->openPort(static_cast<unsigned>(at - names.begin()), "out");
        if (!warning.empty() || !out->isPortOpen())
            throw LiveError("cannot open the MIDI port " + port.name + ": " +
                            (warning.empty() ? "refused" : warning));
    } catch (const RtMidiError& error) {
        throw LiveError("cannot open the MIDI port " + port.name + ": " + error.getMessage());
    }
    return std::make_unique<RtMidiSink>(std::move(out), port.name, port.api == MidiApi::jack);
}

}  // namespace rollscribe
