#include "support/JackRig.h"

#include <fcntl.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace testing_support {

namespace {

void Silent(const char*) {}

jack_client_t* OpenClient(const std::string& name) {
    jack_set_error_function(Silent);
    jack_set_info_function(Silent);
    jack_status_t status{};
    return jack_client_open(name.c_str(), JackNoStartServer, &status);
}

}  // namespace

JackServer::JackServer(const std::string& suffix)
    : m_name("rollscribe-test-" + std::to_string(::getpid()) + suffix) {
    if (const char* before = std::getenv("JACK_DEFAULT_SERVER")) m_before = before;
    ::setenv("JACK_DEFAULT_SERVER", m_name.c_str(), 1);
    ::setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    ::setenv("JACK_NO_START_SERVER", "1", 1);
    const std::string log = "/tmp/" + m_name + ".log";
    std::vector<std::string> args = {"jackd", "--no-realtime", "-n", m_name, "-d", "dummy",
                                     "-r",    "48000",         "-p", "256"};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    if (posix_spawnp(&m_pid, "jackd", &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    // Ready once a client can join it.
    for (int i = 0; i < 100 && m_pid > 0 && !m_running; ++i) {
        if (jack_client_t* probe = OpenClient("probe")) {
            jack_client_close(probe);
            m_running = true;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    m_log = text.str();
    ::unlink(log.c_str());
}

JackServer::~JackServer() {
    if (m_before.empty())
        ::unsetenv("JACK_DEFAULT_SERVER");
    else
        ::setenv("JACK_DEFAULT_SERVER", m_before.c_str(), 1);
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 50; ++i) {
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, &status, 0);
}

MidiRecorder::MidiRecorder(const std::string& clientName) {
    m_client = OpenClient(clientName);
    if (!m_client) throw std::runtime_error("cannot join the test's JACK server");
    m_name = jack_get_client_name(m_client);
    m_port = jack_port_register(m_client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(m_client, &MidiRecorder::Process, this);
    jack_activate(m_client);
}

MidiRecorder::~MidiRecorder() {
    jack_deactivate(m_client);
    jack_client_close(m_client);
}

std::string MidiRecorder::PortName() const {
    return m_name + ":in";
}

int MidiRecorder::Process(std::uint32_t frames, void* data) {
    auto* self = static_cast<MidiRecorder*>(data);
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(self->m_mutex);
    if (!self->m_port) return 0;
    void* buffer = jack_port_get_buffer(self->m_port, frames);
    const std::uint32_t count = jack_midi_get_event_count(buffer);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) == 0)
            self->m_received.push_back({now, {event.buffer, event.buffer + event.size}});
    }
    return 0;
}

std::vector<Received> MidiRecorder::Take() {
    std::lock_guard lock(m_mutex);
    return std::move(m_received);
}

std::size_t MidiRecorder::WaitFor(std::size_t count, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_received.size() >= count || std::chrono::steady_clock::now() >= end)
                return m_received.size();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void MidiRecorder::RemovePort() {
    jack_port_t* port;
    {
        std::lock_guard lock(m_mutex);
        port = m_port;
        m_port = nullptr;
    }
    jack_port_unregister(m_client, port);
}

}  // namespace testing_support
