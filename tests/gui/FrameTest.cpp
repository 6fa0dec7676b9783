#include <cairo.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <wx/uiaction.h>

#include "GuiHarness.h"
#include "resources/CommandIds.h"
#include "support/ShellRun.h"
#include "ui/CRollPane.h"
#include "ui/CViewWindow.h"
#include "ui/GtkKeyboardLocks.h"

// Last: Xlib's macros would clash with the names above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#undef None
#undef Bool

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace rollscribe::gui_test;

namespace {

class Frame_ : public GuiTest {
  protected:
    // The tool bar told that the pointer moved onto a button, as the window system tells it.
    void PointAtTool(int id) {
        wxAuiToolBar* tools = ToolBar();
        wxRect tool = tools->GetToolRect(id);
        wxMouseEvent move(wxEVT_MOTION);
        move.SetPosition(tool.GetPosition() + wxPoint(tool.width / 2, tool.height / 2));
        move.SetEventObject(tools);
        tools->GetEventHandler()->ProcessEvent(move);
    }
};

TEST_F(Frame_, CommandsThatAreAlwaysOnOrOff) {
    ASSERT_TRUE(Start());
    for (int id : {cmd::kNew, cmd::kOpen, cmd::kAbout, cmd::kUserGuide, cmd::kExit,
                   cmd::kViewToolBar, cmd::kViewStatusBar}) {
        EXPECT_TRUE(MenuEnabled(id)) << id;
    }
    for (int id : {cmd::kSave, cmd::kSaveAs, cmd::kUndo, cmd::kCut, cmd::kCopy, cmd::kPaste}) {
        EXPECT_FALSE(MenuEnabled(id)) << id;
    }
    for (int id : {cmd::kNew, cmd::kOpen, cmd::kAbout}) EXPECT_TRUE(ToolEnabled(id)) << id;
    for (int id : {cmd::kSave, cmd::kCut, cmd::kCopy, cmd::kPaste, cmd::kPrint}) {
        EXPECT_FALSE(ToolEnabled(id)) << id;
    }

    // A conversion makes Save As available and nothing else.
    ASSERT_TRUE(Manager().OpenRollFile(m_rolls.AddRoll("roll").string()));
    EXPECT_TRUE(MenuEnabled(cmd::kSaveAs));
    for (int id : {cmd::kSave, cmd::kUndo, cmd::kCut, cmd::kCopy, cmd::kPaste}) {
        EXPECT_FALSE(MenuEnabled(id)) << id;
    }
    for (int id : {cmd::kSave, cmd::kCut, cmd::kCopy, cmd::kPaste, cmd::kPrint}) {
        EXPECT_FALSE(ToolEnabled(id)) << id;
    }
}

TEST_F(Frame_, KeysOfDisabledCommandsDoNothing) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("keys")));
    testing_support::Bytes roll = testing_support::ReadFile(m_rolls.Path("keys.bar"));
    for (int id : {cmd::kSave, cmd::kUndo, cmd::kCut, cmd::kCopy, cmd::kPaste, cmd::kPrint,
                   cmd::kNextPane, cmd::kPrevPane}) {
        wxCommandEvent event(wxEVT_MENU, id);
        Frame().GetEventHandler()->ProcessEvent(event);
    }
    Pump();
    EXPECT_EQ(Caption(), "keys.bar - Rollscribe");
    EXPECT_EQ(testing_support::ReadFile(m_rolls.Path("keys.bar")), roll);
    EXPECT_EQ(testing_support::ListDir(m_rolls.Dir()),
              (std::vector<std::string>{"keys.ann", "keys.bar", "keys_BAR_e.mid"}));
}

