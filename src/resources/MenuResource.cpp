#include "resources/MenuResource.h"

#include <string_view>

#include "resources/CommandIds.h"
#include "resources/StringTable.h"
#include "text/WxText.h"

namespace rollscribe {

namespace {

enum class ItemKind { normal, check, radio, submenu };

struct ItemResource {
    unsigned id;  // 0: a separator
    const char* label;
    bool check;
    ItemKind kind = check ? ItemKind::check : ItemKind::normal;
    // For a submenu: its items.
    std::vector<ItemResource> items = {};
};

// Roll > Roll System: Automatic, each of the programs' own profiles, a profile file; one radio
// group (a separator would end it), so one of them is chosen.
std::vector<ItemResource> RollSystemItems() {
    std::vector<ItemResource> items = {
        {res::ID_ROLL_SYSTEM_AUTOMATIC, "&Automatic", false, ItemKind::radio}};
    for (unsigned i = 0; i < res::kRollSystemCount; ++i)
        items.push_back({res::RollSystemId(i), kRollSystemLabels[i], false, ItemKind::radio});
    items.push_back({res::ID_ROLL_SYSTEM_FILE, "&From File...", false, ItemKind::radio});
    return items;
}

// Roll > MIDI Output as made: the sound font only; the ports are added as the submenu opens.
std::vector<ItemResource> MidiOutputItems() {
    return {{res::ID_ROLL_MIDI_SOUND_FONT, kSoundFontLabel, false, ItemKind::radio}};
}

struct PopupResource {
    const char* title;
    std::vector<ItemResource> items;
};

const std::vector<PopupResource>& MenuTable() {
    static const std::vector<PopupResource> table = {
        {"&File",
         {{res::ID_FILE_NEW, "&New\tCtrl+N", false},
          {res::ID_FILE_OPEN, "&Open...\tCtrl+O", false},
          {res::ID_FILE_SAVE, "&Save\tCtrl+S", false},
          {res::ID_FILE_SAVE_AS, "Save &As...", false},
          {0, nullptr, false},
          {res::ID_FILE_MRU_FILE1, kRecentFilePlaceholder, false},
          {0, nullptr, false},
          {res::ID_APP_EXIT, "E&xit", false}}},
        {"&Edit",
         {{res::ID_EDIT_UNDO, "&Undo\tCtrl+Z", false},
          {0, nullptr, false},
          {res::ID_EDIT_CUT, "Cu&t\tCtrl+X", false},
          {res::ID_EDIT_COPY, "&Copy\tCtrl+C", false},
          {res::ID_EDIT_PASTE, "&Paste\tCtrl+V", false}}},
        {"&View",
         {{res::ID_VIEW_TOOLBAR, "&Toolbar", true},
          {res::ID_VIEW_STATUS_BAR, "&Status Bar", true},
          {res::ID_VIEW_ROLL_PICTURE, "&Roll Picture", true},
          {res::ID_VIEW_ROLL_BAR, "Roll Tool &Bar", true},
          {0, nullptr, false},
          {res::ID_VIEW_TALLER_LANES, "T&aller Lanes", false},
          {res::ID_VIEW_SHORTER_LANES, "Sh&orter Lanes", false},
          {res::ID_VIEW_FITTING_LANES, "Lanes to &Fit", true}}},
        {"&Roll",
         {{res::ID_ROLL_PLAY, kPlayLabel, false},
          {0, kMidiOutputLabel, false, ItemKind::submenu, MidiOutputItems()},
          {0, nullptr, false},
          {res::ID_ROLL_ZOOM_IN, "Zoom &In\tCtrl++", false},
          {res::ID_ROLL_ZOOM_OUT, "Zoom &Out\tCtrl+-", false},
          {res::ID_ROLL_ZOOM_ALL, "&Whole Roll\tCtrl+0", false},
          {0, nullptr, false},
          {res::ID_ROLL_OPEN_MIDI, "Open &MIDI File", false},
          {res::ID_ROLL_SHOW_IN_FOLDER, "Show in &Folder", false},
          {0, nullptr, false},
          {res::ID_ROLL_COPY_REPORT, "&Copy Report", false},
          {res::ID_ROLL_EXPORT_PICTURE, "&Export Picture...", false},
          {0, nullptr, false},
          {res::ID_ROLL_EXPRESSION, "E&xpression", true},
          {0, "Roll &System", false, ItemKind::submenu, RollSystemItems()},
          {res::ID_ROLL_OUTPUT_FOLDER, "Output Fol&der...", false}}},
        {"&Help",
         {{res::ID_HELP_USER_GUIDE, "&User Guide", false},
          {res::ID_APP_ABOUT, "&About Rollscribe...", false}}},
    };
    return table;
}

}  // namespace

wxString CommandPrompt(int commandId) {
    unsigned id = ResourceIdOf(commandId);
    return id ? WxAscii(PromptOf(LoadResourceString(id))) : wxString();
}

wxString CommandToolTip(int commandId) {
    unsigned id = ResourceIdOf(commandId);
    return id ? WxAscii(ToolTipOf(LoadResourceString(id))) : wxString();
}

namespace {

wxMenu* CreateMenu(const std::vector<ItemResource>& items) {
    auto* menu = new wxMenu;
    for (const ItemResource& item : items) {
        if (item.kind == ItemKind::submenu) {
            menu->AppendSubMenu(CreateMenu(item.items), WxAscii(item.label));
            continue;
        }
        if (item.id == 0) {
            menu->AppendSeparator();
            continue;
        }
        int id = CommandIdOf(item.id);
        menu->Append(id, WxAscii(item.label), CommandPrompt(id),
                     item.kind == ItemKind::check   ? wxITEM_CHECK
                     : item.kind == ItemKind::radio ? wxITEM_RADIO
                                                    : wxITEM_NORMAL);
    }
    return menu;
}

}  // namespace

wxMenuBar* CreateMainMenuBar() {
    auto* bar = new wxMenuBar;
    for (const PopupResource& popup : MenuTable()) {
        bar->Append(CreateMenu(popup.items), WxAscii(popup.title));
    }
    // Shown grayed until the recent-file list has entries.
    bar->Enable(cmd::kRecentFile1, false);
    return bar;
}

std::vector<wxAcceleratorEntry> MainAccelerators() {
    return {
        {wxACCEL_CTRL, 'N', cmd::kNew},           {wxACCEL_CTRL, 'O', cmd::kOpen},
        {wxACCEL_CTRL, 'S', cmd::kSave},          {wxACCEL_CTRL, 'Z', cmd::kUndo},
        {wxACCEL_CTRL, 'X', cmd::kCut},           {wxACCEL_CTRL, 'C', cmd::kCopy},
        {wxACCEL_CTRL, 'V', cmd::kPaste},         {wxACCEL_ALT, WXK_BACK, cmd::kUndo},
        {wxACCEL_SHIFT, WXK_DELETE, cmd::kCut},   {wxACCEL_CTRL, WXK_INSERT, cmd::kCopy},
        {wxACCEL_SHIFT, WXK_INSERT, cmd::kPaste}, {wxACCEL_NORMAL, WXK_F6, cmd::kNextPane},
        {wxACCEL_SHIFT, WXK_F6, cmd::kPrevPane},
    };
}

std::vector<wxAcceleratorEntry> ExtraAccelerators() {
    return {{wxACCEL_CTRL, 'Q', cmd::kExit}};
}

std::vector<wxAcceleratorEntry> RollAccelerators() {
    // Ctrl++ is typed as Ctrl+= (with or without Shift) on most keyboards, or on the keypad.
    return {
        {wxACCEL_NORMAL, WXK_SPACE, cmd::kPlay},
        {wxACCEL_CTRL, '+', cmd::kZoomIn},
        {wxACCEL_CTRL, '=', cmd::kZoomIn},
        {wxACCEL_CTRL | wxACCEL_SHIFT, '=', cmd::kZoomIn},
        {wxACCEL_CTRL, WXK_NUMPAD_ADD, cmd::kZoomIn},
        {wxACCEL_CTRL, '-', cmd::kZoomOut},
        {wxACCEL_CTRL, WXK_NUMPAD_SUBTRACT, cmd::kZoomOut},
        {wxACCEL_CTRL, '0', cmd::kZoomAll},
        {wxACCEL_CTRL, WXK_NUMPAD0, cmd::kZoomAll},
    };
}

}  // namespace rollscribe
