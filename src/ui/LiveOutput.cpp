#include "ui/LiveOutput.h"

#include <sys/stat.h>

#include <utility>

#include "live/LivePlayer.h"
#include "midi/MidiSequence.h"

namespace rollscribe {

namespace {

class LivePortSink : public PlaybackSink {
  public:
    explicit LivePortSink(MidiPort port) : m_port(std::move(port)) {}

    bool Ready() const noexcept override { return true; }
    void Prepare() override {}
    bool Preparing() const noexcept override { return false; }
    bool Prepared() override { return true; }

    void Play(const std::string& midiPath, std::int64_t tick) override {
        Stop();
        Read(midiPath);
        // A port that went away is opened again: by its name, or an error that lists the ports.
        if (m_player && m_player->Failure()) m_player.reset();
        if (!m_player) m_player = std::make_unique<LivePlayer>(OpenPort(m_port, "rollscribe"));
        m_player->Play(m_sequence, MicrosecondsAtTick(*m_sequence, tick));
    }
    void Stop() noexcept override {
        if (m_player) m_player->Stop();
    }
    bool IsPlaying() const noexcept override { return m_player && m_player->IsPlaying(); }
    std::int64_t CurrentTick() const noexcept override {
        return m_player && m_sequence ? TickAtMicroseconds(*m_sequence, m_player->Position()) : 0;
    }
    std::int64_t TotalTicks() const noexcept override {
        return m_sequence ? TickAtMicroseconds(*m_sequence, m_sequence->lengthMicroseconds) : 0;
    }
    std::exception_ptr Failure() const noexcept override {
        return m_player ? m_player->Failure() : nullptr;
    }

  private:
    // The file's messages, read again only when it is another file or it changed.
    void Read(const std::string& path) {
        struct stat st {};
        const bool known = ::stat(path.c_str(), &st) == 0;
        if (m_sequence && known && path == m_path && st.st_size == m_size &&
            st.st_mtim.tv_sec == m_modified.tv_sec && st.st_mtim.tv_nsec == m_modified.tv_nsec)
            return;
        m_sequence.reset();
        m_sequence = std::make_shared<MidiSequence>(ReadMidiSequence(path));
        m_path = path;
        m_size = st.st_size;
        m_modified = st.st_mtim;
    }

    MidiPort m_port;
    std::unique_ptr<LivePlayer> m_player;
    std::shared_ptr<const MidiSequence> m_sequence;
    std::string m_path;
    off_t m_size = 0;
    timespec m_modified{};
};

}  // namespace

std::vector<MidiPort> LiveOutputPorts() {
    return ListPorts().ports;
}

std::unique_ptr<PlaybackSink> MakeLiveOutput(const MidiPort& port) {
    return std::make_unique<LivePortSink>(port);
}

}  // namespace rollscribe
