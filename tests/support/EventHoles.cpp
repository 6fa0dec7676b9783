#include "support/EventHoles.h"

#include <algorithm>
#include <map>

namespace testing_support {

std::vector<EventHole> HolesOfEvents(const CRollscribeDoc& doc) {
    std::map<std::int32_t, std::int32_t> open;  // note to the time it opened
    std::vector<EventHole> holes;
    std::int32_t last = 0;
    for (const RollEvent& e : doc.m_events) {
        last = std::max(last, e.time);
        if (e.kind == 1) open[e.note] = e.time;
        if (e.kind == 0 && open.count(e.note)) {
            holes.push_back({e.note, open[e.note], e.time, false});
            open.erase(e.note);
        }
    }
    for (auto [note, start] : open) holes.push_back({note, start, last, true});
    std::sort(holes.begin(), holes.end());
    return holes;
}

}  // namespace testing_support
