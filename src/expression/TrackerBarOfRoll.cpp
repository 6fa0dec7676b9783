#include "expression/TrackerBarOfRoll.h"

#include <new>

#include "expression/ProfileLocator.h"
#include "expression/ProfileShelf.h"
#include "roll/CRollscribeDoc.h"

namespace rollscribe {

std::optional<TrackerBarNotes> TrackerBarOfRoll(const CRollscribeDoc& doc,
                                                const std::string& profile, ProfileShelf* shelf) {
    const std::string name = profile.empty() ? ChooseProfileName(doc.m_strRollType) : profile;
    try {
        const auto [lowest, highest] =
            shelf ? shelf->Get(name)->ScanNoteRange() : LoadProfile(name).ScanNoteRange();
        return TrackerBarNotes{lowest, highest};
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace rollscribe
