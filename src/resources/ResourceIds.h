#pragma once

// Resource and command ids of the program. The desktop program maps the commands onto the
// toolkit's own ids where the toolkit gives them behaviour (see CommandIds.h).
namespace rollscribe::res {

// The main frame's menu, accelerators, icon, tool bar, document template string and dialog bar.
constexpr unsigned IDR_MAINFRAME = 128;

// Strings.
constexpr unsigned AFX_IDS_APP_TITLE = 0xE000;
constexpr unsigned AFX_IDS_IDLEMESSAGE = 0xE001;

// Commands.
constexpr unsigned ID_FILE_NEW = 0xE100;
constexpr unsigned ID_FILE_OPEN = 0xE101;
constexpr unsigned ID_FILE_SAVE = 0xE103;
constexpr unsigned ID_FILE_SAVE_AS = 0xE104;
constexpr unsigned ID_FILE_PRINT = 0xE107;
constexpr unsigned ID_FILE_MRU_FILE1 = 0xE110;
constexpr unsigned ID_EDIT_COPY = 0xE122;
constexpr unsigned ID_EDIT_CUT = 0xE123;
constexpr unsigned ID_EDIT_PASTE = 0xE125;
constexpr unsigned ID_EDIT_UNDO = 0xE12B;
constexpr unsigned ID_APP_ABOUT = 0xE140;
constexpr unsigned ID_APP_EXIT = 0xE141;
constexpr unsigned ID_NEXT_PANE = 0xE150;
constexpr unsigned ID_PREV_PANE = 0xE151;
constexpr unsigned ID_VIEW_TOOLBAR = 0xE800;
constexpr unsigned ID_VIEW_STATUS_BAR = 0xE801;

// The roll picture and playback: application commands, in the range the framework leaves to
// programs (0x8000 to 0xDFFF).
constexpr unsigned ID_ROLL_PLAY = 0x8001;
constexpr unsigned ID_ROLL_ZOOM_IN = 0x8002;
constexpr unsigned ID_ROLL_ZOOM_OUT = 0x8003;
constexpr unsigned ID_ROLL_ZOOM_ALL = 0x8004;
constexpr unsigned ID_ROLL_OPEN_MIDI = 0x8005;
constexpr unsigned ID_ROLL_SHOW_IN_FOLDER = 0x8006;
constexpr unsigned ID_ROLL_COPY_REPORT = 0x8007;
constexpr unsigned ID_ROLL_EXPORT_PICTURE = 0x8008;
constexpr unsigned ID_VIEW_ROLL_PICTURE = 0x8009;
// The report's own commands (its context menu and keys), and the Roll band's View item.
constexpr unsigned ID_REPORT_COPY = 0x800A;
constexpr unsigned ID_REPORT_SELECT_ALL = 0x800B;
constexpr unsigned ID_VIEW_ROLL_BAR = 0x800C;
// How rolls are converted: the expression file, the roll system it follows (Automatic, each of
// the programs' own profiles in menu order, a profile file) and the output folder.
constexpr unsigned ID_ROLL_EXPRESSION = 0x800D;
constexpr unsigned ID_ROLL_OUTPUT_FOLDER = 0x800E;
constexpr unsigned ID_ROLL_SYSTEM_AUTOMATIC = 0x800F;
constexpr unsigned ID_ROLL_SYSTEM_FIRST = 0x8010;
constexpr unsigned kRollSystemCount = 8;
constexpr unsigned ID_ROLL_SYSTEM_FILE = 0x8017;
// The systems added after the file item had its id: the eighth system's.
constexpr unsigned ID_ROLL_SYSTEM_EIGHTH = 0x8018;
// The resource id of the i-th of the programs' own profiles.
constexpr unsigned RollSystemId(unsigned i) {
    return i < 7 ? ID_ROLL_SYSTEM_FIRST + i : ID_ROLL_SYSTEM_EIGHTH + (i - 7);
}
// Roll > MIDI Output: the sound font, then the MIDI ports found when the submenu opens, one id
// for each place (the first kMidiPortItems ports).
constexpr unsigned ID_ROLL_MIDI_SOUND_FONT = 0x8019;
constexpr unsigned ID_ROLL_MIDI_PORT_FIRST = 0x801A;
constexpr unsigned kMidiPortItems = 16;
// Help > User Guide (apart from the Roll menu's numbers, which may grow).
constexpr unsigned ID_HELP_USER_GUIDE = 0x8030;
// View: the roll picture's lane height.
constexpr unsigned ID_VIEW_TALLER_LANES = 0x8040;
constexpr unsigned ID_VIEW_SHORTER_LANES = 0x8041;
constexpr unsigned ID_VIEW_FITTING_LANES = 0x8042;

// Status-bar indicators.
constexpr unsigned ID_INDICATOR_CAPS = 0xE701;
constexpr unsigned ID_INDICATOR_NUM = 0xE702;
constexpr unsigned ID_INDICATOR_SCRL = 0xE703;

}  // namespace rollscribe::res
