#include "resources/CommandIds.h"

#include <iterator>

namespace rollscribe {

namespace {

struct CommandPair {
    unsigned resourceId;
    int commandId;
};

constexpr CommandPair kCommands[] = {
    {res::ID_FILE_NEW, cmd::kNew},
    {res::ID_FILE_OPEN, cmd::kOpen},
    {res::ID_FILE_SAVE, cmd::kSave},
    {res::ID_FILE_SAVE_AS, cmd::kSaveAs},
    {res::ID_FILE_PRINT, cmd::kPrint},
    {res::ID_APP_EXIT, cmd::kExit},
    {res::ID_EDIT_UNDO, cmd::kUndo},
    {res::ID_EDIT_CUT, cmd::kCut},
    {res::ID_EDIT_COPY, cmd::kCopy},
    {res::ID_EDIT_PASTE, cmd::kPaste},
    {res::ID_APP_ABOUT, cmd::kAbout},
    {res::ID_VIEW_TOOLBAR, cmd::kViewToolBar},
    {res::ID_VIEW_STATUS_BAR, cmd::kViewStatusBar},
    {res::ID_NEXT_PANE, cmd::kNextPane},
    {res::ID_PREV_PANE, cmd::kPrevPane},
    {res::ID_ROLL_PLAY, cmd::kPlay},
    {res::ID_ROLL_ZOOM_IN, cmd::kZoomIn},
    {res::ID_ROLL_ZOOM_OUT, cmd::kZoomOut},
    {res::ID_ROLL_ZOOM_ALL, cmd::kZoomAll},
    {res::ID_ROLL_OPEN_MIDI, cmd::kOpenMidi},
    {res::ID_ROLL_SHOW_IN_FOLDER, cmd::kShowInFolder},
    {res::ID_ROLL_COPY_REPORT, cmd::kCopyReport},
    {res::ID_ROLL_EXPORT_PICTURE, cmd::kExportPicture},
    {res::ID_VIEW_ROLL_PICTURE, cmd::kViewRollPicture},
    {res::ID_REPORT_COPY, cmd::kReportCopy},
    {res::ID_REPORT_SELECT_ALL, cmd::kReportSelectAll},
    {res::ID_VIEW_ROLL_BAR, cmd::kViewRollBar},
    {res::ID_ROLL_EXPRESSION, cmd::kExpression},
    {res::ID_ROLL_OUTPUT_FOLDER, cmd::kOutputFolder},
    {res::ID_HELP_USER_GUIDE, cmd::kUserGuide},
    {res::ID_VIEW_TALLER_LANES, cmd::kTallerLanes},
    {res::ID_VIEW_SHORTER_LANES, cmd::kShorterLanes},
    {res::ID_VIEW_FITTING_LANES, cmd::kFittingLanes},
    {res::ID_ROLL_SYSTEM_AUTOMATIC, cmd::kSystemAutomatic},
    {res::ID_ROLL_SYSTEM_FIRST, cmd::kSystemFirst},
    {res::ID_ROLL_SYSTEM_FIRST + 1, cmd::kSystemFirst + 1},
    {res::ID_ROLL_SYSTEM_FIRST + 2, cmd::kSystemFirst + 2},
    {res::ID_ROLL_SYSTEM_FIRST + 3, cmd::kSystemFirst + 3},
    {res::ID_ROLL_SYSTEM_FIRST + 4, cmd::kSystemFirst + 4},
    {res::ID_ROLL_SYSTEM_FIRST + 5, cmd::kSystemFirst + 5},
    {res::ID_ROLL_SYSTEM_FIRST + 6, cmd::kSystemFirst + 6},
    {res::ID_ROLL_SYSTEM_EIGHTH, cmd::kSystemFirst + 7},
    {res::ID_ROLL_SYSTEM_FILE, cmd::kSystemFile},
    {res::ID_ROLL_MIDI_SOUND_FONT, cmd::kMidiSoundFont},
};
static_assert(res::kRollSystemCount == 8, "one pair for each roll system");

// The recent-file entries: sixteen resource ids, of which the toolkit numbers nine.
constexpr unsigned kRecentFiles = 9;

}  // namespace

int CommandIdOf(unsigned resourceId) {
    for (const CommandPair& c : kCommands) {
        if (c.resourceId == resourceId) return c.commandId;
    }
    if (resourceId >= res::ID_FILE_MRU_FILE1 && resourceId < res::ID_FILE_MRU_FILE1 + kRecentFiles)
        return cmd::kRecentFile1 + static_cast<int>(resourceId - res::ID_FILE_MRU_FILE1);
    if (resourceId >= res::ID_ROLL_MIDI_PORT_FIRST &&
        resourceId < res::ID_ROLL_MIDI_PORT_FIRST + res::kMidiPortItems)
        return cmd::kMidiPortFirst + static_cast<int>(resourceId - res::ID_ROLL_MIDI_PORT_FIRST);
    return wxID_NONE;
}

unsigned ResourceIdOf(int commandId) {
    for (const CommandPair& c : kCommands) {
        if (c.commandId == commandId) return c.resourceId;
    }
    if (commandId >= cmd::kRecentFile1 &&
        commandId < cmd::kRecentFile1 + static_cast<int>(kRecentFiles))
        return res::ID_FILE_MRU_FILE1 + static_cast<unsigned>(commandId - cmd::kRecentFile1);
    if (commandId >= cmd::kMidiPortFirst && commandId <= cmd::kMidiPortLast)
        return res::ID_ROLL_MIDI_PORT_FIRST +
               static_cast<unsigned>(commandId - cmd::kMidiPortFirst);
    return 0;
}

}  // namespace rollscribe
