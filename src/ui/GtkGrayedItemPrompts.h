#pragma once

class wxFrame;
class wxMenuBar;

namespace rollscribe {

// GTK never highlights a grayed menu item, so pointing at one would show no prompt. This watches
// the pointer over each menu's GTK widget and makes the frame's message pane show the prompt of
// the grayed item under it, and nothing over a separator, as for the items that can be chosen.
void ShowPromptsOfGrayedItems(wxFrame* frame, wxMenuBar* bar);

}  // namespace rollscribe
