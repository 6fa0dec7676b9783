#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

typedef struct _jack_client jack_client_t;
typedef struct _jack_port jack_port_t;

namespace testing_support {

// A JACK server of the test's own, with the dummy back end (no sound hardware, no realtime, no
// D-Bus, no device reservation), named after the test process so that nothing else is
// touched; JACK_DEFAULT_SERVER names it for the clients of the process and its children.
class JackServer {
  public:
    // suffix: for a second server of the test's, after the first one's name; the server named
    // before is named again when this one ends.
    explicit JackServer(const std::string& suffix = "");
    ~JackServer();  // ends the server
    JackServer(const JackServer&) = delete;
    JackServer& operator=(const JackServer&) = delete;
    bool Running() const noexcept { return m_running; }
    const std::string& Name() const noexcept { return m_name; }
    const std::string& Log() const noexcept { return m_log; }

  private:
    std::string m_name;
    std::string m_before;  // JACK_DEFAULT_SERVER before
    std::string m_log;
    pid_t m_pid = -1;
    bool m_running = false;
};

// One MIDI message received, stamped with the monotonic clock in the cycle it came in.
struct Received {
    std::chrono::steady_clock::time_point at;
    std::vector<std::uint8_t> bytes;
};

// A JACK client with one MIDI input ("recorder:in") that keeps what it receives.
class MidiRecorder {
  public:
    explicit MidiRecorder(const std::string& clientName = "recorder");
    ~MidiRecorder();
    MidiRecorder(const MidiRecorder&) = delete;
    MidiRecorder& operator=(const MidiRecorder&) = delete;
    std::string PortName() const;
    std::vector<Received> Take();
    // Waits until count messages came (or timeout); returns how many there are.
    std::size_t WaitFor(std::size_t count, std::chrono::milliseconds timeout);
    // Drops the input port, as a device that is unplugged.
    void RemovePort();

  private:
    static int Process(std::uint32_t frames, void* self);
    jack_client_t* m_client = nullptr;
    jack_port_t* m_port = nullptr;
    std::string m_name;
    std::mutex m_mutex;
    std::vector<Received> m_received;
};

}  // namespace testing_support
