#pragma once

#include <compare>
#include <cstdint>
#include <ostream>
#include <vector>

#include "roll/CRollscribeDoc.h"

namespace testing_support {

// A hole bar as a roll's events make it.
struct EventHole {
    std::int32_t note;
    std::int32_t start;
    std::int32_t end;
    bool open;  // never closed: it runs to the time of the roll's last event
    auto operator<=>(const EventHole&) const = default;
};

// For readable failure messages.
inline void PrintTo(const EventHole& hole, std::ostream* os) {
    *os << "hole " << hole.note << " " << hole.start << " " << hole.end
        << (hole.open ? " open" : " closed");
}

// The holes of a roll read straight from its events, sorted: each opening event to the next
// event of its track, or open to the time of the roll's last event.
std::vector<EventHole> HolesOfEvents(const CRollscribeDoc& doc);

}  // namespace testing_support
