#pragma once

#include <string>
#include <vector>

class wxFileDialog;

namespace rollscribe {

// While a save dialog is up, choosing another file type puts that type's extension on the name
// in the dialog: extensions[i] (".png") for the dialog's type i. A name that ends in another of
// the extensions (in any letter case) has it replaced; any other name is left as it is.
void FollowFileTypeWithExtension(wxFileDialog& dialog, std::vector<std::string> extensions);

// The name for a file type: name with its extension, if it is one of extensions (any letter
// case), replaced by extensions[type]; any other name unchanged.
std::string NameForFileType(const std::string& name, const std::vector<std::string>& extensions,
                            std::size_t type);

}  // namespace rollscribe
