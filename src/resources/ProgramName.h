#pragma once

#include <wx/string.h>

namespace rollscribe {

// The program's name, as the caption and the message boxes show it.
wxString ProgramName();

}  // namespace rollscribe