TEST_F(Frame_, ViewMenuHidesAndShowsTheBarsAndTheViewTakesTheSpace) {
    ASSERT_TRUE(Start());
    Frame().SetSize(900, 620);
    CViewWindow* view = Frame().ViewWindow();
    Pump(50ms);
    const wxRect viewBefore = view->GetRect();
    const wxRect toolsBefore = ToolBar()->GetRect();
    const wxRect dialogBefore = DialogBar()->GetRect();
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "toolbar-shown.png");

    Frame().DoMenuUpdates();
    EXPECT_TRUE(Frame().GetMenuBar()->IsChecked(cmd::kViewToolBar));
    Frame().ProcessCommand(cmd::kViewToolBar);
    Pump(50ms);
    Frame().DoMenuUpdates();
    EXPECT_FALSE(Frame().GetMenuBar()->IsChecked(cmd::kViewToolBar));
    EXPECT_FALSE(Frame().IsToolBarShown());
    EXPECT_FALSE(ToolBar()->IsShown());
    // No empty strip: the dialog bar's band moves to where the tool bar began, and the view,
    // below the band area, does not lose height (the picture below it shares what is freed).
    EXPECT_TRUE(DialogBar()->IsShown());
    EXPECT_EQ(DialogBar()->GetPosition().x, toolsBefore.x);
    EXPECT_LE(view->GetRect().GetTop(), viewBefore.GetTop());
    EXPECT_GE(view->GetRect().height, viewBefore.height);
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "toolbar-hidden.png");

    Frame().ProcessCommand(cmd::kViewStatusBar);
    Pump(50ms);
    Frame().DoMenuUpdates();
    EXPECT_FALSE(Frame().GetMenuBar()->IsChecked(cmd::kViewStatusBar));
    EXPECT_FALSE(Frame().GetStatusBar()->IsShown());
    EXPECT_GT(view->GetRect().GetBottom(), viewBefore.GetBottom());

    Frame().ProcessCommand(cmd::kViewToolBar);
    Frame().ProcessCommand(cmd::kViewStatusBar);
    Pump(50ms);
    Frame().DoMenuUpdates();
    EXPECT_TRUE(Frame().GetMenuBar()->IsChecked(cmd::kViewToolBar));
    EXPECT_TRUE(Frame().GetMenuBar()->IsChecked(cmd::kViewStatusBar));
    EXPECT_TRUE(ToolBar()->IsShown());
    // The same layout as before: the tool bar first in its band, the dialog bar after it.
    EXPECT_EQ(ToolBar()->GetRect(), toolsBefore);
    EXPECT_EQ(DialogBar()->GetRect(), dialogBefore);
    EXPECT_EQ(view->GetRect(), viewBefore);
}

// A band that the user moved while the tool bar was hidden stays where the user put it.
TEST_F(Frame_, ShowingTheToolBarKeepsABandMovedMeanwhile) {
    ASSERT_TRUE(Start());
    Frame().SetSize(900, 620);
    Pump(50ms);
    const int toolsWidth = ToolBar()->GetSize().x;
    Frame().ShowToolBar(false);
    Pump(50ms);
    wxAuiPaneInfo& dialog = Panes().GetPane(DialogBar());
    dialog.dock_pos = toolsWidth + 120;  // as the band's gripper would move it
    Panes().Update();
    Pump(50ms);
    const int movedTo = DialogBar()->GetPosition().x;
    Frame().ShowToolBar(true);
    Pump(50ms);
    EXPECT_EQ(Panes().GetPane(DialogBar()).dock_pos, toolsWidth + 120);
    EXPECT_EQ(DialogBar()->GetPosition().x, movedTo);
    EXPECT_LT(ToolBar()->GetRect().GetRight(), movedTo);
}

