#include "ui/NoteVelocities.h"

#include <algorithm>

namespace rollscribe {

NoteVelocities::NoteVelocities(const RollEventArray& events,
                               const std::vector<std::uint8_t>& velocities) {
    const std::size_t count =
        std::min(velocities.size(), static_cast<std::size_t>(std::max(events.GetSize(), 0)));
    for (std::size_t i = 0; i < count; ++i) {
        if (velocities[i] == 0) continue;
        const RollEvent& event = events[static_cast<std::int32_t>(i)];
        m_notes.push_back({event.note, event.time, velocities[i]});
    }
    // Stable: of two note-ons of one note at one position, the first in the roll counts.
    std::stable_sort(m_notes.begin(), m_notes.end(), [](const NoteOn& a, const NoteOn& b) {
        return a.note != b.note ? a.note < b.note : a.time < b.time;
    });
}

int NoteVelocities::At(std::int32_t note, std::int32_t time) const {
    const auto it = std::lower_bound(
        m_notes.begin(), m_notes.end(), std::pair{note, time}, [](const NoteOn& a, auto key) {
            return a.note != key.first ? a.note < key.first : a.time < key.second;
        });
    return it != m_notes.end() && it->note == note && it->time == time ? it->velocity : 0;
}

}  // namespace rollscribe
