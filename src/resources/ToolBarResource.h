#pragma once

#include <wx/bitmap.h>

#include <vector>

namespace rollscribe {

// Tool bar 128: eleven slots of 16 by 15 pixel buttons; 0 marks a separator.
const std::vector<int>& ToolBarCommands();

// The image of each button, in button order, cut from the tool-bar bitmap.
std::vector<wxBitmap> ToolBarImages();

}  // namespace rollscribe