TEST_F(Frame_, PromptsInTheStatusBar) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(StatusText(0), "Ready");

    // Pointing at a button.
    Frame().ShowCommandPrompt(cmd::kOpen);
    EXPECT_EQ(StatusText(0), "Open an existing document");
    Frame().ShowCommandPrompt(wxID_NONE);
    EXPECT_EQ(StatusText(0), "Ready");

    // Highlighting menu items, then closing the menu.
    for (auto [id, prompt] : std::vector<std::pair<int, std::string>>{
             {cmd::kSaveAs, "Save the active document with a new name"},
             {cmd::kPaste, "Insert Clipboard contents"},
             {cmd::kViewStatusBar, "Show or hide the status bar"},
             {cmd::kAbout, "Display program information, version number and copyright"},
             {cmd::kUserGuide, "Open the user guide of this program"}}) {
        wxMenuEvent highlight(wxEVT_MENU_HIGHLIGHT, id);
        Frame().GetEventHandler()->ProcessEvent(highlight);
        EXPECT_EQ(StatusText(0), prompt);
    }
    wxMenuEvent close(wxEVT_MENU_CLOSE, 0, Frame().GetMenuBar()->GetMenu(0));
    Frame().GetEventHandler()->ProcessEvent(close);
    EXPECT_EQ(StatusText(0), "Ready");
}

TEST_F(Frame_, PointingAtAToolBarButtonShowsItsPrompt) {
    ASSERT_TRUE(Start());
    PointAtTool(cmd::kOpen);
    EXPECT_EQ(StatusText(0), "Open an existing document");
    wxMouseEvent leave(wxEVT_LEAVE_WINDOW);
    leave.SetEventObject(ToolBar());
    ToolBar()->GetEventHandler()->ProcessEvent(leave);
    EXPECT_EQ(StatusText(0), "Ready");
}

// A button that opens a dialog loses the pointer without hearing of it; its prompt must not stay
// in the status bar once the pointer is elsewhere.
TEST_F(Frame_, AButtonsPromptGoesWhenThePointerIsElsewhere) {
    ASSERT_TRUE(Start());
    Pump(50ms);
    wxUIActionSimulator mouse;
    const wxRect view = Frame().ViewWindow()->GetScreenRect();
    mouse.MouseMove(view.GetPosition() + wxPoint(view.width / 2, view.height / 2));
    Pump(50ms);
    PointAtTool(cmd::kOpen);
    EXPECT_EQ(StatusText(0), "Open an existing document");
    EXPECT_TRUE(PumpUntil([&] { return StatusText(0) == "Ready"; }, 3s)) << StatusText(0);
}

TEST_F(Frame_, LockIndicatorsFollowTheKeyboard) {
    ASSERT_TRUE(Start());
    Pump(50ms);
    KeyboardLocks start = ReadKeyboardLocks();
    EXPECT_EQ(StatusText(1), start.caps ? "CAP" : "");
    EXPECT_EQ(StatusText(2), start.num ? "NUM" : "");
    EXPECT_EQ(StatusText(3), start.scroll ? "SCRL" : "");

    // Caps Lock pressed through the X server's test extension.
    wxUIActionSimulator keys;
    auto toggleCaps = [&] {
        keys.KeyDown(WXK_CAPITAL);
        keys.KeyUp(WXK_CAPITAL);
    };
    toggleCaps();
    bool changed = PumpUntil([&] { return ReadKeyboardLocks().caps != start.caps; }, 5s);
    ASSERT_TRUE(changed) << "the X server did not report Caps Lock";
    Pump(50ms);
    EXPECT_EQ(StatusText(1), start.caps ? "" : "CAP");
    toggleCaps();
    PumpUntil([&] { return ReadKeyboardLocks().caps == start.caps; }, 5s);
    Pump(50ms);
    EXPECT_EQ(StatusText(1), start.caps ? "CAP" : "");
}

// The X server's default keyboard map locks nothing with Scroll Lock; the indicator still follows
// the key's presses in the window.
TEST_F(Frame_, ScrollLockIndicatorFollowsTheKeyPressedInTheWindow) {
    ASSERT_TRUE(Start());
    Pump(50ms);
    const bool start = ReadKeyboardLocks().scroll;
    wxUIActionSimulator input;
    const wxRect view = Frame().ViewWindow()->GetScreenRect();
    input.MouseMove(view.GetPosition() + wxPoint(view.width / 2, view.height / 2));
    Frame().ViewWindow()->SetFocus();
    Pump(50ms);
    auto pressScrollLock = [&] {
        input.KeyDown(WXK_SCROLL);
        input.KeyUp(WXK_SCROLL);
    };
    pressScrollLock();
    EXPECT_TRUE(PumpUntil([&] { return StatusText(3) == (start ? "" : "SCRL"); }, 5s))
        << "after one press: \"" << StatusText(3) << "\"";
    pressScrollLock();
    EXPECT_TRUE(PumpUntil([&] { return StatusText(3) == (start ? "SCRL" : ""); }, 5s))
        << "after two presses: \"" << StatusText(3) << "\"";
}

