#pragma once

#include <wx/string.h>

#include <string>
#include <string_view>

// Conversions between the core's 8-bit texts and the toolkit's strings.
namespace rollscribe {

// The program's own ASCII texts (resource strings, labels, the program's name).
wxString WxAscii(std::string_view text);
// Characters as a toolkit string.
wxString WxFromChars(std::u32string_view chars);
// Text of unknown code page (roll texts, reasons, file names in messages): UTF-8 where the
// bytes are UTF-8, Windows-1252 elsewhere; no byte is lost.
wxString WxText(std::string_view bytes);
// A file name given as bytes, as the toolkit names files.
wxString WxPath(const std::string& bytes);
// The bytes of a file name that the toolkit gives; empty when it cannot be represented.
std::string PathBytes(const wxString& path);

}  // namespace rollscribe
