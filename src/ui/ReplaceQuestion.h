#pragma once

#include <wx/string.h>

#include <string>

class wxWindow;

namespace rollscribe {

// Whether a file may be written where the user chose: yes when there is none yet, else as the
// user answers "<file> already exists. Do you want to replace it?" (No is the default). The
// caller goes back to its file dialog on a no. path: bytes, as the file system names the file.
bool AllowsReplacing(wxWindow* parent, const wxString& title, const std::string& path);

}  // namespace rollscribe
