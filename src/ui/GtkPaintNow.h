#pragma once

class wxWindow;

namespace rollscribe {

// Before long work that holds the main loop: makes the screen show the window as it is now, a
// dialog that just closed gone from over it, its status bar's text and the pointer's shape
// drawn. Only window-system events of drawing and layout are handled here, never the user's
// input.
void PaintNow(wxWindow& window);

}  // namespace rollscribe
