#pragma once

#include <wx/gdicmn.h>

class wxTopLevelWindow;

namespace rollscribe {

// Asks for a top-level window's frame to have its top-left corner at a point of the screen,
// keeping its size: the toolkit's own move, where the window's Move would also size it from a
// size it may not have yet (while it first shows).
void MoveWindowTo(wxTopLevelWindow& window, const wxPoint& place);

}  // namespace rollscribe
