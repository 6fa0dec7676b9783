#include "resources/StringTable.h"

#include <algorithm>
#include <iterator>

#include "resources/ResourceIds.h"

namespace rollscribe {

namespace {

struct StringResource {
    unsigned id;
    std::string_view text;
};

constexpr std::string_view kTemplate =
    "Rollscribe\n\nBAR file\nRollsc Files (*.bar)\n.bar\nRollscribe.Document\nRollsc Document";

// Sorted by id.
constexpr StringResource kStrings[] = {
    {res::IDR_MAINFRAME, kTemplate},
    {0x8001, "Play the roll's MIDI file from the cursor, or stop playing\nPlay/Stop"},
    {0x8002, "Show the roll picture larger\nZoom In"},
    {0x8003, "Show more of the roll picture\nZoom Out"},
    {0x8004, "Fit the whole roll into the roll picture\nWhole Roll"},
    {0x8005, "Open the MIDI file in the desktop's program for it\nOpen MIDI File"},
    {0x8006, "Show the folder that holds the MIDI file\nShow in Folder"},
    {0x8007, "Copy the report and put it on the Clipboard\nCopy Report"},
    {0x8008, "Save the roll picture as a PNG, SVG or PDF file\nExport Picture"},
    {0x8009, "Show or hide the roll picture\nToggle Roll Picture"},
    {0x800A, "Copy the selected text of the report and put it on the Clipboard\nCopy"},
    {0x800B, "Select the whole report\nSelect All"},
    {0x800C, "Show or hide the Roll tool bar\nToggle Roll Bar"},
    {0x800D,
     "Write the expression MIDI file too, and play and show the roll as its piano "
     "would\nExpression"},
    {0x800E,
     "Choose the folder the MIDI file and the other outputs are written to\nOutput "
     "Folder"},
    {0x800F, "Follow the roll system that the roll type names\nAutomatic Roll System"},
    {0x8010, "Play the roll as an 88-note roll: sustain, soft pedal and accents\n88-note"},
    {0x8011, "Play the roll as a red Welte (T-100) roll\nwelte-red"},
    {0x8012, "Play the roll as a green Welte (T-98) roll\nwelte-green"},
    {0x8013, "Play the roll as a Welte Licensee roll\nwelte-licensee"},
    {0x8014, "Play the roll as a Duo-Art roll\nduo-art"},
    {0x8015, "Play the roll as an Ampico (A) roll\nampico-a"},
    {0x8016, "Play the roll as an Ampico B roll\nampico-b"},
    {0x8017, "Play the roll as a roll system profile file describes it\nProfile File"},
    {0x8018,
     "Play the roll as a red Welte roll, its levels by the simpler linear model\nwelte-red-linear"},
    {0x8019, "Play the roll through the sound font, on this computer\nSound Font"},
    {0x801A, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x801B, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x801C, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x801D, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x801E, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x801F, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x8020, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x8021, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x8022, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x8023, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x8024, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x8025, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x8026, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x8027, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x8028, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x8029, "Play the roll live to this MIDI port: a piano or synthesizer\nMIDI Port"},
    {0x8030, "Open the user guide of this program\nUser Guide"},
    {0x8040, "Show the roll picture's lanes taller (Ctrl+Shift and the wheel)\nTaller Lanes"},
    {0x8041, "Show the roll picture's lanes shorter (Ctrl+Shift and the wheel)\nShorter Lanes"},
    {0x8042, "Make the roll picture's lanes as tall as its height allows\nLanes to Fit"},
    {0xE000, "BAR/ANN to Vellum file converter"},
    {0xE001, "Ready"},
    {0xE100, "Create a new document\nNew"},
    {0xE101, "Open an existing document\nOpen"},
    {0xE102, "Close the active document\nClose"},
    {0xE103, "Save the active document\nSave"},
    {0xE104, "Save the active document with a new name\nSave As"},
    {0xE110, "Open this document"},
    {0xE111, "Open this document"},
    {0xE112, "Open this document"},
    {0xE113, "Open this document"},
    {0xE114, "Open this document"},
    {0xE115, "Open this document"},
    {0xE116, "Open this document"},
    {0xE117, "Open this document"},
    {0xE118, "Open this document"},
    {0xE119, "Open this document"},
    {0xE11A, "Open this document"},
    {0xE11B, "Open this document"},
    {0xE11C, "Open this document"},
    {0xE11D, "Open this document"},
    {0xE11E, "Open this document"},
    {0xE11F, "Open this document"},
    {0xE120, "Erase the selection\nErase"},
    {0xE121, "Erase everything\nErase All"},
    {0xE122, "Copy the selection and put it on the Clipboard\nCopy"},
    {0xE123, "Cut the selection and put it on the Clipboard\nCut"},
    {0xE124, "Find the specified text\nFind"},
    {0xE125, "Insert Clipboard contents\nPaste"},
    {0xE128, "Repeat the last action\nRepeat"},
    {0xE129, "Replace specific text with different text\nReplace"},
    {0xE12A, "Select the entire document\nSelect All"},
    {0xE12B, "Undo the last action\nUndo"},
    {0xE12C, "Redo the previously undone action\nRedo"},
    {0xE135, "Split the active window into panes\nSplit"},
    {0xE140, "Display program information, version number and copyright\nAbout"},
    {0xE141, "Quit the application; prompts to save documents\nExit"},
    {0xE150, "Switch to the next window pane\nNext Pane"},
    {0xE151, "Switch back to the previous window pane\nPrevious Pane"},
    {0xE700, "EXT"},
    {0xE701, "CAP"},
    {0xE702, "NUM"},
    {0xE703, "SCRL"},
    {0xE704, "OVR"},
    {0xE705, "REC"},
    {0xE800, "Show or hide the toolbar\nToggle ToolBar"},
    {0xE801, "Show or hide the status bar\nToggle StatusBar"},
    {0xEF00, "Change the window size"},
    {0xEF01, "Change the window position"},
    {0xEF02, "Reduce the window to an icon"},
    {0xEF03, "Enlarge the window to full size"},
    {0xEF04, "Switch to the next document window"},
    {0xEF05, "Switch to the previous document window"},
    {0xEF06, "Close the active window and prompts to save the documents"},
    {0xEF12, "Restore the window to normal size"},
    {0xEF13, "Activate Task List"},
};

static_assert(std::is_sorted(std::begin(kStrings), std::end(kStrings),
                             [](const StringResource& a, const StringResource& b) {
                                 return a.id < b.id;
                             }));

}  // namespace

std::string_view LoadResourceString(unsigned id) {
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                               [](const StringResource& s, unsigned key) { return s.id < key; });
    return it != std::end(kStrings) && it->id == id ? it->text : std::string_view();
}

std::string_view PromptOf(std::string_view commandString) {
    return commandString.substr(0, commandString.find('\n'));
}

std::string_view ToolTipOf(std::string_view commandString) {
    std::size_t lineFeed = commandString.find('\n');
    return lineFeed == std::string_view::npos ? std::string_view()
                                              : commandString.substr(lineFeed + 1);
}

std::string_view TemplateString(TemplateField field) {
    std::string_view rest = kTemplate;
    for (int i = 0; i < static_cast<int>(field); ++i) rest.remove_prefix(rest.find('\n') + 1);
    return rest.substr(0, rest.find('\n'));
}

}  // namespace rollscribe