// The main window after a conversion, kept as a picture: the caption names the roll and the
// view shows the report from its start, its first line empty and its text below.
TEST_F(Frame_, ScreenshotAfterAConversion) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Frame().SetSize(900, 620);
    Pump(200ms);
    EXPECT_EQ(Caption(), "evening_waltz.bar - Rollscribe");
    EXPECT_EQ(ViewLine(0), "");
    EXPECT_EQ(ViewLine(1), " File Info : Select BAR file to convert.");
    EXPECT_EQ(ViewLine(2), " ** Reading ANN file : " + m_rolls.Path("evening_waltz.ann").string());
    CViewWindow& report = *Frame().ViewWindow();
    EXPECT_EQ(report.FirstLine(), 0u);
    const int lineHeight = report.GetCharHeight();
    const WindowImage shown = DrawnImage(&report);
    EXPECT_FALSE(shown.HasInk(0, 0, shown.width, lineHeight));
    EXPECT_TRUE(shown.HasInk(0, lineHeight, shown.width, 3 * lineHeight));

    const fs::path file = fs::path(SCREENSHOT_DIR) / "main-window.png";
    SaveWindowImage(&Frame(), file);
    EXPECT_TRUE(fs::exists(file));
    // The picture is of the whole window.
    cairo_surface_t* png = cairo_image_surface_create_from_png(file.c_str());
    EXPECT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(png), Frame().GetSize().x);
    EXPECT_EQ(cairo_image_surface_get_height(png), Frame().GetSize().y);
    cairo_surface_destroy(png);
}

// The File menu opened with the mouse, as a user opens it: the pointed-at item's prompt shows
// in the status bar, and a picture of the open menu is kept.
TEST_F(Frame_, OpenFileMenuWithTheMouse) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Frame().SetSize(900, 620);
    Frame().Raise();
    Pump(100ms);
    wxMenuBar* bar = Frame().GetMenuBar();
    GtkWidget* fileMenu = bar->GetMenu(0)->m_menu;
    wxPoint barAt = bar->GetScreenPosition();
    wxUIActionSimulator mouse;
    mouse.MouseMove(barAt.x + 18, barAt.y + bar->GetSize().y / 2);
    mouse.MouseClick();
    ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(fileMenu); }, 5s));
    // Still the note of the conversion at start.
    EXPECT_EQ(StatusText(0), "Written: " + m_rolls.Path("evening_waltz_BAR_e.mid").string());

    mouse.MouseMove(ScreenMiddleOf(bar->FindItem(cmd::kOpen)->GetMenuItem()));
    EXPECT_TRUE(PumpUntil([&] { return StatusText(0) == "Open an existing document"; }, 5s))
        << StatusText(0);
    Pump(100ms);
    SaveScreenImage(Frame().GetScreenRect(), fs::path(SCREENSHOT_DIR) / "file-menu.png");

    wxUIActionSimulator keys;
    keys.Char(WXK_ESCAPE);
    EXPECT_TRUE(PumpUntil([&] { return !gtk_widget_get_mapped(fileMenu); }, 5s));
    EXPECT_TRUE(PumpUntil([&] { return StatusText(0) == "Ready"; }, 5s)) << StatusText(0);
}

