// The report in the main window: selected and copied with the mouse and the keys, scrolled by the
// keys readers expect.
#include <wx/clipbrd.h>
#include <wx/uiaction.h>

#include "GuiHarness.h"
#include "resources/CommandIds.h"
#include "roll/RollReport.h"
#include "text/WxText.h"
#include "ui/CViewWindow.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace rollscribe::gui_test;
using testing_support::WriteFile;

namespace {

class Report : public GuiTest {
  protected:
    CViewWindow& Window() { return *Frame().ViewWindow(); }
    int LineHeight() { return Window().GetCharHeight(); }
    // The middle of the left edge of a shown line, on the screen.
    wxPoint LineStart(std::size_t line) {
        const int row = static_cast<int>(line - Window().FirstLine());
        return Window().ClientToScreen(wxPoint(1, row * LineHeight() + LineHeight() / 2));
    }
    // The clipboard's text, or the primary selection's (what the middle button pastes).
    std::string Clipboard(bool primary = false) {
        if (!wxTheClipboard->Open()) return "<no clipboard>";
        wxTheClipboard->UsePrimarySelection(primary);
        wxTextDataObject text;
        const bool got = wxTheClipboard->GetData(text);
        wxTheClipboard->UsePrimarySelection(false);
        wxTheClipboard->Close();
        return got ? Utf8(text.GetText()) : "<nothing>";
    }
    void ClearClipboard() {
        if (!wxTheClipboard->Open()) return;
        for (const bool primary : {true, false}) {
            wxTheClipboard->UsePrimarySelection(primary);
            wxTheClipboard->SetData(new wxTextDataObject("before"));
        }
        wxTheClipboard->Close();
    }
    // The line that starts with a text; the report's size if none does.
    std::size_t LineStartingWith(const std::string& text) {
        const std::vector<std::string> lines = ViewLines();
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (lines[i].rfind(text, 0) == 0) return i;
        return lines.size();
    }
};

// A line, a path and the whole report, as a user selects them, copied as written ("&" and all);
// each selection is also the one the middle button pastes.
TEST_F(Report, TextIsSelectedWithTheMouseAndCopiedWithTheKeys) {
    const fs::path roll = m_rolls.AddRoll("evening_waltz");
    WriteFile(m_rolls.Path("evening_waltz.ann"),
              "/title: Tom & Jerry\r\n/roll_type: 88-note\r\n/composer: A && B\r\n");
    ASSERT_TRUE(Start(roll));
    Frame().SetSize(900, 700);
    Frame().ShowRollPane(false);
    Frame().Raise();
    Pump(100ms);
    const std::size_t title = LineStartingWith(" Title : ");
    const std::size_t file = LineStartingWith(" This File : ");
    ASSERT_LT(title, ViewLines().size());
    wxUIActionSimulator input;
    struct Case {
        std::string what;
        std::function<void()> select;
        std::string copied;
    };
    const std::vector<Case> cases = {
        {"a line, dragged over from its start to past its end",
         [&] {
             input.MouseMove(LineStart(title));
             input.MouseDown();
             input.MouseMove(LineStart(title) + wxPoint(Window().GetClientSize().x - 10, 0));
             input.MouseUp();
         },
         " Title : Tom & Jerry"},
        {"two lines, dragged over upwards",
         [&] {
             input.MouseMove(LineStart(title + 2));
             input.MouseDown();
             input.MouseMove(LineStart(title + 1));
             input.MouseMove(LineStart(title));
             input.MouseUp();
         },
         " Title : Tom & Jerry\n Composer : A && B\n"},
        {"a path, by a double click on it",
         [&] {
             input.MouseMove(LineStart(file) + wxPoint(150, 0));
             input.MouseDblClick();
         },
         roll.string()},
        {"two lines, a click and a Shift+click",
         [&] {
             input.MouseMove(LineStart(title));
             input.MouseClick();
             input.KeyDown(WXK_SHIFT);
             input.MouseMove(LineStart(title + 2));
             input.MouseClick();
             input.KeyUp(WXK_SHIFT);
         },
         " Title : Tom & Jerry\n Composer : A && B\n"},
        {"everything, by Ctrl+A", [&] { input.Char('a', wxMOD_CONTROL); },
         Utf8(WxText(BuildRollReport(Doc().Roll()).View()))},
    };
    for (const Case& c : cases) {
        ClearClipboard();
        c.select();
        Pump(100ms);
        EXPECT_TRUE(Window().HasSelection()) << c.what;
        EXPECT_EQ(Clipboard(true), c.copied) << c.what << ": the primary selection";
        input.Char('c', wxMOD_CONTROL);
        EXPECT_TRUE(PumpUntil([&] { return Clipboard() == c.copied; }, 3s))
            << c.what << ": " << Clipboard();
        if (c.what.rfind("two lines", 0) == 0)
            SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "report-selection.png");
    }
    // A new report starts with nothing selected.
    Manager().OpenRollFile(roll.string());
    EXPECT_FALSE(Window().HasSelection());
}

