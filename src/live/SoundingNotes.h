#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace rollscribe {

// One channel message of up to three bytes.
struct ShortMessage {
    std::uint8_t bytes[3];
    std::uint8_t size;
};

// What has been sent to a port that may still sound: the notes on and the channels used. Release
// gives the messages that leave nothing sounding.
class SoundingNotes {
  public:
    // Notes a channel message that was sent.
    void Sent(const std::uint8_t* bytes, std::size_t size) noexcept;
    // A note-off (80) for every note on, then on every channel used the sustain (CC64) and the
    // soft (CC67) pedal lifted, then All Notes Off (CC123) on every channel used; everything
    // forgotten.
    std::vector<ShortMessage> Release();
    bool AnySounding() const noexcept { return m_channels != 0; }

  private:
    std::array<std::array<bool, 128>, 16> m_on{};
    std::uint16_t m_channels = 0;  // a bit for each channel used
};

}  // namespace rollscribe