// The pointer over a grayed item shows that item's prompt too, over a separator nothing, and
// the idle text comes back when the menu closes. Save and Save As are grayed before a roll is
// converted, and so is the empty recent-file list's placeholder.
TEST_F(Frame_, PointingAtGrayedMenuItemsShowsTheirPrompts) {
    ASSERT_TRUE(Start());
    Frame().SetSize(900, 620);
    Frame().Raise();
    Pump(100ms);
    wxMenuBar* bar = Frame().GetMenuBar();
    wxMenu* file = bar->GetMenu(0);
    GtkWidget* fileMenu = file->m_menu;
    wxPoint barAt = bar->GetScreenPosition();
    wxUIActionSimulator mouse;
    mouse.MouseMove(barAt.x + 18, barAt.y + bar->GetSize().y / 2);
    mouse.MouseClick();
    ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(fileMenu); }, 5s));

    const wxMenuItemList& items = file->GetMenuItems();
    wxMenuItem* separator = items[4];
    ASSERT_TRUE(separator->IsSeparator());
    const std::vector<std::pair<wxMenuItem*, std::string>> steps = {
        {bar->FindItem(cmd::kOpen), "Open an existing document"},
        {bar->FindItem(cmd::kSave), "Save the active document"},
        {bar->FindItem(cmd::kSaveAs), "Save the active document with a new name"},
        {separator, ""},
        {bar->FindItem(cmd::kRecentFile1), "Open this document"},
        {bar->FindItem(cmd::kExit), "Quit the application; prompts to save documents"},
        {bar->FindItem(cmd::kSave), "Save the active document"},
    };
    for (const auto& [item, prompt] : steps) {
        ASSERT_NE(item, nullptr);
        wxPoint at = ScreenMiddleOf(item->GetMenuItem());
        mouse.MouseMove(at.x, at.y);
        EXPECT_TRUE(PumpUntil([&] { return StatusText(0) == prompt; }, 3s))
            << "over \"" << Utf8(item->GetItemLabel()) << "\" the pane shows \"" << StatusText(0)
            << "\"";
    }

    wxUIActionSimulator keys;
    keys.Char(WXK_ESCAPE);
    EXPECT_TRUE(PumpUntil([&] { return !gtk_widget_get_mapped(fileMenu); }, 5s));
    EXPECT_TRUE(PumpUntil([&] { return StatusText(0) == "Ready"; }, 5s)) << StatusText(0);
}

TEST_F(Frame_, ExitClosesTheWindow) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("bye")));
    Frame().ProcessCommand(cmd::kExit);
    Pump();
    EXPECT_TRUE(wxTopLevelWindows.empty());
}

// Ctrl+Q, as desktop programs have it, quits; the menu item keeps its own label.
TEST_F(Frame_, CtrlQQuits) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("bye")));
    Frame().Raise();
    const wxRect view = Frame().ViewWindow()->GetScreenRect();
    wxUIActionSimulator input;
    input.MouseMove(view.GetPosition() + wxPoint(view.width / 2, view.height / 2));
    Frame().ViewWindow()->SetFocus();
    Pump(50ms);
    input.Char('q', wxMOD_CONTROL);
    EXPECT_TRUE(PumpUntil([] { return wxTopLevelWindows.empty(); }, 5s));
}

}  // namespace

