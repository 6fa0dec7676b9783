// The live player's timing: a long sequence played to a port that stamps each message with the
// monotonic clock as it is handed over. Prints how far the messages left from their times
// (percentiles) and how far the play's end was from the sequence's length.
//
//     rollscribe_live_timing [MINUTES]   (default 30; a note on or off every 25 ms)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <vector>

#include "live/LivePlayer.h"
#include "live/MidiSink.h"

using namespace rollscribe;
using Clock = std::chrono::steady_clock;

namespace {

class StampingSink final : public MidiSink {
  public:
    explicit StampingSink(std::vector<Clock::time_point>& stamps) : m_stamps(stamps) {}
    void Send(const std::uint8_t*, std::size_t) override { m_stamps.push_back(Clock::now()); }
    bool Present() override { return true; }
    const std::string& Name() const override { return m_name; }

  private:
    std::vector<Clock::time_point>& m_stamps;
    std::string m_name = "stamps";
};

}  // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 30;
    auto sequence = std::make_shared<MidiSequence>();
    const auto length = static_cast<std::int64_t>(minutes * 60e6);
    for (std::int64_t t = 0, i = 0; t < length; t += 25000, ++i)
        sequence->messages.push_back({t,
                                      {0x90, static_cast<std::uint8_t>(40 + i / 2 % 40),
                                       static_cast<std::uint8_t>(i % 2 ? 0 : 80)},
                                      3});
    sequence->lengthMicroseconds = length;

    std::vector<Clock::time_point> stamps;
    stamps.reserve(sequence->messages.size() + 64);
    LivePlayer player(std::make_unique<StampingSink>(stamps));
    const auto start = Clock::now();
    player.Play(sequence);
    while (player.WaitFor(std::chrono::milliseconds(500))) {
    }
    const auto end = Clock::now();
    player.Stop();

    // Lateness of each message against its time from the first message's.
    std::vector<double> late;
    for (std::size_t i = 0; i < sequence->messages.size(); ++i)
        late.push_back(std::chrono::duration<double, std::micro>(stamps[i] - stamps[0]).count() -
                       static_cast<double>(sequence->messages[i].microseconds));
    std::vector<double> sorted = late;
    std::sort(sorted.begin(), sorted.end());
    auto at = [&](double q) { return sorted[static_cast<std::size_t>(q * (sorted.size() - 1))]; };
    std::printf("%.1f minutes, %zu messages\n", minutes, late.size());
    std::printf("lateness (us): min %.0f  median %.0f  p99 %.0f  p99.9 %.0f  max %.0f\n",
                sorted.front(), at(0.5), at(0.99), at(0.999), sorted.back());
    std::printf("last message: %.0f us late; play ended %.0f us after the length\n", late.back(),
                std::chrono::duration<double, std::micro>(end - start).count() -
                    static_cast<double>(length));
    return 0;
}
