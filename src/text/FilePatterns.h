#pragma once

#include <wx/string.h>

#include <string_view>

namespace rollscribe {

// A file dialog's pattern for an extension (".bar") that matches it in any letter case
// ("*.[bB][aA][rR]"): the toolkit's patterns heed case.
wxString AnyCasePattern(std::string_view extension);

}  // namespace rollscribe
