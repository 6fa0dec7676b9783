#pragma once

#include <wx/defs.h>

#include "resources/ResourceIds.h"

namespace rollscribe {

// The toolkit's ids for the program's commands. Where the toolkit gives a command behaviour of its
// own (the document manager's File commands, the recent-file list, Exit) its stock id is used;
// the rest get ids of their own (menu ids stay below 0x8000, so the resource values cannot serve).
namespace cmd {
constexpr int kNew = wxID_NEW;
constexpr int kOpen = wxID_OPEN;
constexpr int kSave = wxID_SAVE;
constexpr int kSaveAs = wxID_SAVEAS;
constexpr int kPrint = wxID_PRINT;
constexpr int kRecentFile1 = wxID_FILE1;
// Exit has an id of its own: with the stock id the toolkit would give it a key (Ctrl+Q) it has not.
constexpr int kExit = wxID_HIGHEST + 5;
constexpr int kUndo = wxID_UNDO;
constexpr int kCut = wxID_CUT;
constexpr int kCopy = wxID_COPY;
constexpr int kPaste = wxID_PASTE;
constexpr int kAbout = wxID_ABOUT;
constexpr int kViewToolBar = wxID_HIGHEST + 1;
constexpr int kViewStatusBar = wxID_HIGHEST + 2;
constexpr int kNextPane = wxID_HIGHEST + 3;
constexpr int kPrevPane = wxID_HIGHEST + 4;
// The roll picture and playback.
constexpr int kPlay = wxID_HIGHEST + 6;
constexpr int kZoomIn = wxID_HIGHEST + 7;
constexpr int kZoomOut = wxID_HIGHEST + 8;
constexpr int kZoomAll = wxID_HIGHEST + 9;
constexpr int kOpenMidi = wxID_HIGHEST + 10;
constexpr int kShowInFolder = wxID_HIGHEST + 11;
constexpr int kCopyReport = wxID_HIGHEST + 12;
constexpr int kExportPicture = wxID_HIGHEST + 13;
constexpr int kViewRollPicture = wxID_HIGHEST + 14;
constexpr int kViewRollBar = wxID_HIGHEST + 15;
// The report's selection.
constexpr int kReportCopy = wxID_HIGHEST + 16;
constexpr int kReportSelectAll = wxID_HIGHEST + 17;
// How rolls are converted: Roll > Expression, Roll > Output Folder, the Roll System submenu
// (Automatic, then each system in kProfileNames order, then a profile file).
constexpr int kExpression = wxID_HIGHEST + 18;
constexpr int kOutputFolder = wxID_HIGHEST + 19;
constexpr int kSystemAutomatic = wxID_HIGHEST + 20;
constexpr int kSystemFirst = wxID_HIGHEST + 21;
constexpr int kSystemFile = kSystemFirst + static_cast<int>(res::kRollSystemCount);
// Roll > MIDI Output: the sound font, then a place for each port found.
constexpr int kMidiSoundFont = wxID_HIGHEST + 41;
constexpr int kMidiPortFirst = wxID_HIGHEST + 42;
constexpr int kMidiPortLast = kMidiPortFirst + static_cast<int>(res::kMidiPortItems) - 1;
// Help > User Guide.
constexpr int kUserGuide = wxID_HIGHEST + 40;
// View: the roll picture's lane height.
constexpr int kTallerLanes = wxID_HIGHEST + 60;
constexpr int kShorterLanes = wxID_HIGHEST + 61;
constexpr int kFittingLanes = wxID_HIGHEST + 62;
}  // namespace cmd

// The toolkit id of a command given by its resource id.
int CommandIdOf(unsigned resourceId);
// The resource id of a command given by its toolkit id; 0 when it is none of the program's.
unsigned ResourceIdOf(int commandId);

}  // namespace rollscribe
