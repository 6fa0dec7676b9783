#pragma once

#include <wx/accel.h>
#include <wx/menu.h>

#include <vector>

// Menu 128 and accelerator table 128 of the main frame.

// The menu bar: File, Edit, View, Help. Every item carries its command's prompt as help text.
wxMenuBar* CreateMainMenuBar();

// The thirteen accelerators, in table order.
std::vector<wxAcceleratorEntry> MainAccelerators();

// Index of the File menu's recent-file area (the item after the first separator).
constexpr size_t kRecentFileMenuPosition = 5;

// The prompt shown in the status bar for a command; empty for none.
wxString CommandPrompt(int commandId);
// The tool tip of a command.
wxString CommandToolTip(int commandId);
