#include "live/SoundingNotes.h"

namespace rollscribe {

void SoundingNotes::Sent(const std::uint8_t* bytes, std::size_t size) noexcept {
    if (size < 1 || bytes[0] < 0x80 || bytes[0] >= 0xF0) return;
    const int channel = bytes[0] & 0x0F;
    const int kind = bytes[0] & 0xF0;
    m_channels = static_cast<std::uint16_t>(m_channels | 1u << channel);
    if (size < 3 || (kind != 0x80 && kind != 0x90)) return;
    m_on[channel][bytes[1] & 0x7F] = kind == 0x90 && bytes[2] != 0;
}

std::vector<ShortMessage> SoundingNotes::Release() {
    std::vector<ShortMessage> messages;
    for (int channel = 0; channel < 16; ++channel)
        for (int note = 0; note < 128; ++note)
            if (m_on[channel][note])
                messages.push_back({{static_cast<std::uint8_t>(0x80 | channel),
                                     static_cast<std::uint8_t>(note), 0},
                                    3});
    for (std::uint8_t controller : {64, 67, 123})
        for (int channel = 0; channel < 16; ++channel)
            if (m_channels & 1u << channel)
                messages.push_back({{static_cast<std::uint8_t>(0xB0 | channel), controller, 0}, 3});
    m_on = {};
    m_channels = 0;
    return messages;
}

}  // namespace rollscribe
