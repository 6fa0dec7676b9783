#pragma once

#include <string>
#include <string_view>

namespace rollscribe {

// Appends a roll text (8-bit, of unknown code page) to out as UTF-8 for showing in a picture:
// well-formed UTF-8 stays as it is, every other byte is read as Windows-1252. Characters that no
// picture can show and XML does not allow become visible: line breaks and tabs a blank, the other
// control characters (0 to 31, 127 to 159) and the non-characters U+FFFE and U+FFFF the
// replacement character U+FFFD. No byte is dropped silently and nothing is allocated but out's
// growth.
void AppendDisplayText(std::string& out, std::string_view bytes);
std::string DisplayText(std::string_view bytes);

// Text (UTF-8 from AppendDisplayText) as Cairo takes it: the noncharacters it refuses (U+FDD0 to
// U+FDEF, U+1FFFE and the like) replaced by U+FFFD. Pictures drawn through Cairo show them so;
// the SVG keeps them.
std::string CairoText(std::string_view text);

// Appends text (UTF-8 from AppendDisplayText) escaped for XML character data and attribute
// values in double quotes.
void AppendXmlEscaped(std::string& out, std::string_view text);

}  // namespace rollscribe