namespace {

class Layout_ : public GuiTest {
  protected:
    wxRect Report() { return Frame().ViewWindow()->GetRect(); }
    wxRect Picture() { return Frame().RollPane()->GetRect(); }
    // Drags the edge between the report and the picture by dy pixels, as a user does.
    void DragPictureEdge(int dy) {
        const int edge = (Report().GetBottom() + Picture().GetTop()) / 2;
        const wxPoint from = Frame().ClientToScreen(wxPoint(Report().width / 2, edge));
        wxUIActionSimulator mouse;
        mouse.MouseMove(from);
        Pump(50ms);
        mouse.MouseDown();
        Pump(50ms);
        for (int step = 1; step <= 4; ++step) {
            mouse.MouseMove(from + wxPoint(0, dy * step / 4));
            Pump(30ms);
        }
        mouse.MouseUp();
        Pump(100ms);
    }
};

// Size, bands, bars and the picture's share are as the user left them after a restart; the
// picture keeps its height when hidden and shown again.
TEST_F(Layout_, TheLayoutIsKeptAcrossRestarts) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("kept")));
    Frame().SetSize(1000, 760);
    Pump(100ms);
    const int pictureBefore = Picture().height;
    DragPictureEdge(-120);
    EXPECT_NEAR(Picture().height, pictureBefore + 120, 6) << "the edge did not move";
    Frame().ShowStatusBar(false);
    Frame().ShowRollBar(false);
    Frame().ShowToolBar(false);
    Pump(50ms);
    const int dragged = Picture().height;
    const wxRect report = Report();
    Frame().ShowRollPane(false);
    Pump(50ms);
    Frame().ShowRollPane(true);
    Pump(50ms);
    EXPECT_EQ(Picture().height, dragged) << "hidden and shown again";
    EXPECT_EQ(Report(), report);
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "layout-before-restart.png");
    Stop();

    ASSERT_TRUE(Start());
    Pump(100ms);
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "layout-after-restart.png");
    EXPECT_EQ(Frame().GetSize(), wxSize(1000, 760));
    EXPECT_FALSE(Frame().IsStatusBarShown());
    EXPECT_FALSE(Frame().IsRollBarShown());
    EXPECT_FALSE(Frame().IsToolBarShown());
    EXPECT_TRUE(Frame().IsRollPaneShown());
    EXPECT_NEAR(Picture().height, dragged, 1);
    EXPECT_EQ(Report(), report);
    // The tool bar, shown again, is first in its row with the dialog bar after it.
    Frame().ShowToolBar(true);
    Pump(50ms);
    EXPECT_LT(ToolBar()->GetRect().GetRight(), DialogBar()->GetPosition().x);
    const int withTools = Picture().height;
    Frame().ShowRollPane(false);
    Stop();

    ASSERT_TRUE(Start());
    Pump(100ms);
    EXPECT_FALSE(Frame().IsRollPaneShown());
    Frame().ShowRollPane(true);
    Pump(50ms);
    EXPECT_NEAR(Picture().height, withTools, 1);
}

// The picture grows and shrinks with the window, keeping its share of the height; at the least
// size the window has, the report and the picture both have room.
TEST_F(Layout_, ThePictureGrowsWithTheWindowDownToALeastSize) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("grows")));
    Frame().SetSize(1000, 700);
    Pump(100ms);
    const double share =
        static_cast<double>(Picture().height) / (Picture().height + Report().height);
    for (int height : {1000, 600, 820}) {
        Frame().SetSize(1000, height);
        Pump(100ms);
        const double now =
            static_cast<double>(Picture().height) / (Picture().height + Report().height);
        EXPECT_NEAR(now, share, 0.01) << height;
    }
    Frame().SetSize(420, 300);
    Pump(100ms);
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "layout-least.png");
    EXPECT_GE(Frame().GetSize().x, 500);
    EXPECT_GE(Report().height, 6 * Frame().ViewWindow()->GetCharHeight());
    EXPECT_GE(Picture().height, 190);
    EXPECT_LT(Report().GetBottom(), Picture().GetTop());
    EXPECT_LE(Picture().GetBottom(), Frame().GetClientSize().y);
}

// A window manager (openbox) on the tests' display for the life of the object: it maximizes
// and places windows.
class WindowManager {
  public:
    static constexpr const char* kProgram = "/usr/bin/openbox";

    WindowManager() {
        if (!fs::exists(kProgram)) return;
        m_program.emplace(std::vector<std::string>{kProgram}, std::map<std::string, std::string>{});
        // Running once it has taken the screen: it names itself on the root window.
        m_running = PumpUntil(
            [&] {
                return m_program->Wait(0ms) == std::nullopt &&
                       testing_support::RunShell("xprop -root _NET_SUPPORTING_WM_CHECK")
                               .out.find("window id") != std::string::npos;
            },
            10s);
    }
    ~WindowManager() {
        if (!m_program) return;
        m_program->Signal(SIGTERM);
        m_program->Wait(10s);
        Pump(100ms);
    }
    bool Running() const { return m_running; }

  private:
    std::optional<ChildProcess> m_program;
    bool m_running = false;
};

