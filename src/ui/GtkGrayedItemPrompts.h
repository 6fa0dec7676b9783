#pragma once

class wxFrame;
class wxMenu;
class wxMenuBar;

namespace rollscribe {

// GTK never highlights a grayed menu item, so pointing at one would show no prompt. This watches
// the pointer over each menu's GTK widget and makes the frame's message pane show the prompt of
// the grayed item under it, and nothing over a separator, as for the items that can be chosen.
void ShowPromptsOfGrayedItems(wxFrame* frame, wxMenuBar* bar);
// The same for one menu, such as a context menu.
void ShowPromptsOfGrayedItems(wxFrame* frame, wxMenu* menu);

}  // namespace rollscribe
