#pragma once

#include <optional>
#include <string>

#include "roll/RollWarnings.h"

class CRollscribeDoc;

namespace rollscribe {

class ProfileShelf;

// The tracker bar a roll's holes are judged against: that of profile (the one chosen for the
// expression file; empty when none is) or else of the profile its roll type chooses. None when
// that profile cannot be read: the expression file, if asked for, says why. shelf may be null
// (the profile is read then).
std::optional<TrackerBarNotes> TrackerBarOfRoll(const CRollscribeDoc& doc,
                                                const std::string& profile, ProfileShelf* shelf);

}  // namespace rollscribe
