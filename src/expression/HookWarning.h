#pragma once

#include <string>

#include "expression/RollProfile.h"

class CRollscribeDoc;

namespace rollscribe {

// The warning about a roll whose mezzo-forte hook, in a half, is set by a hole of the scan but
// can never be released, because the profile's release hole for that half lies on no track of
// the scan (a red Welte's hole 1, note 14, with the standard numbering: docs/user-guide.md), or
// "" when there is none. Holes are counted from the profile's lowest, as 1.
std::string UnreleasedHookWarning(const CRollscribeDoc& doc, const RollProfile& profile);

}  // namespace rollscribe
