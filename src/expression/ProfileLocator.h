#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "expression/RollProfile.h"
#include "platform/CString.h"

namespace rollscribe {

// The profiles that come with the programs, in menu order.
inline constexpr std::string_view kProfileNames[] = {
    "88-note", "welte-red", "welte-green", "welte-licensee",
    "duo-art", "ampico-a",  "ampico-b",    "welte-red-linear"};

// The profile for a roll type text (case ignored): "licensee" gives welte-licensee; "welte"
// with "green", "t-98" or "t98" welte-green; any other "welte" welte-red; "duo-art" or
// "duoart" duo-art; "ampico" with a separate word "b" ampico-b, any other "ampico" ampico-a;
// anything else 88-note.
std::string ChooseProfileName(const CString& rollType);

// Whether a profile is named by file (the text holds a '/' or ends in ".json") rather than by
// the name of one of the programs' own profiles.
bool IsProfileFile(std::string_view nameOrFile) noexcept;

// The programs' own profile folder: ../share/rollscribe/profiles from the running program's
// folder (from the helper programs in libexec/rollscribe/ the same folder), else the folder the
// programs are installed to use. Never relative to the working folder. Empty when none exists.
std::string ProfileFolder();

// The profile named (from ProfileFolder()) or in the file given (a relative path from the
// working folder). Throws ProfileError naming the file and the field for a wrong profile, an
// unknown name or a missing folder; CFileException when the file cannot be read.
RollProfile LoadProfile(const std::string& nameOrFile);

}  // namespace rollscribe
