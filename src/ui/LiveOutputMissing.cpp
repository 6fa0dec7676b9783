// Live output for a build without RtMidi and JACK: no ports, and a play says why.
#include "live/LiveError.h"
#include "ui/LiveOutput.h"

namespace rollscribe {

namespace {

class MissingSink : public PlaybackSink {
  public:
    bool Ready() const noexcept override { return true; }
    void Prepare() override {}
    bool Preparing() const noexcept override { return false; }
    bool Prepared() override { return true; }
    void Play(const std::string&, std::int64_t) override {
        throw LiveError("this program was built without live MIDI output (RtMidi and JACK)");
    }
    void Stop() noexcept override {}
    bool IsPlaying() const noexcept override { return false; }
    std::int64_t CurrentTick() const noexcept override { return 0; }
    std::int64_t TotalTicks() const noexcept override { return 0; }
    std::exception_ptr Failure() const noexcept override { return nullptr; }
};

}  // namespace

std::vector<MidiPort> LiveOutputPorts() {
    return {};
}

std::unique_ptr<PlaybackSink> MakeLiveOutput(const MidiPort&) {
    return std::make_unique<MissingSink>();
}

}  // namespace rollscribe
