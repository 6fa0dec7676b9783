#pragma once

class wxFrame;
class wxMenuBar;

// The toolkit never highlights a grayed menu item, so pointing at one would show no prompt.
// This makes the frame's message pane show the prompt of the grayed item under the pointer, and
// nothing over a separator, as it does for the items that can be chosen.
void ShowPromptsOfGrayedItems(wxFrame* frame, wxMenuBar* bar);