// The size before maximizing and the place are kept: a window started maximized goes back to
// them when it is no longer maximized, and they are what the next start has.
TEST_F(Layout_, TheSizeBeforeMaximizingAndThePlaceAreKept) {
    WindowManager manager;
    if (!manager.Running()) GTEST_SKIP() << "no window manager: openbox did not start";
    ASSERT_TRUE(Start());
    const wxPoint place(40, 30);
    Frame().SetSize(1200, 800);
    Frame().Move(place);
    EXPECT_TRUE(PumpUntil([&] { return Frame().GetPosition() == place; }, 3s));
    Pump(300ms);
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_TRUE(PumpUntil([&] { return Frame().GetSize() == wxSize(1200, 800); }, 3s))
        << Frame().GetSize().x << "x" << Frame().GetSize().y;
    EXPECT_TRUE(PumpUntil([&] { return Frame().GetPosition() == place; }, 3s))
        << Frame().GetPosition().x << "," << Frame().GetPosition().y;
    Frame().Maximize(true);
    EXPECT_TRUE(PumpUntil([&] { return Frame().IsMaximized(); }, 3s));
    Pump(300ms);
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_TRUE(PumpUntil([&] { return Frame().IsMaximized(); }, 3s)) << "started maximized";
    Pump(300ms);
    Frame().Maximize(false);
    EXPECT_TRUE(PumpUntil(
        [&] { return !Frame().IsMaximized() && Frame().GetSize() == wxSize(1200, 800); }, 3s))
        << Frame().GetSize().x << "x" << Frame().GetSize().y;
    Pump(300ms);
    EXPECT_EQ(Frame().GetSize(), wxSize(1200, 800));
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_TRUE(PumpUntil([&] { return Frame().GetSize() == wxSize(1200, 800); }, 3s))
        << Frame().GetSize().x << "x" << Frame().GetSize().y;
    EXPECT_FALSE(Frame().IsMaximized());
    EXPECT_TRUE(PumpUntil([&] { return Frame().GetPosition() == place; }, 3s))
        << Frame().GetPosition().x << "," << Frame().GetPosition().y;
}

// Another program's top-level windows on the tests' display, through the window manager (its
// client list and the window manager's state of a window), as a user's clicks would go.
class ForeignWindow {
  public:
    // The window of a process, once the window manager lists it; 0 while there is none.
    static unsigned long Of(int pid) {
        unsigned long found = 0;
        for (const unsigned long window : Property(Root(), "_NET_CLIENT_LIST", XA_WINDOW)) {
            const std::vector<unsigned long> owner = Property(window, "_NET_WM_PID", XA_CARDINAL);
            if (!owner.empty() && owner[0] == static_cast<unsigned long>(pid)) found = window;
        }
        return found;
    }
    static bool Maximized(unsigned long window) {
        const Atom vertical = XInternAtom(Xlib(), "_NET_WM_STATE_MAXIMIZED_VERT", False);
        for (const unsigned long atom : Property(window, "_NET_WM_STATE", XA_ATOM))
            if (atom == vertical) return true;
        return false;
    }
    static void Maximize(unsigned long window, bool maximize) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(Xlib(), "_NET_WM_STATE", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = maximize ? 1 : 0;
        event.xclient.data.l[1] =
            static_cast<long>(XInternAtom(Xlib(), "_NET_WM_STATE_MAXIMIZED_VERT", False));
        event.xclient.data.l[2] =
            static_cast<long>(XInternAtom(Xlib(), "_NET_WM_STATE_MAXIMIZED_HORZ", False));
        event.xclient.data.l[3] = 1;  // asked by a user's program
        XSendEvent(Xlib(), Root(), False, SubstructureRedirectMask | SubstructureNotifyMask,
                   &event);
        XFlush(Xlib());
    }
    static int Width(unsigned long window) {
        ::Window root = 0;
        int x = 0, y = 0;
        unsigned width = 0, height = 0, border = 0, depth = 0;
        if (!XGetGeometry(Xlib(), window, &root, &x, &y, &width, &height, &border, &depth))
            return 0;
        return static_cast<int>(width);
    }

