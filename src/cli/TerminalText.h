#pragma once

#include <string>
#include <string_view>

namespace rollscribe {

// A text made safe to show on a terminal: control characters, which could move the cursor,
// clear the screen or set the window's title, become visible escapes. C0 controls other than
// line feed and tab, and DEL, become \a \b \v \f \r \e or \xHH; the C1 controls in their UTF-8
// form (C2 80 to C2 9F) become \xC2\xHH; bytes 0x80 to 0x9F that are not part of valid UTF-8
// (C1 controls to a terminal that reads 8-bit text) become \xHH. Everything else, backslashes
// included, stays as it is.
std::string EscapeForTerminal(std::string_view text);

}  // namespace rollscribe