// Edit > Copy and its button are there while report text is selected, and copy it.
TEST_F(Report, EditCopyAndItsButtonFollowTheSelection) {
    const fs::path roll = m_rolls.AddRoll("evening_waltz");
    ASSERT_TRUE(Start(roll));
    EXPECT_FALSE(MenuEnabled(cmd::kCopy));
    EXPECT_FALSE(ToolEnabled(cmd::kCopy));
    const std::size_t file = LineStartingWith(" This File : ");
    Window().Select({file, 0}, {file + 1, 0});
    Pump(50ms);  // the tool bar's buttons follow when the program is idle
    EXPECT_TRUE(MenuEnabled(cmd::kCopy));
    EXPECT_TRUE(ToolEnabled(cmd::kCopy));
    EXPECT_FALSE(MenuEnabled(cmd::kCut)) << "only Copy has something to do";
    EXPECT_FALSE(MenuEnabled(cmd::kPaste));
    ClearClipboard();
    Frame().ProcessCommand(cmd::kCopy);
    EXPECT_TRUE(
        PumpUntil([&] { return Clipboard() == " This File : " + roll.string() + "\n"; }, 3s))
        << Clipboard();
    // A new report has nothing selected: nothing to copy.
    Manager().OpenRollFile(roll.string());
    Pump(50ms);
    EXPECT_FALSE(MenuEnabled(cmd::kCopy));
    EXPECT_FALSE(ToolEnabled(cmd::kCopy));
}

// The context menu's items show their prompts in the status bar, as the menu bar's do.
TEST_F(Report, TheContextMenuShowsItsPrompts) {
    ASSERT_TRUE(Start());
    for (auto [id, prompt] : std::vector<std::pair<int, std::string>>{
             {cmd::kReportCopy, "Copy the selected text of the report and put it on the Clipboard"},
             {cmd::kReportSelectAll, "Select the whole report"}}) {
        wxMenuEvent highlight(wxEVT_MENU_HIGHLIGHT, id);
        Window().ProcessWindowEvent(highlight);
        EXPECT_EQ(StatusText(0), prompt);
    }
    wxMenuEvent close(wxEVT_MENU_CLOSE);
    Window().ProcessWindowEvent(close);
    EXPECT_EQ(StatusText(0), "Ready");
}

// A report of 3,000 lines and more, scrolled by the keys to its ends and by pages.
TEST_F(Report, TheKeysScrollItAsReadersExpect) {
    std::string bar = "BAR";
    for (int i = 1; i <= 3000; ++i)
        bar += std::string("\x00\xF2", 2) + "line " + std::to_string(i) + '\0';
    WriteFile(m_rolls.Path("long.bar"), bar);
    ASSERT_TRUE(Start(m_rolls.Path("long.bar")));
    Frame().SetSize(800, 600);
    Frame().Raise();
    Pump(100ms);
    const std::size_t lines = ViewLines().size();
    ASSERT_GT(lines, 3000u);
    const auto visible = static_cast<std::size_t>(Window().GetClientSize().y / LineHeight());
    const std::size_t last = lines - visible;
    const std::size_t page = visible - 1;
    wxUIActionSimulator input;
    input.MouseMove(LineStart(0) + wxPoint(200, 0));
    input.MouseClick();
    Pump(50ms);
    struct Step {
        int key;
        int modifiers;
        std::size_t firstLine;
    };
    for (const Step& s :
         {Step{WXK_END, wxMOD_CONTROL, last}, Step{WXK_HOME, wxMOD_CONTROL, 0},
          Step{WXK_PAGEDOWN, 0, page}, Step{WXK_PAGEDOWN, 0, 2 * page},
          Step{WXK_DOWN, 0, 2 * page + 1}, Step{WXK_UP, 0, 2 * page}, Step{WXK_PAGEUP, 0, page},
          Step{WXK_END, 0, last}, Step{WXK_END, 0, last}, Step{WXK_PAGEDOWN, 0, last},
          Step{WXK_HOME, 0, 0}, Step{WXK_PAGEUP, 0, 0}}) {
        input.Char(s.key, s.modifiers);
        EXPECT_TRUE(PumpUntil([&] { return Window().FirstLine() == s.firstLine; }, 3s))
            << "key " << s.key << " " << s.modifiers << ": line " << Window().FirstLine()
            << ", not " << s.firstLine;
        EXPECT_EQ(Window().GetScrollPos(wxVERTICAL), static_cast<int>(Window().FirstLine()));
    }
    // At the end, the last line is drawn at the bottom.
    input.Char(WXK_END, wxMOD_CONTROL);
    PumpUntil([&] { return Window().FirstLine() == last; }, 3s);
    Pump(50ms);
    const WindowImage shown = DrawnImage(&Window());
    const int bottom = static_cast<int>(visible) * LineHeight();
    EXPECT_TRUE(shown.HasInk(0, bottom - LineHeight(), shown.width, bottom));
    EXPECT_EQ(ViewLine(lines - 1), " BAR file Steps per Inch : 400");
}

}  // namespace
