#include "expression/HookWarning.h"

#include <algorithm>

#include "roll/CRollscribeDoc.h"

namespace rollscribe {

namespace {

constexpr std::int32_t kTracks = RollEvent::kFirstControl;  // tracks 0 to 239

}  // namespace

std::string UnreleasedHookWarning(const CRollscribeDoc& doc, const RollProfile& profile) {
    const std::int32_t shift = profile.trackerBar.firstNote - kStandardFirstNote;
    std::int32_t firstHole = profile.lowestNote;
    for (const ControlHole& hole : profile.holes) firstHole = std::min(firstHole, hole.note);
    for (Half half : {Half::bass, Half::treble}) {
        const ControlHole* release = nullptr;
        for (const ControlHole& hole : profile.holes)
            if (hole.action == HoleAction::mezzoForteOff && hole.side == half) release = &hole;
        const std::int32_t track = release ? release->note - profile.trackerBar.firstNote : 0;
        if (!release || (track >= 0 && track < kTracks)) continue;
        bool set = false;
        for (const RollEvent& event : doc.m_events) {
            if (event.kind != RollEvent::kTrackOpened) continue;
            const ControlHole* hole = profile.HoleOf(event.note + shift);
            set = hole && hole->action == HoleAction::mezzoForteOn && hole->side == half;
            if (set) break;
        }
        if (!set) continue;
        return std::string("the ") + (half == Half::bass ? "bass" : "treble") +
               " mezzo-forte hook is set and never released (hole " +
               std::to_string(release->note - firstHole + 1) + ", note " +
               std::to_string(release->note) + ", is on no track of this scan; see the user guide)";
    }
    return {};
}

}  // namespace rollscribe
