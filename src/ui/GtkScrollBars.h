#pragma once

class wxWindow;

namespace rollscribe {

// Gives a window's scroll bars room of their own beside its contents, shown while they are
// needed, instead of the overlay bars that GTK shows only while the pointer moves: a picture
// that scrolls mostly sideways says so at a glance, and no bar covers its lowest lane.
void KeepScrollBarsShown(wxWindow* window);

}  // namespace rollscribe
