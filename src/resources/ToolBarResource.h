#pragma once

#include <wx/bitmap.h>

#include <vector>

namespace rollscribe {

// Tool bar 128: eleven slots of 16 by 15 pixel buttons; 0 marks a separator.
const std::vector<int>& ToolBarCommands();

// The image of each button, in button order, cut from the tool-bar bitmap.
std::vector<wxBitmap> ToolBarImages();

// The Roll band beside the tool bar: Play/Stop, then Zoom In, Zoom Out and Whole Roll; 0 marks a
// separator.
const std::vector<int>& RollBarCommands();

// The images of the Roll band's buttons, in button order; and the one that Play/Stop shows while
// the roll plays.
std::vector<wxBitmap> RollBarImages();
wxBitmap RollBarStopImage();

}  // namespace rollscribe
