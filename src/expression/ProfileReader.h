#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "expression/RollProfile.h"
#include "platform/CException.h"

namespace rollscribe {

// A profile that cannot be read or makes no sense. Path() is the profile's file; Reason() names
// the field as a JSON path and what is wrong with it ("holes[3].note: 60 lies inside the note
// range 21 to 108").
class ProfileError : public CException {
  public:
    using CException::CException;
};

// The largest profile file read: profiles are a few kilobytes.
inline constexpr std::size_t kMaxProfileBytes = 1024 * 1024;

// The profile in a JSON file. Throws CFileException when the file cannot be read, ProfileError
// when it is not a valid profile; both name path as given.
RollProfile ReadProfileFile(const std::string& path);

// The profile in JSON text; path names it in errors and becomes its source. Every field is
// required and checked (docs/expression.md describes them); unknown fields are refused.
RollProfile ParseProfile(std::string_view text, const std::string& path);

}  // namespace rollscribe