  private:
    static Display* Xlib() { return gdk_x11_get_default_xdisplay(); }
    static unsigned long Root() { return DefaultRootWindow(Xlib()); }
    static std::vector<unsigned long> Property(unsigned long window, const char* name, Atom type) {
        Atom actual = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::vector<unsigned long> values;
        if (XGetWindowProperty(Xlib(), window, XInternAtom(Xlib(), name, False), 0, 1024, False,
                               type, &actual, &format, &count, &after, &data) == Success &&
            data && format == 32) {
            const auto* items = reinterpret_cast<const unsigned long*>(data);
            values.assign(items, items + count);
        }
        if (data) XFree(data);
        return values;
    }
};

// The program itself, started maximized (as a run that ended maximized left it) and then no
// longer maximized by the window manager: it goes back to the size and place kept from before,
// and keeps them for the next start.
TEST(Program, AWindowStartedMaximizedGoesBackToItsKeptSize) {
    WindowManager manager;
    if (!manager.Running()) GTEST_SKIP() << "no window manager: openbox did not start";
    testing_support::TempDir config;
    testing_support::TempDir run;
    fs::permissions(run.Path(), fs::perms::owner_all);
    const fs::path settings = config / "Quorvel_Software" / "rollscribe.conf";
    fs::create_directories(settings.parent_path());
    const std::string group = "[BAR/ANN\\ to\\ Vellum\\ file\\ converter/Window]\n";
    testing_support::WriteFile(settings,
                               group + "Width=1000\nHeight=700\nX=40\nY=30\nMaximized=1\n");
    ChildProcess program({ROLLSCRIBE_PATH}, {{"XDG_CONFIG_HOME", config.Path().string()},
                                             {"XDG_RUNTIME_DIR", run.Path().string()}});
    unsigned long window = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (!window) window = ForeignWindow::Of(program.Pid());
            return window && ForeignWindow::Maximized(window);
        },
        20s))
        << "no maximized window";
    Pump(300ms);
    ForeignWindow::Maximize(window, false);
    EXPECT_TRUE(PumpUntil(
        [&] { return !ForeignWindow::Maximized(window) && ForeignWindow::Width(window) > 900; },
        5s))
        << "not back to its size: " << ForeignWindow::Width(window);
    Pump(500ms);
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(20s), 128 + SIGTERM);
    const std::string kept = testing_support::Slurp(settings);
    for (const char* line : {"Width=1000\n", "Height=700\n", "X=40\n", "Y=30\n", "Maximized=0\n"})
        EXPECT_NE(kept.find(line), std::string::npos) << line << kept;
}

// A kept layout that no longer fits this window (damaged, or from elsewhere) is left aside.
TEST_F(Layout_, ADamagedLayoutIsLeftAside) {
    ASSERT_TRUE(Start());
    const wxRect report = Report();
    Stop();
    const fs::path settings = m_config / "Quorvel_Software" / "rollscribe.conf";
    const std::string kept = testing_support::Slurp(settings);
    const std::size_t panes = kept.find("Panes=");
    ASSERT_NE(panes, std::string::npos) << kept;
    const std::size_t end = kept.find('\n', panes);
    for (const std::string& damaged :
         {std::string("Panes=nonsense"), std::string("Panes=layout2|name=rollpicture;dir=4|"),
          kept.substr(panes, end - panes).replace(kept.find("dir=3", panes) - panes, 5, "dir=2"),
          std::string("Width=-5\nHeight=99999999")}) {
        testing_support::WriteFile(settings, kept.substr(0, panes) + damaged + kept.substr(end));
        ASSERT_TRUE(Start()) << damaged;
        Pump(50ms);
        EXPECT_EQ(Report(), report) << damaged;
        EXPECT_EQ(Panes().GetPane(CMainFrame::kRollPane).dock_direction, wxAUI_DOCK_BOTTOM);
        Stop();
    }
}

}  // namespace
