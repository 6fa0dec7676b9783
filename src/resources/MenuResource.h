#pragma once

#include <wx/accel.h>
#include <wx/menu.h>

#include <vector>

namespace rollscribe {

// Menu 128 and accelerator table 128 of the main frame.

// The menu bar: File, Edit, View, Roll, Help. Every item carries its command's prompt as help
// text.
wxMenuBar* CreateMainMenuBar();

// The thirteen accelerators, in table order.
std::vector<wxAcceleratorEntry> MainAccelerators();
// Keys beyond the table that users of a desktop expect: Ctrl+Q quits (Exit).
std::vector<wxAcceleratorEntry> ExtraAccelerators();
// The keys of the Roll menu: Space plays and stops, Ctrl++, Ctrl+- and Ctrl+0 zoom (also as
// typed on keyboards where "+" needs Shift, and on the keypad).
std::vector<wxAcceleratorEntry> RollAccelerators();

// The Roll menu's place in the menu bar, and the labels of its first item, which plays the roll
// or, while it plays, stops it.
constexpr size_t kRollMenuIndex = 3;
constexpr const char* kPlayLabel = "&Play\tSpace";
constexpr const char* kStopLabel = "&Stop\tSpace";

// The Roll System submenu's labels of the programs' own profiles, in the order of their names
// (kProfileNames).
inline constexpr const char* kRollSystemLabels[] = {
    "&88-note", "Welte &Red (T-100)", "Welte &Green (T-98)", "Welte &Licensee",
    "&Duo-Art", "Ampico &A",          "Ampico &B",           "Welte Red, Li&near Model"};

// Roll > MIDI Output, and its first item, which plays through the sound font.
constexpr const char* kMidiOutputLabel = "MIDI Ou&tput";
constexpr const char* kSoundFontLabel = "&Sound Font";

// The File menu's place in the menu bar, and the place of its recent-file area in it (the item
// after the first separator), which shows this grayed label while the list is empty.
constexpr size_t kFileMenuIndex = 0;
constexpr size_t kRecentFileMenuPosition = 5;
constexpr const char* kRecentFilePlaceholder = "Recent File";

// The prompt shown in the status bar for a command; empty for none.
wxString CommandPrompt(int commandId);
// The tool tip of a command.
wxString CommandToolTip(int commandId);

}  // namespace rollscribe
