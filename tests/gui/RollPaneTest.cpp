// The roll picture, playback and the Roll menu of the desktop program.
#include <fcntl.h>
#include <gio/gio.h>
#include <gtk/gtk.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/arrstr.h>
#include <wx/clipbrd.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "GuiHarness.h"
#include "RollGenerator.h"
#include "app/AppSettings.h"
#include "audio/SoundFontLoad.h"
#include "expression/ProfileLocator.h"
#include "picture/SceneTexts.h"
#include "platform/FileFaults.h"
#include "resources/CommandIds.h"
#include "resources/MenuResource.h"
#include "roll/RollReport.h"
#include "support/MidiTrace.h"
#include "support/ShellRun.h"
#include "support/SvgReading.h"
#include "text/WxText.h"
#include "ui/CRollController.h"
#include "ui/CRollPane.h"
#include "ui/CViewWindow.h"
#include "ui/DesktopActions.h"
#include "ui/GtkFileTypeExtension.h"

namespace fs = std::filesystem;
using namespace rollscribe;
using namespace rollscribe::gui_test;
using testing_support::ReadFile;
using testing_support::Slurp;
using testing_support::WriteFile;

namespace {

// Sets an environment variable (or unsets it, for nullptr) for the life of the object.
class EnvironmentOverride {
  public:
    EnvironmentOverride(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~EnvironmentOverride() {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

  private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// A hole of a hand-made roll, in scan steps (400 to the inch, 800 to the second at the default
// tempo of 100 and sample rate of 800).
struct StepHole {
    int note;
    int start;
    int end;
};

// Writes name.bar and name.ann: an 88-note roll with the given holes and nothing else.
fs::path WriteRoll(const RollFolder& folder, const std::string& name,
                   const std::vector<StepHole>& holes, const std::string& title = "Hand Roll") {
    std::vector<std::pair<int, int>> flips;  // step, track
    for (const StepHole& h : holes) {
        flips.emplace_back(h.start, h.note - 15);
        flips.emplace_back(h.end, h.note - 15);
    }
    std::sort(flips.begin(), flips.end());
    std::string bar = "BAR";
    int last = 0;
    for (auto [step, track] : flips) {
        for (int delta = step - last;; delta >>= 7) {
            if (delta >> 7) {
                bar += static_cast<char>(0x80 | (delta & 0x7F));
            } else {
                bar += static_cast<char>(delta);
                break;
            }
        }
        bar += static_cast<char>(track);
        last = step;
    }
    WriteFile(folder.Path(name + ".bar"), bar);
    WriteFile(folder.Path(name + ".ann"), "/title: " + title + "\r\n/roll_type: 88-note\r\n");
    return folder.Path(name + ".bar");
}

// A roll generated to look like a real scan, of about size bytes, with its annotation file.
fs::path WriteGeneratedRoll(const RollFolder& folder, const std::string& name, std::size_t size) {
    rollgen::RollShape shape;
    shape.size = size;
    const rollgen::GeneratedRoll roll = rollgen::GenerateRoll(shape);
    WriteFile(folder.Path(name + ".bar"), testing_support::Bytes(roll.bar.begin(), roll.bar.end()));
    WriteFile(folder.Path(name + ".ann"), roll.ann);
    return folder.Path(name + ".bar");
}

// A roll of about a second and a half: three notes one after the other.
fs::path WriteShortRoll(const RollFolder& folder, const std::string& name) {
    return WriteRoll(folder, name, {{60, 0, 400}, {64, 400, 800}, {67, 800, 1200}});
}

class RollPane_ : public GuiTest {
  protected:
    CRollPane& Pane() { return *Frame().RollPane(); }
    CRollController& Roll() { return Frame().RollController(); }
    const RollViewport& Viewport() { return Pane().Viewport(); }

    // A command chosen from its menu: the menu is brought up to date first, as opening it does.
    void Choose(int id) {
        Frame().DoMenuUpdates();
        Frame().ProcessCommand(id);
    }
    // Play chosen, and the sound font given the time to load: the play has started or failed.
    void ChoosePlayAndWait() {
        Choose(cmd::kPlay);
        EXPECT_TRUE(PumpUntil([&] { return !Roll().IsWaitingForSoundFont(); }, 20s));
    }
    std::string MenuLabel(int id) {
        Frame().DoMenuUpdates();
        return Utf8(Frame().GetMenuBar()->FindItem(id)->GetItemLabel());
    }
    bool Checked(int id) {
        Frame().DoMenuUpdates();
        return Frame().GetMenuBar()->IsChecked(id);
    }
    // A size at which the pane is large enough to show a roll well.
    void Layout() {
        Frame().SetSize(980, 720);
        Pump(100ms);
    }
    // The pane as drawn now.
    WindowImage PaneImage() { return DrawnImage(&Pane()); }

    // Where a roll position and a note's lane are drawn in the pane, as a point of the screen;
    // a lane out of view is scrolled into it first, as its scroll bar would.
    wxPoint ScreenPointOf(double time, int note) {
        const RollScene& scene = *Pane().Scene();
        const int lane = scene.LaneOfNote(note);
        if (const RollLayout before(scene, Viewport().View());
            lane >= 0 &&
            (before.LaneTop(static_cast<std::size_t>(lane)) < before.LanesTop() ||
             before.LaneTop(static_cast<std::size_t>(lane)) + Viewport().View().laneHeight >
                 Pane().GetClientSize().y)) {
            const double middle = (before.LanesTop() + Pane().GetClientSize().y) / 2;
            const double wanted =
                Viewport().View().scrollY + before.LaneTop(static_cast<std::size_t>(lane)) - middle;
            wxScrollWinEvent scroll(wxEVT_SCROLLWIN_THUMBTRACK,
                                    std::max(0, static_cast<int>(wanted)), wxVERTICAL);
            scroll.SetEventObject(&Pane());
            Pane().GetEventHandler()->ProcessEvent(scroll);
        }
        const RollLayout layout(scene, Viewport().View());
        const double y =
            layout.LaneTop(static_cast<std::size_t>(lane)) + Viewport().View().laneHeight / 2;
        return Pane().ClientToScreen(
            wxPoint(static_cast<int>(std::lround(layout.XOfTime(time))), static_cast<int>(y)));
    }
};

TEST_F(RollPane_, EmptyBeforeARollAndAfterFileNewOrARejectedFile) {
    ASSERT_TRUE(Start());
    Layout();
    wxAuiPaneInfo& info = Panes().GetPane(CMainFrame::kRollPane);
    ASSERT_TRUE(info.IsOk());
    EXPECT_TRUE(info.IsShown());
    EXPECT_EQ(info.dock_direction, wxAUI_DOCK_BOTTOM);
    // Below the report, across the whole window.
    const wxRect report = Frame().ViewWindow()->GetScreenRect();
    const wxRect pane = Pane().GetScreenRect();
    EXPECT_GT(pane.GetTop(), report.GetBottom());
    EXPECT_EQ(Pane().GetSize().x, Frame().GetClientSize().x);
    EXPECT_LE(pane.GetLeft(), report.GetLeft());
    EXPECT_GE(pane.GetRight(), report.GetRight());
    EXPECT_EQ(Pane().Scene(), nullptr);
    const WindowImage empty = PaneImage();
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "roll-pane-empty.png");

    ASSERT_TRUE(Manager().OpenRollFile(m_rolls.AddRoll("waltz").string()));
    Pump(50ms);
    ASSERT_NE(Pane().Scene(), nullptr);
    EXPECT_GT(DifferingPixels(empty, PaneImage()), 10000u);

    Choose(cmd::kNew);
    Pump(50ms);
    EXPECT_EQ(Pane().Scene(), nullptr);
    EXPECT_EQ(DifferingPixels(empty, PaneImage()), 0u);

    // A file the load rejects converts nothing: no picture either.
    ASSERT_TRUE(Manager().OpenRollFile(m_rolls.AddRoll("waltz").string()));
    WriteFile(m_rolls.Path("notes.txt"), "not a roll");
    ASSERT_TRUE(Manager().OpenRollFile(m_rolls.Path("notes.txt").string()));
    Pump(50ms);
    EXPECT_EQ(Pane().Scene(), nullptr);
    EXPECT_EQ(DifferingPixels(empty, PaneImage()), 0u);
}

TEST_F(RollPane_, ShowsTheRollAfterAnOpen) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Layout();
    const RollScene* scene = Pane().Scene();
    ASSERT_NE(scene, nullptr);
    // The picture of the roll on show: its lanes are the places of its roll system's tracker bar.
    RollScene expected(Doc().Roll());
    expected.SetTrackerBar(LoadProfile(ChooseProfileName(Doc().Roll().m_strRollType)));
    EXPECT_EQ(scene->Lanes().size(), expected.Lanes().size());
    EXPECT_EQ(scene->AllBars().size(), expected.AllBars().size());
    EXPECT_EQ(scene->EndTime(), expected.EndTime());
    EXPECT_EQ(scene->Header().title, "Evening Waltz");
    // The whole roll in view, from its highest lane with holes down.
    EXPECT_TRUE(Viewport().ShowsWholeRoll());
    std::size_t above = 0;
    while (expected.Lanes()[expected.Lanes().size() - 1 - above].barCount == 0) ++above;
    EXPECT_DOUBLE_EQ(Viewport().View().scrollY,
                     std::min(Viewport().MaxScrollY(), above * Viewport().View().laneHeight));
    // Notes are drawn: the pane shows the picture's note colour.
    const WindowImage image = PaneImage();
    EXPECT_GT(std::count(image.pixels.begin(), image.pixels.end(), 0x1F5FA8u), 500);
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "roll-pane.png");

    // A second roll replaces the picture.
    const fs::path hand = WriteShortRoll(m_rolls, "hand");
    ASSERT_TRUE(Manager().OpenRollFile(hand.string()));
    ASSERT_NE(Pane().Scene(), nullptr);
    EXPECT_EQ(Pane().Scene()->Lanes().size(), 98u) << "an 88-note roll's tracker bar";
    EXPECT_EQ(Pane().Scene()->Header().title, "Hand Roll");
}

TEST_F(RollPane_, ViewMenuHidesAndShowsThePictureAndTheReportTakesTheSpace) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Layout();
    const wxRect report = Frame().ViewWindow()->GetRect();
    EXPECT_TRUE(Checked(cmd::kViewRollPicture));
    Choose(cmd::kViewRollPicture);
    Pump(50ms);
    EXPECT_FALSE(Checked(cmd::kViewRollPicture));
    EXPECT_FALSE(Pane().IsShown());
    EXPECT_GT(Frame().ViewWindow()->GetRect().GetBottom(), report.GetBottom());
    // The zoom has nothing to act on while the pane is hidden.
    EXPECT_FALSE(MenuEnabled(cmd::kZoomIn));
    Choose(cmd::kViewRollPicture);
    Pump(50ms);
    EXPECT_TRUE(Checked(cmd::kViewRollPicture));
    EXPECT_TRUE(Pane().IsShown());
    EXPECT_EQ(Frame().ViewWindow()->GetRect(), report);
    EXPECT_TRUE(MenuEnabled(cmd::kZoomIn));
}

TEST_F(RollPane_, ZoomsByItsKeys) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Layout();
    const double whole = Viewport().View().pixelsPerInch;
    const double middle = Viewport().View().leftTime + Viewport().VisibleTime() / 2;
    Frame().Raise();
    Pane().SetFocus();
    Pump(50ms);
    wxUIActionSimulator keys;
    // Ctrl and "=", the key that "+" shares on most keyboards, then Ctrl and "+" itself.
    keys.Char('=', wxMOD_CONTROL);
    ASSERT_TRUE(PumpUntil([&] { return Viewport().View().pixelsPerInch > whole * 1.2; }, 5s));
    EXPECT_NEAR(Viewport().View().pixelsPerInch, whole * RollViewport::kZoomStep, 1e-9);
    keys.Char('+', wxMOD_CONTROL);
    ASSERT_TRUE(PumpUntil([&] { return Viewport().View().pixelsPerInch > whole * 1.9; }, 5s));
    EXPECT_NEAR(Viewport().View().pixelsPerInch, whole * 2, 1e-9);
    // About the middle of the lanes.
    EXPECT_NEAR(Viewport().View().leftTime + Viewport().VisibleTime() / 2, middle, 1);
    EXPECT_TRUE(MenuEnabled(cmd::kZoomOut));
    EXPECT_TRUE(MenuEnabled(cmd::kZoomAll));
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "roll-pane-zoom-2x.png");
    keys.Char('-', wxMOD_CONTROL);
    ASSERT_TRUE(PumpUntil([&] { return Viewport().View().pixelsPerInch < whole * 1.9; }, 5s));
    EXPECT_NEAR(Viewport().View().pixelsPerInch, whole * RollViewport::kZoomStep, 1e-9);
    keys.Char('0', wxMOD_CONTROL);
    ASSERT_TRUE(PumpUntil([&] { return Viewport().ShowsWholeRoll(); }, 5s));
    EXPECT_FALSE(MenuEnabled(cmd::kZoomOut));
    EXPECT_FALSE(MenuEnabled(cmd::kZoomAll));
    EXPECT_TRUE(MenuEnabled(cmd::kZoomIn));
}

TEST_F(RollPane_, CtrlAndTheWheelZoomAboutThePointerAndTheWheelScrolls) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Layout();
    auto wheel = [&](int x, int rotation, bool ctrl, bool shift = false) {
        wxMouseEvent event(wxEVT_MOUSEWHEEL);
        event.SetPosition(wxPoint(x, Pane().GetClientSize().y / 2));
        event.m_wheelRotation = rotation;
        event.m_wheelDelta = 120;
        event.m_controlDown = ctrl;
        event.m_shiftDown = shift;
        event.SetEventObject(&Pane());
        Pane().GetEventHandler()->ProcessEvent(event);
    };
    const double whole = Viewport().View().pixelsPerInch;
    const int x = 300;
    const double underPointer =
        Viewport().View().leftTime + (x - RollLayout::kGutterWidth) * 1000 / whole;
    // Four steps up double the size, and the roll position under the pointer stays there.
    for (int i = 0; i < 4; ++i) wheel(x, 120, true);
    const RollView& view = Viewport().View();
    EXPECT_NEAR(view.pixelsPerInch, whole * 2, 1e-6);
    EXPECT_NEAR(view.leftTime + (x - RollLayout::kGutterWidth) * 1000 / view.pixelsPerInch,
                underPointer, 1e-6);
    const ScrollBarState bar = Viewport().HorizontalBar();
    EXPECT_EQ(Pane().GetScrollRange(wxHORIZONTAL), bar.range);
    EXPECT_EQ(Pane().GetScrollThumb(wxHORIZONTAL), bar.thumb);
    EXPECT_EQ(Pane().GetScrollPos(wxHORIZONTAL), bar.position);
    // Steps down: never below the whole roll.
    for (int i = 0; i < 12; ++i) wheel(x, -120, true);
    EXPECT_TRUE(Viewport().ShowsWholeRoll());
    // Without Ctrl, with the lanes all in view (short enough), the wheel moves along the roll.
    Frame().SetSize(980, 1000);
    Pump(100ms);
    while (Viewport().MaxScrollY() > 0 && Viewport().CanMakeLanesShorter())
        Choose(cmd::kShorterLanes);
    ASSERT_LE(Viewport().MaxScrollY(), 0);
    for (int i = 0; i < 6; ++i) wheel(x, 120, true);
    const double left = Viewport().View().leftTime;
    wheel(x, -120, false);
    EXPECT_GT(Viewport().View().leftTime, left);
    wheel(x, 120, false, true);
    EXPECT_NEAR(Viewport().View().leftTime, left, 1e-6);
    EXPECT_EQ(Pane().GetScrollPos(wxHORIZONTAL), Viewport().HorizontalBar().position);
}

// With the expression shown, every window size from the least up shows the strip and at least
// eight lanes, and the wheel scrolls the lanes in view.
TEST_F(RollPane_, WithTheExpressionEightLanesShowAtEverySize) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Choose(cmd::kExpression);
    ASSERT_NE(Pane().Scene(), nullptr);
    ASSERT_NE(Pane().Scene()->Expression(), nullptr);
    for (const wxSize& size : {wxSize(978, 695), wxSize(700, 520), wxSize(562, 410)}) {
        Frame().SetSize(size);
        Pump(100ms);
        SaveWindowImage(
            &Frame(), fs::path(SCREENSHOT_DIR) / ("expression-" + std::to_string(size.x) + ".png"));
        const RollView& view = Viewport().View();
        const RollLayout layout(*Pane().Scene(), view);
        EXPECT_GT(layout.ExpressionHeight(), 0) << size.x;
        const double lanes = (Pane().GetClientSize().y - layout.LanesTop()) / view.laneHeight;
        EXPECT_GE(lanes, 8) << size.x << "x" << size.y;
    }
    const WindowImage before = PaneImage();
    wxMouseEvent event(wxEVT_MOUSEWHEEL);
    event.SetPosition(wxPoint(300, Pane().GetClientSize().y - 10));
    event.m_wheelRotation = -120;
    event.m_wheelDelta = 120;
    event.SetEventObject(&Pane());
    Pane().GetEventHandler()->ProcessEvent(event);
    Pump(50ms);
    EXPECT_GT(Viewport().View().scrollY, 0);
    EXPECT_EQ(Pane().GetScrollPos(wxVERTICAL), Viewport().VerticalBar().position);
    EXPECT_GT(DifferingPixels(before, PaneImage()), 100u) << "the lanes did not move";
}

TEST_F(RollPane_, ThePointerOverAHoleShowsItInTheStatusBar) {
    const fs::path roll = WriteRoll(m_rolls, "holes", {{60, 0, 800}, {72, 1600, 4000}});
    ASSERT_TRUE(Start(roll));
    Layout();
    Frame().Raise();
    Pump(50ms);
    const RollScene& scene = *Pane().Scene();
    const int lane = scene.LaneOfNote(72);
    ASSERT_GE(lane, 0);
    ASSERT_EQ(scene.Bars(lane).size(), 1u);
    const std::string expected = DescribeHole(scene, lane, scene.Bars(lane)[0]);
    EXPECT_EQ(expected.rfind("Note 72 C5: ", 0), 0u) << expected;
    // The hole from 4 inches (1,600 steps) to 10: at 7 inches.
    wxUIActionSimulator mouse;
    mouse.MouseMove(ScreenPointOf(7000, 72));
    EXPECT_TRUE(PumpUntil([&] { return StatusText(0) == expected; }, 5s)) << StatusText(0);
    // Off the holes, and out of the pane: the idle text again.
    mouse.MouseMove(ScreenPointOf(12000, 60));
    EXPECT_TRUE(PumpUntil([&] { return StatusText(0) == "Ready"; }, 5s)) << StatusText(0);
    mouse.MouseMove(ScreenPointOf(1000, 60));
    EXPECT_TRUE(PumpUntil([&] { return StatusText(0).rfind("Note 60 C4: ", 0) == 0; }, 5s))
        << StatusText(0);
    const wxRect report = Frame().ViewWindow()->GetScreenRect();
    mouse.MouseMove(report.GetPosition() + wxPoint(50, 50));
    EXPECT_TRUE(PumpUntil([&] { return StatusText(0) == "Ready"; }, 5s)) << StatusText(0);
}

// Off the holes the status bar tells the time under the pointer, over the expression strip the
// levels and the pedals; the playing position has a pane of its own, which the pointer leaves
// alone and which keeps the position after Stop.
TEST_F(RollPane_, TheStatusBarTellsThePlaceAndKeepsThePlayingPosition) {
    ASSERT_TRUE(Start(WriteRoll(m_rolls, "place", {{60, 0, 4000}, {64, 800, 4000}})));
    Choose(cmd::kExpression);
    Layout();
    Frame().Raise();
    Pump(50ms);
    ASSERT_NE(Pane().Scene()->Expression(), nullptr);
    const RollLayout layout(*Pane().Scene(), Viewport().View());
    auto shows = [&](int pane, const std::string& start) {
        return PumpUntil([&] { return StatusText(pane).rfind(start, 0) == 0; }, 5s);
    };
    wxUIActionSimulator mouse;
    const std::pair<double, std::string> places[] = {
        {layout.LevelY(64), "Bass "},
        {layout.PedalRowTop(0) + 5, "Sustain pedal up at "},
        {layout.ScaleTop() + 5, "At "},
    };
    for (const auto& [y, kind] : places) {
        const wxPoint point(static_cast<int>(layout.XOfTime(3000)), static_cast<int>(y));
        const std::string expected = Viewport().StatusTextAt(point.x, point.y).value_or("");
        EXPECT_EQ(expected.rfind(kind, 0), 0u) << expected;
        mouse.MouseMove(Pane().ClientToScreen(point));
        EXPECT_TRUE(PumpUntil([&] { return StatusText(0) == expected; }, 5s)) << StatusText(0);
    }
    EXPECT_EQ(StatusText(4), "");
    ChoosePlayAndWait();
    ASSERT_TRUE(Roll().IsPlaying());
    EXPECT_TRUE(shows(4, "Playing 0:0")) << StatusText(4);
    EXPECT_NE(StatusText(4).find(" of 0:05"), std::string::npos) << StatusText(4);
    // The pointer over a hole while it plays: both are shown.
    mouse.MouseMove(ScreenPointOf(1000, 60));
    EXPECT_TRUE(shows(0, "Note 60 C4: ")) << StatusText(0);
    EXPECT_TRUE(shows(4, "Playing ")) << StatusText(4);
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "status-playing.png");
    Choose(cmd::kPlay);
    ASSERT_FALSE(Roll().IsPlaying());
    ASSERT_TRUE(Pane().Cursor().has_value());
    EXPECT_EQ(StatusText(4), PositionText(*Pane().Scene(), *Pane().Cursor(), false));
    EXPECT_EQ(StatusText(4).rfind("Position 0:0", 0), 0u) << StatusText(4);
}

// The lanes follow the roll system's tracker bar: an 88-note roll's A2 (45) and E3 (52) lie
// seven lanes apart, from its lowest hole (16) to its highest (113) with gaps where it has none;
// taller and shorter lanes (the View menu, Ctrl+Shift and the wheel) stay chosen across
// restarts, and Lanes to Fit fits them again.
TEST_F(RollPane_, LanesFollowTheTrackerBarAndTheirHeightIsKept) {
    const fs::path roll = WriteRoll(m_rolls, "apart", {{45, 0, 800}, {52, 400, 1200}});
    ASSERT_TRUE(Start(roll));
    Frame().SetSize(978, 695);
    Pump(100ms);
    const RollScene& scene = *Pane().Scene();
    EXPECT_EQ(scene.LaneOfNote(52) - scene.LaneOfNote(45), 7);
    ASSERT_FALSE(scene.Lanes().empty());
    EXPECT_EQ(scene.Lanes().front().note, 16);
    EXPECT_EQ(scene.Lanes().back().note, 113);
    EXPECT_TRUE(scene.Lanes()[static_cast<std::size_t>(scene.LaneOfNote(17))].gap);
    EXPECT_FALSE(scene.Lanes()[static_cast<std::size_t>(scene.LaneOfNote(46))].gap);
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "lanes-978.png");
    const double fitted = Viewport().View().laneHeight;
    EXPECT_TRUE(Checked(cmd::kFittingLanes));
    EXPECT_FALSE(CommandPrompt(cmd::kTallerLanes).empty());
    Choose(cmd::kTallerLanes);
    const double taller = Viewport().View().laneHeight;
    EXPECT_GT(taller, fitted);
    EXPECT_FALSE(Checked(cmd::kFittingLanes));
    wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
    wheel.SetPosition(wxPoint(300, Pane().GetClientSize().y - 10));
    wheel.m_wheelRotation = 120;
    wheel.m_wheelDelta = 120;
    wheel.SetControlDown(true);
    wheel.SetShiftDown(true);
    wheel.SetEventObject(&Pane());
    Pane().GetEventHandler()->ProcessEvent(wheel);
    const double chosen = Viewport().View().laneHeight;
    EXPECT_GT(chosen, taller);
    Pump(100ms);  // painted before it is kept
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "lanes-taller.png");
    Frame().SetSize(562, 410);
    Pump(100ms);
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "lanes-562.png");
    Stop();
    ASSERT_TRUE(Start(roll));
    EXPECT_EQ(Viewport().View().laneHeight, chosen);
    Choose(cmd::kShorterLanes);
    EXPECT_LT(Viewport().View().laneHeight, chosen);
    Choose(cmd::kFittingLanes);
    EXPECT_TRUE(Checked(cmd::kFittingLanes));
    EXPECT_EQ(Viewport().LaneHeightChoice(), 0);
}

// After File New nothing suggests that a roll is open (the report keeps the last roll's file
// name, as it shows the document's fields): no picture, the idle text in the status bar, and the
// roll's commands grey.
TEST_F(RollPane_, AfterFileNewNothingSuggestsARollIsOpen) {
    const fs::path roll = WriteRoll(m_rolls, "holes", {{60, 0, 800}, {72, 1600, 4000}});
    ASSERT_TRUE(Start(roll));
    Layout();
    Frame().Raise();
    Pump(50ms);
    wxUIActionSimulator mouse;
    mouse.MouseMove(ScreenPointOf(7000, 72));
    ASSERT_TRUE(PumpUntil([&] { return StatusText(0).rfind("Note 72", 0) == 0; }, 5s));
    Choose(cmd::kCopyReport);
    Choose(cmd::kNew);
    Pump(100ms);
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "after-file-new.png");
    EXPECT_EQ(Caption(), "Untitled - Rollscribe");
    EXPECT_EQ(Pane().Scene(), nullptr);
    EXPECT_EQ(StatusText(0), CRollController::kNoRollNote);
    for (const int id : {cmd::kPlay, cmd::kZoomIn, cmd::kOpenMidi, cmd::kShowInFolder,
                         cmd::kExportPicture, cmd::kSaveAs})
        EXPECT_FALSE(MenuEnabled(id)) << id;
}

TEST_F(RollPane_, PlayRunsTheCursorAndReturnsToPlayAtTheEnd) {
    ASSERT_TRUE(Start(WriteShortRoll(m_rolls, "short")));
    Layout();
    Frame().Raise();
    Pump(50ms);
    EXPECT_EQ(MenuLabel(cmd::kPlay), "&Play\tSpace");
    EXPECT_TRUE(MenuEnabled(cmd::kPlay));
    // From a third into the roll, where a click put the position.
    wxUIActionSimulator mouse;
    mouse.MouseMove(ScreenPointOf(1000, 64));
    mouse.MouseClick();
    ASSERT_TRUE(PumpUntil([&] { return Pane().Cursor().has_value(); }, 5s));
    Choose(cmd::kPlay);
    EXPECT_TRUE(Roll().IsPlaying());
    EXPECT_EQ(MenuLabel(cmd::kPlay), "&Stop\tSpace");
    // The cursor moves on, and the pane repaints where it goes.
    std::vector<double> seen;
    PumpUntil(
        [&] {
            if (auto at = Pane().Cursor(); at && (seen.empty() || *at > seen.back()))
                seen.push_back(*at);
            return seen.size() >= 4;
        },
        5s);
    ASSERT_GE(seen.size(), 4u) << "the cursor did not move";
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_LE(seen.back(), Pane().Scene()->EndTime());
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "roll-pane-playing.png");
    // The end: back to Play, the cursor gone.
    EXPECT_TRUE(PumpUntil([&] { return !Roll().IsPlaying(); }, 10s));
    EXPECT_EQ(MenuLabel(cmd::kPlay), "&Play\tSpace");
    EXPECT_EQ(Pane().Cursor(), std::nullopt);
    // The next play starts from the beginning again.
    Choose(cmd::kPlay);
    ASSERT_TRUE(Roll().IsPlaying());
    ASSERT_TRUE(PumpUntil([&] { return Pane().Cursor().has_value(); }, 5s));
    EXPECT_GE(seen.front(), 950);
    EXPECT_LT(*Pane().Cursor(), 600);
    Choose(cmd::kPlay);
}

TEST_F(RollPane_, SpaceStopsAndPlaysOnFromWhereItStopped) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Layout();
    Frame().Raise();
    Pane().SetFocus();
    Pump(50ms);
    wxUIActionSimulator keys;
    keys.Char(WXK_SPACE);
    ASSERT_TRUE(PumpUntil([&] { return Roll().IsPlaying(); }, 5s)) << "Space did not play";
    ASSERT_TRUE(PumpUntil([&] { return Pane().Cursor().value_or(0) > 400; }, 5s));
    keys.Char(WXK_SPACE);
    ASSERT_TRUE(PumpUntil([&] { return !Roll().IsPlaying(); }, 5s)) << "Space did not stop";
    EXPECT_EQ(MenuLabel(cmd::kPlay), "&Play\tSpace");
    // The cursor stays where the playing stopped, and the next play goes on from there.
    const std::optional<double> stopped = Pane().Cursor();
    ASSERT_TRUE(stopped);
    Pump(200ms);
    EXPECT_EQ(Pane().Cursor(), stopped);
    Choose(cmd::kPlay);
    ASSERT_TRUE(PumpUntil([&] { return Pane().Cursor().value_or(0) > *stopped; }, 5s));
    EXPECT_LT(*Pane().Cursor(), *stopped + 3000) << "it started elsewhere";
    Choose(cmd::kPlay);
    EXPECT_FALSE(Roll().IsPlaying());
}

TEST_F(RollPane_, AClickWhilePlayingGoesOnFromThere) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Layout();
    Frame().Raise();
    Choose(cmd::kPlay);
    ASSERT_TRUE(PumpUntil([&] { return Pane().Cursor().value_or(0) > 500; }, 5s));
    const double at = Pane().Scene()->EndTime() / 2.0;
    wxUIActionSimulator mouse;
    mouse.MouseMove(ScreenPointOf(at, 60));
    mouse.MouseClick();
    ASSERT_TRUE(PumpUntil([&] { return Pane().Cursor().value_or(0) > at; }, 5s));
    EXPECT_TRUE(Roll().IsPlaying());
    EXPECT_LT(*Pane().Cursor(), at + 3000);
    Choose(cmd::kPlay);
}

TEST_F(RollPane_, AClickNeverPutsThePositionPastTheClickedPoint) {
    // A note starting where the click lands (or just after) must still play: the position the
    // player goes to is never later than the roll position under the pointer.
    ASSERT_TRUE(Start(WriteShortRoll(m_rolls, "short")));
    Layout();
    const int y = Pane().ScreenToClient(ScreenPointOf(0, 64)).y;
    for (int x = RollLayout::kGutterWidth + 1; x < RollLayout::kGutterWidth + 60; ++x) {
        const std::optional<double> time = Viewport().TimeAt(x, y);
        ASSERT_TRUE(time) << x;
        wxMouseEvent event(wxEVT_LEFT_DOWN);
        event.SetPosition(wxPoint(x, y));
        event.SetEventObject(&Pane());
        Pane().GetEventHandler()->ProcessEvent(event);
        ASSERT_TRUE(Pane().Cursor()) << x;
        EXPECT_LE(*Pane().Cursor(), *time) << "pixel " << x;
        // And no further back than the tick before the whole thousandth under the pointer.
        EXPECT_GT(*Pane().Cursor(), std::floor(*time) - RollScene::TimeOfTick(1)) << "pixel " << x;
    }
}

TEST_F(RollPane_, TheCursorKeepsInView) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Layout();
    // So large that the roll passes the pane in about a second.
    Pane().ZoomAt(60, RollLayout::kGutterWidth);
    ASSERT_DOUBLE_EQ(Viewport().View().leftTime, 0);
    Choose(cmd::kPlay);
    ASSERT_TRUE(PumpUntil([&] { return Viewport().View().leftTime > 0; }, 10s))
        << "the view did not follow the cursor";
    const double x = Viewport().XOfTime(*Pane().Cursor());
    EXPECT_GE(x, RollLayout::kGutterWidth);
    EXPECT_LE(x, Pane().GetClientSize().x);
    Choose(cmd::kPlay);
}

TEST_F(RollPane_, ANewLoadFileNewAndClosingStopThePlaying) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Choose(cmd::kPlay);
    ASSERT_TRUE(Roll().IsPlaying());
    ASSERT_TRUE(Manager().OpenRollFile(m_rolls.AddRoll("second").string()));
    EXPECT_FALSE(Roll().IsPlaying());
    EXPECT_EQ(Pane().Cursor(), std::nullopt);
    EXPECT_EQ(MenuLabel(cmd::kPlay), "&Play\tSpace");

    Choose(cmd::kPlay);
    ASSERT_TRUE(Roll().IsPlaying());
    Choose(cmd::kNew);
    EXPECT_FALSE(Roll().IsPlaying());
    EXPECT_FALSE(MenuEnabled(cmd::kPlay));

    ASSERT_TRUE(Manager().OpenRollFile(m_rolls.Path("second.bar").string()));
    Choose(cmd::kPlay);
    ASSERT_TRUE(Roll().IsPlaying());
    Frame().Close();
    Pump();
    EXPECT_TRUE(wxTopLevelWindows.empty());
}

// Without an audio output, Play says so once; everything else goes on working.
TEST_F(RollPane_, WithoutAudioOutputPlaySaysSoAndTheRestWorks) {
    EnvironmentOverride output("ROLLSCRIBE_AUDIO_OUTPUT", nullptr);
    EnvironmentOverride driver("ROLLSCRIBE_AUDIO_DRIVER", "rollscribe-no-such-driver");
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Layout();
    ExpectMessageBox box;
    wxTEST_DIALOG(ChoosePlayAndWait(), box);
    const std::string text = Utf8(*box.Text());
    EXPECT_EQ(text.rfind("Rollscribe could not play the MIDI file:\n" +
                             m_rolls.Path("evening_waltz_BAR_e.mid").string() + "\n\n",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("No audio output could be opened"), std::string::npos) << text;
    EXPECT_FALSE(Roll().IsPlaying());
    EXPECT_EQ(MenuLabel(cmd::kPlay), "&Play\tSpace");
    EXPECT_EQ(Pane().Cursor(), std::nullopt);
    // Each try says it once again, and nothing else comes up.
    ExpectMessageBox again;
    wxTEST_DIALOG(ChoosePlayAndWait(), again);
    Pump(100ms);
    Choose(cmd::kZoomIn);
    EXPECT_FALSE(Viewport().ShowsWholeRoll());
    Choose(cmd::kCopyReport);
    ASSERT_TRUE(Manager().OpenRollFile(m_rolls.AddRoll("second").string()));
    EXPECT_EQ(Caption(), "second.bar - Rollscribe");
}

// The sound font named in the settings file is the one played with, unless the environment
// names another: a font that is not there is named in the message.
TEST_F(RollPane_, TheSoundFontFromTheSettingsOrTheEnvironment) {
    EnvironmentOverride font("ROLLSCRIBE_SOUNDFONT", nullptr);
    fs::create_directories(m_config.Path() / "Quorvel_Software");
    WriteFile(m_config.Path() / "Quorvel_Software" / "rollscribe.conf",
              "[BAR/ANN\\ to\\ Vellum\\ file\\ converter/Playback]\n"
              "SoundFont=/nonexistent/settings.sf2\n");
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    ExpectMessageBox fromSettings;
    wxTEST_DIALOG(ChoosePlayAndWait(), fromSettings);
    EXPECT_NE(Utf8(*fromSettings.Text()).find("\n/nonexistent/settings.sf2\n"), std::string::npos)
        << Utf8(*fromSettings.Text());
    EXPECT_FALSE(Roll().IsPlaying());
    Stop();

    EnvironmentOverride fromEnvironment("ROLLSCRIBE_SOUNDFONT", "/nonexistent/env.sf2");
    ASSERT_TRUE(Start(m_rolls.Path("evening_waltz.bar")));
    ExpectMessageBox box;
    wxTEST_DIALOG(ChoosePlayAndWait(), box);
    EXPECT_NE(Utf8(*box.Text()).find("\n/nonexistent/env.sf2\n"), std::string::npos)
        << Utf8(*box.Text());
}

// A sound font on a slow disk: opening it waits until the test lets it go on, or fails it (and
// at the latest after 20 s, so that a program that waited for it cannot hang the tests).
class SlowSoundFont {
  public:
    SlowSoundFont() {
        s_waiting = true;
        s_error = 0;
        SetFileFaultHook(&Hook);
    }
    ~SlowSoundFont() {
        Release(0);
        PumpUntil([] { return SoundFontLoad::Running() == 0; }, 20s);
        SetFileFaultHook(nullptr);
    }
    static const char* Path() { return TEST_SOUND_FONT; }
    // Lets the open go on; error: 0, or the errno value that it fails with.
    void Release(int error) {
        s_error = error;
        s_waiting = false;
    }

  private:
    static int Hook(FileOperation operation, const char* path, std::size_t*) {
        if (operation != FileOperation::openRead || std::string_view(path) != Path()) return 0;
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (s_waiting && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(5ms);
        return s_error;
    }
    inline static std::atomic<bool> s_waiting{false};
    inline static std::atomic<int> s_error{0};
};

// While a large sound font loads, the window stays in use: it says what it waits for, the play
// can be stopped, the picture zoomed; a failed load is told in a message box, and once loaded
// the roll plays.
TEST_F(RollPane_, TheWindowStaysInUseWhileTheSoundFontLoads) {
    EnvironmentOverride fontVariable("ROLLSCRIBE_SOUNDFONT", SlowSoundFont::Path());
    SlowSoundFont font;
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Layout();
    Choose(cmd::kPlay);
    Pump(200ms);
    EXPECT_TRUE(Roll().IsWaitingForSoundFont());
    EXPECT_EQ(StatusText(0), "Loading the sound font " + std::string(font.Path()) + "...");
    EXPECT_EQ(MenuLabel(cmd::kPlay), "&Stop\tSpace");
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "sound-font-loading.png");
    Choose(cmd::kZoomIn);
    EXPECT_FALSE(Viewport().ShowsWholeRoll());
    // Stopped, it no longer waits; played again, it waits for the same load.
    Choose(cmd::kPlay);
    EXPECT_FALSE(Roll().IsPlaying());
    EXPECT_EQ(StatusText(0), "Ready");
    EXPECT_EQ(MenuLabel(cmd::kPlay), "&Play\tSpace");
    Choose(cmd::kPlay);
    EXPECT_TRUE(Roll().IsWaitingForSoundFont());
    ExpectMessageBox box;
    wxTEST_DIALOG(
        {
            font.Release(EIO);
            EXPECT_TRUE(PumpUntil([&] { return !Roll().IsWaitingForSoundFont(); }, 20s));
        },
        box);
    EXPECT_EQ(Utf8(*box.Text())
                  .rfind("Rollscribe could not play the MIDI file:\n" +
                             m_rolls.Path("evening_waltz_BAR_e.mid").string() + "\n\n" +
                             font.Path() + "\n",
                         0),
              0u)
        << Utf8(*box.Text());
    EXPECT_FALSE(Roll().IsPlaying());
    EXPECT_EQ(StatusText(0), "Ready");
    // The disk answers now: the font loads and the roll plays, the time in the status bar.
    font.Release(0);
    Choose(cmd::kPlay);
    EXPECT_TRUE(PumpUntil([&] { return StatusText(4).rfind("Playing 0:0", 0) == 0; }, 20s))
        << StatusText(4);
    EXPECT_NE(StatusText(4).find(" of 1:48"), std::string::npos) << StatusText(4);
    Choose(cmd::kPlay);
    EXPECT_EQ(StatusText(0), "Ready");
    EXPECT_EQ(StatusText(4).rfind("Position 0:0", 0), 0u) << StatusText(4);
}

// The window closes at once while the sound font loads; the load ends on its own.
TEST_F(RollPane_, TheWindowClosesWhileTheSoundFontLoads) {
    EnvironmentOverride fontVariable("ROLLSCRIBE_SOUNDFONT", SlowSoundFont::Path());
    SlowSoundFont font;
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Choose(cmd::kPlay);
    Pump(100ms);
    ASSERT_TRUE(Roll().IsWaitingForSoundFont());
    Frame().Close();
    EXPECT_TRUE(PumpUntil([] { return wxTopLevelWindows.empty(); }, 2s));
    EXPECT_EQ(SoundFontLoad::Running(), 1);
}

TEST_F(RollPane_, TheRollMenuAndItsPrompts) {
    ASSERT_TRUE(Start());
    const wxMenuBar* bar = Frame().GetMenuBar();
    ASSERT_EQ(Utf8(bar->GetMenuLabel(kRollMenuIndex)), "&Roll");
    const std::vector<std::pair<int, std::string>> items = {
        {cmd::kPlay, "Play the roll's MIDI file from the cursor, or stop playing"},
        {cmd::kMidiSoundFont, "Play the roll through the sound font, on this computer"},
        {cmd::kZoomIn, "Show the roll picture larger"},
        {cmd::kZoomOut, "Show more of the roll picture"},
        {cmd::kZoomAll, "Fit the whole roll into the roll picture"},
        {cmd::kOpenMidi, "Open the MIDI file in the desktop's program for it"},
        {cmd::kShowInFolder, "Show the folder that holds the MIDI file"},
        {cmd::kCopyReport, "Copy the report and put it on the Clipboard"},
        {cmd::kExportPicture, "Save the roll picture as a PNG, SVG or PDF file"},
        {cmd::kViewRollPicture, "Show or hide the roll picture"},
        {cmd::kViewRollBar, "Show or hide the Roll tool bar"},
    };
    for (const auto& [id, prompt] : items) {
        EXPECT_EQ(Utf8(bar->GetHelpString(id)), prompt) << id;
        wxMenuEvent highlight(wxEVT_MENU_HIGHLIGHT, id);
        Frame().GetEventHandler()->ProcessEvent(highlight);
        EXPECT_EQ(StatusText(0), prompt);
    }
    wxMenuEvent close(wxEVT_MENU_CLOSE, 0, bar->GetMenu(kRollMenuIndex));
    Frame().GetEventHandler()->ProcessEvent(close);
    EXPECT_EQ(StatusText(0), "Ready");

    // Before a roll is converted only Copy Report can act.
    for (int id : {cmd::kPlay, cmd::kZoomIn, cmd::kZoomOut, cmd::kZoomAll, cmd::kOpenMidi,
                   cmd::kShowInFolder, cmd::kExportPicture})
        EXPECT_FALSE(MenuEnabled(id)) << id;
    EXPECT_TRUE(MenuEnabled(cmd::kCopyReport));
    EXPECT_TRUE(MenuEnabled(cmd::kViewRollPicture));
    ASSERT_TRUE(Manager().OpenRollFile(m_rolls.AddRoll("waltz").string()));
    for (int id : {cmd::kPlay, cmd::kZoomIn, cmd::kOpenMidi, cmd::kShowInFolder, cmd::kCopyReport,
                   cmd::kExportPicture})
        EXPECT_TRUE(MenuEnabled(id)) << id;
    // Showing the whole roll already: nothing to zoom out to.
    EXPECT_FALSE(MenuEnabled(cmd::kZoomOut));
    EXPECT_FALSE(MenuEnabled(cmd::kZoomAll));
}

// How rolls are converted: Roll > Expression (a check item), the Roll System submenu (one
// radio group) and Output Folder, each with its prompt.
TEST_F(RollPane_, TheConversionItemsAndTheirPrompts) {
    ASSERT_TRUE(Start());
    const wxMenuBar* bar = Frame().GetMenuBar();
    struct Item {
        int id;
        wxItemKind kind;
        std::string prompt;
    };
    const std::vector<Item> items = {
        {cmd::kExpression, wxITEM_CHECK,
         "Write the expression MIDI file too, and play and show the roll as its piano would"},
        {cmd::kSystemAutomatic, wxITEM_RADIO, "Follow the roll system that the roll type names"},
        {cmd::kSystemFirst, wxITEM_RADIO,
         "Play the roll as an 88-note roll: sustain, soft pedal and accents"},
        {cmd::kSystemFirst + 4, wxITEM_RADIO, "Play the roll as a Duo-Art roll"},
        {cmd::kSystemFirst + 6, wxITEM_RADIO, "Play the roll as an Ampico B roll"},
        {cmd::kSystemFile, wxITEM_RADIO,
         "Play the roll as a roll system profile file describes it"},
        {cmd::kOutputFolder, wxITEM_NORMAL,
         "Choose the folder the MIDI file and the other outputs are written to"},
    };
    for (const Item& item : items) {
        const wxMenuItem* found = bar->FindItem(item.id);
        ASSERT_NE(found, nullptr) << item.id;
        EXPECT_EQ(found->GetKind(), item.kind) << item.id;
        wxMenuEvent highlight(wxEVT_MENU_HIGHLIGHT, item.id);
        Frame().GetEventHandler()->ProcessEvent(highlight);
        EXPECT_EQ(StatusText(0), item.prompt);
    }
    // Every system of the programs' own, in their order, between Automatic and From File.
    const wxMenu* systems = bar->FindItem(cmd::kSystemAutomatic)->GetMenu();
    std::vector<int> ids;
    for (const wxMenuItem* item : systems->GetMenuItems())
        if (!item->IsSeparator()) ids.push_back(item->GetId());
    ASSERT_EQ(ids.size(), std::size(kProfileNames) + 2);
    EXPECT_EQ(ids.front(), cmd::kSystemAutomatic);
    EXPECT_EQ(ids.back(), cmd::kSystemFile);
    EXPECT_EQ(Utf8(bar->FindItem(cmd::kSystemFile)->GetItemLabel()), "&From File...");
}

// The choice is kept across restarts; a fresh start converts as the roll type says, without
// the expression.
TEST_F(RollPane_, TheConversionChoiceIsKeptAcrossRestarts) {
    ASSERT_TRUE(Start());
    EXPECT_FALSE(Checked(cmd::kExpression));
    EXPECT_TRUE(Checked(cmd::kSystemAutomatic));
    Choose(cmd::kExpression);
    Choose(cmd::kSystemFirst + 4);
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_TRUE(Checked(cmd::kExpression));
    EXPECT_TRUE(Checked(cmd::kSystemFirst + 4));
    EXPECT_FALSE(Checked(cmd::kSystemAutomatic));
    EXPECT_EQ(Roll().Conversion().profile, "duo-art");
    // A roll opened now is converted as kept.
    ASSERT_TRUE(Manager().OpenRollFile(WriteShortRoll(m_rolls, "kept").string()));
    EXPECT_TRUE(fs::exists(m_rolls.Path("kept_BAR_e_expression.mid")));

    const fs::path profile = m_rolls.Path("my profile.json");
    // A copy of one of the programs' own profiles, as a user starts one of theirs.
    fs::copy_file(fs::path(ProfileFolder()) / "88-note.json", profile);
    wxTEST_DIALOG(Choose(cmd::kSystemFile), ChooseFile(profile));
    Choose(cmd::kExpression);
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_FALSE(Checked(cmd::kExpression));
    EXPECT_TRUE(Checked(cmd::kSystemFile));
    EXPECT_FALSE(Checked(cmd::kSystemFirst + 4));
    EXPECT_EQ(Roll().Conversion().profile, profile.string());
}

// Expression on converts the roll on show again: its expression file is written beside the
// MIDI file, played, drawn, and the status bar gives each note's velocity as the file has it;
// off, all as before. Red Welte: the treble crescendo (note 110) makes the second C5 louder.
TEST_F(RollPane_, TheExpressionIsWrittenPlayedShownAndGivesVelocities) {
    const fs::path roll = WriteRoll(
        m_rolls, "loud", {{60, 0, 800}, {72, 1600, 4000}, {110, 4400, 4440}, {72, 8000, 8800}});
    ASSERT_TRUE(Start(roll));
    Layout();
    Frame().Raise();
    const fs::path midi = m_rolls.Path("loud_BAR_e.mid");
    const fs::path expression = m_rolls.Path("loud_BAR_e_expression.mid");
    const std::string plainMidi = Slurp(midi);
    Choose(cmd::kSystemFirst + 1);
    EXPECT_FALSE(fs::exists(expression)) << "a roll system alone writes nothing";
    EXPECT_EQ(StatusText(0), "Written: " + midi.string());
    Choose(cmd::kExpression);
    ASSERT_TRUE(fs::exists(expression));
    EXPECT_EQ(StatusText(0), "Written: " + midi.string() + " and " + expression.string());
    EXPECT_EQ(Slurp(midi), plainMidi) << "the MIDI file stays as it is";
    EXPECT_EQ(Doc().PlayedMidiFile(), expression.string());
    ASSERT_NE(Pane().Scene(), nullptr);
    ASSERT_NE(Pane().Scene()->Expression(), nullptr);
    EXPECT_EQ(Pane().Scene()->Expression()->profileName, "welte-red");

    // The velocities of the two C5s as the expression file has them.
    std::vector<int> velocities;
    for (const std::string& line : testing_support::MidiTrace(Slurp(expression), "on"))
        if (line.find(" on 72 ") != std::string::npos)
            velocities.push_back(std::stoi(line.substr(line.rfind(' ') + 1)));
    ASSERT_EQ(velocities.size(), 2u);
    EXPECT_LT(velocities[0], velocities[1]);
    const RollScene& scene = *Pane().Scene();
    const int lane = scene.LaneOfNote(72);
    ASSERT_GE(lane, 0);
    wxUIActionSimulator mouse;
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string expected = DescribeHole(scene, lane, scene.Bars(lane)[i]) +
                                     ", velocity " + std::to_string(velocities[i]);
        mouse.MouseMove(ScreenPointOf(i == 0 ? 7000 : 21000, 72));
        EXPECT_TRUE(PumpUntil([&] { return StatusText(0) == expected; }, 5s)) << StatusText(0);
    }
    // A control hole is no note: no velocity.
    const int control = scene.LaneOfNote(110);
    ASSERT_GE(control, 0);
    mouse.MouseMove(ScreenPointOf(11050, 110));
    const std::string controlText = DescribeHole(scene, control, scene.Bars(control)[0]);
    EXPECT_TRUE(PumpUntil([&] { return StatusText(0) == controlText; }, 5s)) << StatusText(0);

    // Off: converted again without it, and no expression file written.
    fs::remove(expression);
    Choose(cmd::kExpression);
    EXPECT_FALSE(fs::exists(expression));
    EXPECT_EQ(Doc().PlayedMidiFile(), midi.string());
    EXPECT_EQ(Pane().Scene()->Expression(), nullptr);
    mouse.MouseMove(ScreenPointOf(7000, 72));
    EXPECT_TRUE(PumpUntil([&] { return StatusText(0).rfind("Note 72 C5: ", 0) == 0; }, 5s));
    EXPECT_EQ(StatusText(0).find("velocity"), std::string::npos) << StatusText(0);
}

// Output Folder: every output goes to the folder chosen (kept across restarts) or beside the
// roll, and the roll on show is converted again there; a folder that cannot be written to is
// named with the reason, and the roll's picture is shown all the same.
TEST_F(RollPane_, TheOutputFolderTakesTheOutputsOrSaysWhyNot) {
    const fs::path out = m_rolls.Path("out");
    const fs::path other = m_rolls.Path("other");
    fs::create_directory(out);
    fs::create_directory(other);
    const fs::path roll = WriteShortRoll(m_rolls, "aside");
    CAppSettings().SaveConversion({true, "", out.string()});
    ASSERT_TRUE(Start(roll));
    EXPECT_TRUE(fs::exists(out / "aside_BAR_e.mid"));
    EXPECT_TRUE(fs::exists(out / "aside_BAR_e_expression.mid"));
    EXPECT_FALSE(fs::exists(m_rolls.Path("aside_BAR_e.mid")));
    const std::vector<std::string> lines = ViewLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), (out / "aside_BAR_e.mid").string()),
              lines.end());

    // The box says where outputs go now; Cancel changes nothing.
    ExpectMessageBox asked(std::make_shared<wxString>(), wxID_CANCEL);
    wxTEST_DIALOG(Choose(cmd::kOutputFolder), asked);
    EXPECT_NE(Utf8(*asked.Text()).find(out.string()), std::string::npos) << Utf8(*asked.Text());
    EXPECT_EQ(Roll().Conversion().outputFolder, out.string());

    // Another folder, kept across a restart.
    wxTEST_DIALOG(Choose(cmd::kOutputFolder),
                  ExpectMessageBox(std::make_shared<wxString>(), wxID_NO), ChooseFolder(other));
    EXPECT_EQ(Doc().ConvertedMidiFile(), (other / "aside_BAR_e.mid").string());
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_EQ(Roll().Conversion().outputFolder, other.string());
    ASSERT_TRUE(Manager().OpenRollFile(roll.string()));

    // Beside the roll again: converted again there.
    wxTEST_DIALOG(Choose(cmd::kOutputFolder),
                  ExpectMessageBox(std::make_shared<wxString>(), wxID_YES));
    EXPECT_EQ(Roll().Conversion().outputFolder, "");
    EXPECT_EQ(Doc().ConvertedMidiFile(), m_rolls.Path("aside_BAR_e.mid").string());
    Stop();

    // A "folder" below a file.
    const std::string blocked = (roll / "sub").string();
    CAppSettings().SaveConversion({false, "", blocked});
    ASSERT_TRUE(Start());
    ExpectMessageBox box;
    wxTEST_DIALOG(EXPECT_FALSE(Manager().OpenRollFile(roll.string())), box);
    const std::string text = Utf8(*box.Text());
    EXPECT_NE(text.find("\n" + blocked + "/aside_BAR_e.mid\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Not a directory"), std::string::npos) << text;
    EXPECT_TRUE(Doc().ConvertedMidiFile().empty());
    ASSERT_NE(Pane().Scene(), nullptr) << "the picture is shown all the same";
    EXPECT_EQ(Pane().Scene()->AllBars().size(), 3u);
    // A roll that cannot be read in full has no picture to show.
    WriteFile(m_rolls.Path("cut.bar"), "BA");
    wxTEST_DIALOG(EXPECT_FALSE(Manager().OpenRollFile(m_rolls.Path("cut.bar").string())),
                  ExpectMessageBox());
    EXPECT_EQ(Pane().Scene(), nullptr);
}

// A doubtful roll says so over the report, as the converter warns of it (naming the file that
// looks like its annotation file), and its picture's header shows no defaults as the roll's
// texts; the report stays as it is, and a sound roll takes the bar away.
TEST_F(RollPane_, WarningsShowOverTheReportAndInTheHeader) {
    const fs::path roll = m_rolls.AddRoll("CASE");
    fs::rename(m_rolls.Path("CASE.ann"), m_rolls.Path("CASE.ANN"));
    ASSERT_TRUE(Start(roll));
    EXPECT_EQ(Utf8(Frame().WarningsShown()),
              "CASE.bar: no annotation file CASE.ann; converted with the default tempo and no "
              "texts (CASE.ANN is not read: the annotation file is CASE.ann)");
    EXPECT_TRUE(Panes().GetPane(CMainFrame::kWarningsPane).window->IsShown());
    ASSERT_NE(Pane().Scene(), nullptr);
    EXPECT_EQ(Pane().Scene()->Header().note, "no annotation file");
    const std::vector<std::string> lines = ViewLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), " Title : Roll Title Info"), lines.end());

    const fs::path folder = WriteShortRoll(m_rolls, "folder");
    fs::remove(m_rolls.Path("folder.ann"));
    fs::create_directory(m_rolls.Path("folder.ann"));
    ASSERT_TRUE(Manager().OpenRollFile(folder.string()));
    EXPECT_EQ(Utf8(Frame().WarningsShown()),
              "folder.bar: cannot read the annotation file folder.ann: Is a directory; converted "
              "with the default tempo and no texts");
    EXPECT_EQ(Pane().Scene()->Header().note, "annotation file not read");
    // The converter's other warnings show the same way: a roll cut short.
    const fs::path cut = m_rolls.AddRoll("cut");
    fs::resize_file(cut, 100);
    ASSERT_TRUE(Manager().OpenRollFile(cut.string()));
    EXPECT_EQ(
        Utf8(Frame().WarningsShown()).rfind("cut.bar: the file ends inside a record (at byte ", 0),
        0u)
        << Utf8(Frame().WarningsShown());
    // A hole the roll system's tracker bar has no place for, judged as the converter does.
    ASSERT_TRUE(Manager().OpenRollFile(
        WriteRoll(m_rolls, "wide", {{60, 0, 400}, {140, 400, 800}}).string()));
    EXPECT_EQ(Utf8(Frame().WarningsShown()),
              "wide.bar: 1 of 2 holes lies outside the roll system's tracker bar (notes 16-113)");
    // Its close button puts it away until the next roll.
    wxWindow* bar = Panes().GetPane(CMainFrame::kWarningsPane).window;
    wxCommandEvent close(wxEVT_BUTTON, wxID_CLOSE);
    close.SetEventObject(bar);
    bar->GetEventHandler()->ProcessEvent(close);
    EXPECT_EQ(Utf8(Frame().WarningsShown()), "");
    ASSERT_TRUE(Manager().OpenRollFile(cut.string()));
    EXPECT_NE(Utf8(Frame().WarningsShown()), "");

    ASSERT_TRUE(Manager().OpenRollFile(m_rolls.AddRoll("sound").string()));
    EXPECT_EQ(Utf8(Frame().WarningsShown()), "");
    EXPECT_FALSE(Panes().GetPane(CMainFrame::kWarningsPane).IsShown());
    EXPECT_EQ(Pane().Scene()->Header().note, "");
}

// An output folder kept as anything but a full path is refused with a message: the outputs go
// beside the roll, never below the folder the program was started from.
TEST_F(RollPane_, ARelativeOutputFolderIsRefused) {
    const fs::path roll = WriteShortRoll(m_rolls, "aside");
    for (const std::string folder : {"../escaped", "$HOME/x", "out"}) {
        CAppSettings().SaveConversion({false, "", folder});
        CAppSettings settings;
        EXPECT_EQ(settings.ReadConversion().outputFolder, "") << folder;
        EXPECT_EQ(settings.RefusedOutputFolder(), folder);
    }
    ExpectMessageBox box;
    wxTEST_DIALOG(ASSERT_TRUE(Start(roll)), box);
    EXPECT_NE(Utf8(*box.Text()).find("not a full path, so it is not used:\nout\n"),
              std::string::npos)
        << Utf8(*box.Text());
    EXPECT_EQ(Roll().Conversion().outputFolder, "");
    EXPECT_EQ(Doc().ConvertedMidiFile(), m_rolls.Path("aside_BAR_e.mid").string());
}

// A byte that is not UTF-8 in the settings file stays in its value, and every other value is
// read and written back as it stands.
TEST_F(RollPane_, SettingsKeepTheirBytes) {
    const fs::path file = m_config.Path() / "Quorvel_Software" / "rollscribe.conf";
    fs::create_directories(file.parent_path());
    const std::string group = "[BAR/ANN\\ to\\ Vellum\\ file\\ converter/";
    const std::string conversion = group +
                                   "Conversion]\nExpression=1\nRollSystem=/p/M\xc3\xbcsik.json\n"
                                   "OutputFolder=/o\xff\xfe\n";
    WriteFile(file, conversion + group + "Playback]\nSoundFont=/s/M\xc3\xbcsik.sf2\n");
    const ConversionChoice read = CAppSettings().ReadConversion();
    EXPECT_EQ(read.profile, "/p/M\xc3\xbcsik.json");
    EXPECT_EQ(read.outputFolder, "/o\xff\xfe");
    EXPECT_EQ(CAppSettings().SoundFont(), "/s/M\xc3\xbcsik.sf2");
    CAppSettings().SaveConversion(read);
    const std::string kept = Slurp(file);
    EXPECT_NE(kept.find(conversion), std::string::npos) << kept;
    EXPECT_NE(kept.find("SoundFont=/s/M\xc3\xbcsik.sf2\n"), std::string::npos) << kept;
}

// A profile that cannot be read is named with what is wrong; the MIDI file is written and the
// roll shown all the same, without the expression.
TEST_F(RollPane_, AProfileThatCannotBeReadIsNamedAndTheRollStillShows) {
    const fs::path roll = WriteShortRoll(m_rolls, "short");
    ASSERT_TRUE(Start(roll));
    const fs::path profile = m_rolls.Path("broken.json");
    WriteFile(profile, "{\"name\": 5}");
    wxTEST_DIALOG(Choose(cmd::kSystemFile), ChooseFile(profile));
    ExpectMessageBox box;
    wxTEST_DIALOG(Choose(cmd::kExpression), box);
    const std::string text = Utf8(*box.Text());
    EXPECT_EQ(text.rfind("Rollscribe could not write the expression file", 0), 0u) << text;
    // The file, the field and what is wrong with it.
    EXPECT_NE(text.find("\n" + profile.string() + "\nFormat: is missing."), std::string::npos)
        << text;
    EXPECT_EQ(Doc().ConvertedMidiFile(), m_rolls.Path("short_BAR_e.mid").string());
    EXPECT_EQ(Doc().PlayedMidiFile(), Doc().ConvertedMidiFile());
    ASSERT_NE(Pane().Scene(), nullptr);
    EXPECT_EQ(Pane().Scene()->Expression(), nullptr);
    EXPECT_FALSE(fs::exists(m_rolls.Path("short_BAR_e_expression.mid")));
}

// The Roll band below the tool bar: Play/Stop and the zoom, each button with its tool tip and
// prompt, enabled as its menu item is, clicked as a user clicks it; View hides and shows it.
TEST_F(RollPane_, TheRollBandPlaysAndZooms) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Layout();
    Frame().Raise();
    Pump(50ms);
    wxAuiPaneInfo& pane = Panes().GetPane(CMainFrame::kRollBarPane);
    auto* band = dynamic_cast<wxAuiToolBar*>(pane.window);
    ASSERT_NE(band, nullptr);
    EXPECT_EQ(pane.dock_direction, wxAUI_DOCK_TOP);
    EXPECT_GT(pane.dock_row, Panes().GetPane(CMainFrame::kToolBarPane).dock_row);
    EXPECT_TRUE(band->GetGripperVisible());
    EXPECT_GT(band->GetScreenPosition().y, ToolBar()->GetScreenPosition().y);
    EXPECT_LT(band->GetScreenRect().GetBottom(), Frame().ViewWindow()->GetScreenPosition().y);
    struct Button {
        int id;
        std::string tip;
        std::string prompt;
    };
    const std::vector<Button> buttons = {
        {cmd::kPlay, "Play/Stop", "Play the roll's MIDI file from the cursor, or stop playing"},
        {0, "", ""},
        {cmd::kZoomIn, "Zoom In", "Show the roll picture larger"},
        {cmd::kZoomOut, "Zoom Out", "Show more of the roll picture"},
        {cmd::kZoomAll, "Whole Roll", "Fit the whole roll into the roll picture"},
    };
    ASSERT_EQ(band->GetToolCount(), buttons.size());
    wxUIActionSimulator mouse;
    auto pointAt = [&](int id) {
        const wxRect tool = band->GetToolRect(id);
        mouse.MouseMove(band->ClientToScreen(tool.GetPosition() + wxPoint(8, 8)));
    };
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        wxAuiToolBarItem* item = band->FindToolByIndex(static_cast<int>(i));
        if (buttons[i].id == 0) {
            EXPECT_EQ(item->GetKind(), wxITEM_SEPARATOR);
            continue;
        }
        EXPECT_EQ(item->GetId(), buttons[i].id);
        EXPECT_EQ(Utf8(item->GetShortHelp()), buttons[i].tip);
        pointAt(buttons[i].id);
        EXPECT_TRUE(PumpUntil([&] { return StatusText(0) == buttons[i].prompt; }, 5s))
            << buttons[i].tip << ": " << StatusText(0);
    }
    auto enabled = [&](int id) {
        wxIdleEvent idle;
        band->ProcessWindowEvent(idle);
        return band->GetToolEnabled(id);
    };
    EXPECT_TRUE(enabled(cmd::kZoomIn));
    EXPECT_FALSE(enabled(cmd::kZoomOut));
    EXPECT_FALSE(enabled(cmd::kZoomAll));
    const double whole = Viewport().View().pixelsPerInch;
    pointAt(cmd::kZoomIn);
    Pump(50ms);
    mouse.MouseClick();
    EXPECT_TRUE(PumpUntil([&] { return Viewport().View().pixelsPerInch > whole; }, 5s));
    EXPECT_TRUE(enabled(cmd::kZoomAll));
    const WindowImage playImage = DrawnImage(band);
    pointAt(cmd::kPlay);
    Pump(50ms);
    mouse.MouseClick();
    EXPECT_TRUE(PumpUntil([&] { return Roll().IsPlaying(); }, 5s));
    // The button shows Stop while the roll plays.
    EXPECT_TRUE(PumpUntil([&] { return DifferingPixels(playImage, DrawnImage(band)) > 20; }, 5s));
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "roll-band-playing.png");
    mouse.MouseClick();
    EXPECT_TRUE(PumpUntil([&] { return !Roll().IsPlaying(); }, 5s));
    pointAt(cmd::kZoomAll);
    Pump(50ms);
    mouse.MouseClick();
    EXPECT_TRUE(PumpUntil([&] { return Viewport().ShowsWholeRoll(); }, 5s));

    const int reportTop = Frame().ViewWindow()->GetScreenPosition().y;
    EXPECT_TRUE(Checked(cmd::kViewRollBar));
    Choose(cmd::kViewRollBar);
    Pump(50ms);
    EXPECT_FALSE(Checked(cmd::kViewRollBar));
    EXPECT_FALSE(band->IsShown());
    EXPECT_LT(Frame().ViewWindow()->GetScreenPosition().y, reportTop);
    Choose(cmd::kViewRollBar);
    Pump(50ms);
    EXPECT_TRUE(band->IsShown());
    EXPECT_EQ(Frame().ViewWindow()->GetScreenPosition().y, reportTop);
}

// The Roll menu opened with the mouse, its items' prompts shown as the pointer passes them; a
// picture of it for people to look at.
TEST_F(RollPane_, RollMenuOpenedWithTheMouse) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Layout();
    Frame().Raise();
    Pump(100ms);
    wxMenuBar* bar = Frame().GetMenuBar();
    GtkWidget* rollMenu = bar->GetMenu(kRollMenuIndex)->m_menu;
    GtkWidget* title = gtk_menu_get_attach_widget(GTK_MENU(rollMenu));
    ASSERT_NE(title, nullptr);
    wxPoint at = ScreenMiddleOf(title);
    wxUIActionSimulator mouse;
    mouse.MouseMove(at.x, at.y);
    mouse.MouseClick();
    ASSERT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(rollMenu); }, 5s));
    for (auto [id, prompt] : std::vector<std::pair<int, std::string>>{
             {cmd::kExportPicture, "Save the roll picture as a PNG, SVG or PDF file"},
             {cmd::kPlay, "Play the roll's MIDI file from the cursor, or stop playing"}}) {
        wxPoint item = ScreenMiddleOf(bar->FindItem(id)->GetMenuItem());
        mouse.MouseMove(item.x, item.y);
        EXPECT_TRUE(PumpUntil([&] { return StatusText(0) == prompt; }, 5s)) << StatusText(0);
    }
    Pump(100ms);
    SaveScreenImage(Frame().GetScreenRect(), fs::path(SCREENSHOT_DIR) / "roll-menu.png");
    wxUIActionSimulator keys;
    keys.Char(WXK_ESCAPE);
    EXPECT_TRUE(PumpUntil([&] { return !gtk_widget_get_mapped(rollMenu); }, 5s));
}

TEST_F(RollPane_, CopyReportPutsTheReportOnTheClipboard) {
    const fs::path roll = m_rolls.AddRoll("evening_waltz");
    WriteFile(m_rolls.Path("evening_waltz.ann"),
              "/title: Tom & Jerry\r\n/roll_type: 88-note\r\n/composer: A\tB\r\n");
    ASSERT_TRUE(Start(roll));
    Choose(cmd::kCopyReport);
    ASSERT_TRUE(wxTheClipboard->Open());
    wxTextDataObject text;
    const bool got = wxTheClipboard->GetData(text);
    wxTheClipboard->Close();
    ASSERT_TRUE(got);
    const std::string copied = Utf8(text.GetText());
    // The report as text: its "&" and tab as written, not as the window draws them.
    EXPECT_EQ(copied, Utf8(WxText(BuildRollReport(Doc().Roll()).View())));
    EXPECT_NE(copied.find("\n Title : Tom & Jerry\n"), std::string::npos) << copied;
    EXPECT_NE(copied.find("\n Composer : A\tB\n"), std::string::npos) << copied;
    EXPECT_EQ(copied.rfind("\n File Info : ", 0), 0u);
}

// Whether a file dialog's patterns ("*.png;*.[pP]...") show a file name, as the toolkit matches.
bool PatternsShow(const wxString& patterns, const std::string& name) {
    GtkFileFilter* filter = gtk_file_filter_new();
    g_object_ref_sink(filter);
    for (const wxString& pattern : wxSplit(patterns, ';'))
        gtk_file_filter_add_pattern(filter, pattern.utf8_str());
    GtkFileFilterInfo info{};
    info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
    info.display_name = name.c_str();
    const bool shown = gtk_file_filter_filter(filter, &info);
    g_object_unref(filter);
    return shown;
}

// Answers the export dialog with a file name and a file type, as a user who picks them.
class ExportAs : public wxExpectModalBase<wxFileDialog, ExportAs> {
  public:
    // named: the names the dialog shows after each file type is chosen in turn, the type given
    // last.
    ExportAs(fs::path file, int type, std::shared_ptr<wxString> seen,
             std::shared_ptr<std::vector<std::string>> named = nullptr)
        : m_file(std::move(file)), m_type(type), m_seen(std::move(seen)), m_named(named) {}

  protected:
    int OnInvoked(wxFileDialog* dialog) const override {
        *m_seen = dialog->GetWildcard() + "|" + dialog->GetFilename();
        GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog->GetHandle());
        for (int type : {1, 2, 0, m_type}) {
            if (!m_named) break;
            dialog->SetFilterIndex(type);
            gchar* name = gtk_file_chooser_get_current_name(chooser);
            m_named->push_back(name ? name : "");
            g_free(name);
        }
        dialog->SetFilterIndex(m_type);
        // The folder, then the name typed into the dialog's field (the toolkit's own SetPath would
        // choose the first file type of the name's extension).
        wxString path = wxString::FromUTF8(m_file.string());
        gtk_file_chooser_set_current_folder(chooser, m_file.parent_path().c_str());
        gtk_file_chooser_set_current_name(chooser, m_file.filename().c_str());
        bool chosen = PumpUntil([&] { return dialog->GetPath() == path; }, 5s);
        EXPECT_TRUE(chosen) << m_file << " " << dialog->GetPath();
        return wxID_OK;
    }
    wxString GetDefaultDescription() const override { return "the export dialog"; }

  private:
    fs::path m_file;
    int m_type;
    std::shared_ptr<wxString> m_seen;
    std::shared_ptr<std::vector<std::string>> m_named;
};

// Answers a file dialog as a user does: it is on the screen while the file is chosen and goes
// when it is answered; where it was is kept.
class ChooseOnScreen : public wxExpectModalBase<wxFileDialog, ChooseOnScreen> {
  public:
    ChooseOnScreen(fs::path file, std::shared_ptr<wxRect> where)
        : m_file(std::move(file)), m_where(std::move(where)) {}

  protected:
    int OnInvoked(wxFileDialog* dialog) const override {
        dialog->Show();
        EXPECT_TRUE(PumpUntil([&] { return gtk_widget_get_mapped(dialog->GetHandle()); }, 5s));
        Pump(200ms);
        GdkRectangle extents{};
        gdk_window_get_frame_extents(gtk_widget_get_window(dialog->GetHandle()), &extents);
        *m_where = wxRect(extents.x, extents.y, extents.width, extents.height);
        const wxString path = wxString::FromUTF8(m_file.string());
        dialog->SetPath(path);
        EXPECT_TRUE(PumpUntil([&] { return dialog->GetPath() == path; }, 5s)) << m_file;
        dialog->Hide();
        return wxID_OK;
    }
    wxString GetDefaultDescription() const override { return "a file dialog"; }

  private:
    fs::path m_file;
    std::shared_ptr<wxRect> m_where;
};

// What the test sees of the window when long work starts: the first time a file operation on a
// file is made.
struct WorkStart {
    inline static FileOperation s_operation{};
    inline static std::string s_path;
    inline static std::function<void()> s_seen;

    static int Hook(FileOperation operation, const char* path, std::size_t*) {
        if (operation == s_operation && path == s_path && s_seen) std::exchange(s_seen, {})();
        return 0;
    }
};

// Converting a large roll and saving a large picture hold the window for seconds: the work starts
// once the dialog is gone from the screen, with a busy pointer and the status bar saying what
// goes on; a saved picture is confirmed in the status bar, as a copied report is.
TEST_F(RollPane_, LongWorkStartsWithTheDialogGoneAndSaysWhatGoesOn) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    Layout();
    Frame().Raise();
    Pump(100ms);
    testing_support::TempDir out;
    const fs::path second = m_rolls.AddRoll("second");
    const fs::path picture = out / "picture.png";
    struct Case {
        int command;
        FileOperation operation;
        fs::path file;
        std::string during;
        std::string after;
    };
    SetFileFaultHook(&WorkStart::Hook);
    for (const Case& c :
         {Case{cmd::kOpen, FileOperation::openRead, second, "Converting second.bar...",
               "Written: " + m_rolls.Path("second_BAR_e.mid").string()},
          Case{cmd::kExportPicture, FileOperation::create, picture,
               "Saving the picture " + picture.string() + "...",
               "Picture saved: " + picture.string()}}) {
        Pump(100ms);
        const WindowImage before = DrawnImage(&Frame());
        const wxRect frame = Frame().GetScreenRect();
        bool seen = false;
        std::string status;
        bool busy = false;
        WindowImage screen;
        WorkStart::s_operation = c.operation;
        WorkStart::s_path = c.file.string();
        WorkStart::s_seen = [&] {
            seen = true;
            status = StatusText(0);
            busy = wxIsBusy();
            screen = ScreenImage(frame);
            SaveScreenImage(frame, fs::path(SCREENSHOT_DIR) /
                                       ("work-start-" + c.file.filename().string() + ".png"));
        };
        auto where = std::make_shared<wxRect>();
        wxTEST_DIALOG(Choose(c.command), ChooseOnScreen(c.file, where));
        ASSERT_TRUE(seen) << c.during;
        EXPECT_EQ(status, c.during);
        EXPECT_TRUE(busy) << c.during;
        // Where the dialog was, the screen shows the window again (the status bar aside).
        const wxRect dialog = where->Intersect(frame);
        ASSERT_FALSE(dialog.IsEmpty()) << "the dialog was not over the window";
        std::size_t differing = 0;
        const int statusTop = Frame().GetStatusBar()->GetScreenPosition().y - frame.y;
        for (int y = dialog.y - frame.y; y < dialog.GetBottom() - frame.y && y < statusTop; ++y)
            for (int x = dialog.x - frame.x; x < dialog.GetRight() - frame.x; ++x)
                differing += screen.At(x, y) != before.At(x, y);
        EXPECT_LT(differing, static_cast<std::size_t>(dialog.width * dialog.height / 20))
            << c.during << ": the dialog's remains are still on the screen";
        EXPECT_EQ(StatusText(0), c.after);
    }
    SetFileFaultHook(nullptr);
    EXPECT_TRUE(fs::exists(picture));
    Choose(cmd::kCopyReport);
    EXPECT_EQ(StatusText(0), "Report copied to the Clipboard");
}

TEST_F(RollPane_, ExportPictureWritesEachFormat) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    testing_support::TempDir out;
    struct Case {
        std::string chosen;
        int type;
        std::string written;
        std::string start;
    };
    const mode_t old = ::umask(027);
    for (const Case& c :
         {Case{"roll.png", 0, "roll.png", "\x89PNG"}, Case{"roll.svg", 0, "roll.svg", "<?xml"},
          Case{"roll.pdf", 0, "roll.pdf", "%PDF-"}, Case{"typed", 1, "typed.svg", "<?xml"},
          Case{"print.pdf", 3, "print.pdf", "%PDF-"}, Case{"letter", 4, "letter.pdf", "%PDF-"}}) {
        auto seen = std::make_shared<wxString>();
        wxTEST_DIALOG(Choose(cmd::kExportPicture), ExportAs(out.Path() / c.chosen, c.type, seen));
        const fs::path written = out.Path() / c.written;
        ASSERT_TRUE(fs::exists(written)) << c.written;
        const testing_support::Bytes bytes = ReadFile(written);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + c.start.size()), c.start);
        EXPECT_EQ(fs::status(written).permissions(), fs::perms(0640)) << c.written;
        if (c.written.ends_with(".svg")) testing_support::ExpectWellFormedSvg(written);
        // The paged types: every page of the paper's size (the strip's is the roll's).
        if (c.type >= 3) {
            const std::string pdf(bytes.begin(), bytes.end());
            const std::string paper = c.type == 3 ? "595.276 841.89" : "612 792";
            const std::size_t box = pdf.find("/MediaBox [ 0 0 ");
            ASSERT_NE(box, std::string::npos) << c.written;
            EXPECT_EQ(pdf.substr(box + 16, paper.size() + 2), paper + " ]") << c.written;
        }
        if (c.chosen == "roll.png") {
            EXPECT_EQ(Utf8(*seen),
                      "PNG Pictures (*.png)|*.png;*.[pP][nN][gG]|SVG Pictures (*.svg)|*.svg;"
                      "*.[sS][vV][gG]|PDF Documents (*.pdf)|*.pdf;*.[pP][dD][fF]|"
                      "PDF Pages to Print, A4 (*.pdf)|*.pdf;*.[pP][dD][fF]|"
                      "PDF Pages to Print, Letter (*.pdf)|*.pdf;*.[pP][dD][fF]|"
                      "evening_waltz_BAR_e.png");
            // Each type shows its files whatever the letter case of their extension.
            const wxArrayString parts = wxSplit(*seen, '|');
            ASSERT_EQ(parts.size(), 11u);
            const char* const extensions[] = {"png", "svg", "pdf"};
            for (int type = 0; type < 3; ++type) {
                const std::string ext = extensions[type];
                std::string upper = ext, mixed = ext;
                for (char& ch : upper) ch = static_cast<char>(std::toupper(ch));
                mixed[0] = upper[0];
                const wxString& patterns = parts[2 * type + 1];
                for (const std::string& name : {"x." + ext, "x." + upper, "x." + mixed})
                    EXPECT_TRUE(PatternsShow(patterns, name)) << patterns << " " << name;
                for (const std::string& name : {"x." + ext + "x", "x" + ext, std::string("x.mid")})
                    EXPECT_FALSE(PatternsShow(patterns, name)) << patterns << " " << name;
            }
        }
    }
    ::umask(old);
    EXPECT_EQ(testing_support::ListDir(out.Path()),
              (std::vector<std::string>{"letter.pdf", "print.pdf", "roll.pdf", "roll.png",
                                        "roll.svg", "typed.svg"}));
    // The roll's own files are never written over: a name of another kind is given the
    // picture's extension, and a picture's name that leads to the roll is refused.
    const testing_support::Bytes roll = ReadFile(m_rolls.Path("evening_waltz.bar"));
    auto seen = std::make_shared<wxString>();
    wxTEST_DIALOG(Choose(cmd::kExportPicture),
                  ExportAs(m_rolls.Path("evening_waltz.bar"), 0, seen));
    EXPECT_TRUE(fs::exists(m_rolls.Path("evening_waltz.bar.png")));
    fs::create_hard_link(m_rolls.Path("evening_waltz.bar"), m_rolls.Path("link.png"));
    ExpectMessageBox refused;
    wxTEST_DIALOG(Choose(cmd::kExportPicture), ExportAs(m_rolls.Path("link.png"), 0, seen),
                  refused);
    EXPECT_EQ(Utf8(*refused.Text()),
              "Rollscribe could not export the roll picture:\n" +
                  m_rolls.Path("link.png").string() +
                  "\n\nThis is a file of the opened roll; choose another name.");
    EXPECT_EQ(ReadFile(m_rolls.Path("evening_waltz.bar")), roll);
}

// The dialog's name follows the file type chosen, and the question about replacing a file names
// the file that will be written, extension and all; No goes back to the dialog.
TEST_F(RollPane_, ExportPictureNamesTheFileItWrites) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    testing_support::TempDir out;
    auto seen = std::make_shared<wxString>();
    auto named = std::make_shared<std::vector<std::string>>();
    wxTEST_DIALOG(Choose(cmd::kExportPicture), ExportAs(out / "first", 0, seen, named));
    EXPECT_EQ(*named,
              (std::vector<std::string>{"evening_waltz_BAR_e.svg", "evening_waltz_BAR_e.pdf",
                                        "evening_waltz_BAR_e.png", "evening_waltz_BAR_e.png"}));
    const testing_support::Bytes png = ReadFile(out / "first.png");
    WriteFile(out / "kept.svg", "kept");
    struct Case {
        fs::path typed;
        int type;
        int answer;
        fs::path asked;
        std::string after;
    };
    for (const Case& c : {Case{out / "kept", 1, wxID_NO, out / "kept.svg", "kept"},
                          Case{out / "kept.svg", 0, wxID_NO, out / "kept.svg", "kept"},
                          Case{out / "kept", 1, wxID_YES, out / "kept.svg", "<?xml"}}) {
        auto question = std::make_shared<wxString>();
        if (c.answer == wxID_NO) {
            // Back in the dialog, the user gives up.
            wxTEST_DIALOG(
                Choose(cmd::kExportPicture), ExportAs(c.typed, c.type, seen),
                ExpectMessageBox(question, c.answer),
                wxExpectModal<wxFileDialog>(wxString(), wxID_CANCEL).Describe("the dialog again"));
        } else {
            wxTEST_DIALOG(Choose(cmd::kExportPicture), ExportAs(c.typed, c.type, seen),
                          ExpectMessageBox(question, c.answer));
        }
        EXPECT_EQ(Utf8(*question),
                  c.asked.string() + "\nalready exists. Do you want to replace it?");
        EXPECT_EQ(Slurp(out / "kept.svg").substr(0, c.after.size()), c.after);
    }
    // No, then another name: that one is written.
    wxTEST_DIALOG(Choose(cmd::kExportPicture), ExportAs(out / "kept", 1, seen),
                  ExpectMessageBox(std::make_shared<wxString>(), wxID_NO),
                  ExportAs(out / "other", 1, seen));
    EXPECT_EQ(Slurp(out / "other.svg").substr(0, 5), "<?xml");
    // A name of another kind keeps its own part and gets the type's extension.
    named->clear();
    wxTEST_DIALOG(Choose(cmd::kExportPicture), ExportAs(out / "notes.txt", 2, seen, named));
    EXPECT_TRUE(fs::exists(out / "notes.txt.pdf"));
    EXPECT_EQ(ReadFile(out / "first.png"), png);
}

// The extension that another file type puts in the dialog's name: one of the types', in any
// letter case, is replaced; any other name stays as typed.
TEST(NameForFileType, ReplacesATypesExtensionInAnyCase) {
    const std::vector<std::string> extensions = {".png", ".svg", ".pdf"};
    struct Case {
        std::string name;
        std::size_t type;
        std::string named;
    };
    for (const Case& c :
         {Case{"waltz.png", 1, "waltz.svg"}, Case{"Waltz.PNG", 2, "Waltz.pdf"},
          Case{"a.b.Svg", 0, "a.b.png"}, Case{"waltz.bar", 1, "waltz.bar"},
          Case{"waltz", 2, "waltz"}, Case{".png", 1, ".png"}, Case{"waltz.png", 3, "waltz.png"}}) {
        EXPECT_EQ(NameForFileType(c.name, extensions, c.type), c.named) << c.name << " " << c.type;
    }
}

// Help > User Guide opens the installed guide; where no program opens it, or it is not
// installed, a message box says where it is.
TEST_F(RollPane_, TheUserGuideOpensOrSaysWhereItIs) {
    ASSERT_TRUE(Start());
    const fs::path guide = m_rolls.Path("user-guide.md");
    WriteFile(guide, "# The guide\n");
    auto opened = std::make_shared<std::vector<std::string>>();
    bool opens = true;
    Roll().SetDesktop({[opened, &opens](const std::string& path) {
                           opened->push_back(path);
                           return opens;
                       },
                       {}});
    Roll().SetUserGuide(guide.string());
    Choose(cmd::kUserGuide);
    EXPECT_EQ(*opened, std::vector<std::string>{guide.string()});
    opens = false;
    auto text = std::make_shared<wxString>();
    wxTEST_DIALOG(Choose(cmd::kUserGuide), ExpectMessageBox(text));
    EXPECT_EQ(Utf8(*text), "Rollscribe could not open its user guide:\n" + guide.string() +
                               "\n\nThis desktop has no program set to open it; the guide is "
                               "that file.");
    Roll().SetUserGuide("");
    wxTEST_DIALOG(Choose(cmd::kUserGuide), ExpectMessageBox(text));
    EXPECT_NE(Utf8(*text).find("docs/user-guide.md"), std::string::npos) << Utf8(*text);
}

TEST_F(RollPane_, OpenMidiFileAndShowInFolderAskTheDesktopOrSayWhyNot) {
    ASSERT_TRUE(Start(m_rolls.AddRoll("evening_waltz")));
    auto opened = std::make_shared<std::vector<std::string>>();
    auto shown = std::make_shared<std::vector<std::string>>();
    bool opens = true;
    bool shows = true;
    Roll().SetDesktop({[opened, &opens](const std::string& path) {
                           opened->push_back(path);
                           return opens;
                       },
                       [shown, &shows](const std::string& path, std::function<void()> failed) {
                           shown->push_back(path);
                           if (!shows) failed();
                       }});
    const std::string midi = m_rolls.Path("evening_waltz_BAR_e.mid").string();
    Choose(cmd::kOpenMidi);
    Choose(cmd::kShowInFolder);
    EXPECT_EQ(*opened, std::vector<std::string>{midi});
    EXPECT_EQ(*shown, std::vector<std::string>{midi});
    // What could not be done, and why, in a message box.
    const std::string open = "Rollscribe could not open the MIDI file:\n" + midi + "\n\n";
    const std::string show =
        "Rollscribe could not show the MIDI file in its folder:\n" + midi + "\n\n";
    struct Case {
        int command;
        bool opens;
        bool shows;
        bool gone;
        std::string message;
    };
    for (const Case& c : {
             Case{cmd::kOpenMidi, false, true, false,
                  open + "This desktop has no program set to open MIDI files."},
             Case{cmd::kShowInFolder, true, false, false,
                  show + "This desktop has no file manager, and no program set to open folders."},
             Case{cmd::kOpenMidi, true, true, true, open + "The file is no longer there."},
             Case{cmd::kShowInFolder, true, true, true, show + "The file is no longer there."},
         }) {
        opens = c.opens;
        shows = c.shows;
        if (c.gone) fs::rename(midi, midi + ".away");
        opened->clear();
        shown->clear();
        ExpectMessageBox box;
        wxTEST_DIALOG(Choose(c.command), box);
        EXPECT_EQ(Utf8(*box.Text()), c.message);
        // A file that is gone is not handed to the desktop.
        if (c.gone) {
            EXPECT_TRUE(opened->empty() && shown->empty()) << c.message;
            fs::rename(midi + ".away", midi);
        }
    }
}

// The file manager's D-Bus interface, served by this process on the tests' own session bus.
class FakeFileManager {
  public:
    FakeFileManager() {
        m_bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        if (!m_bus) return;
        static const char* const kXml =
            "<node><interface name='org.freedesktop.FileManager1'>"
            "<method name='ShowItems'><arg type='as' direction='in'/>"
            "<arg type='s' direction='in'/></method></interface></node>";
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kXml, nullptr);
        static const GDBusInterfaceVTable vtable = {
            [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
               GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data) {
                auto* self = static_cast<FakeFileManager*>(data);
                if (g_strcmp0(method, "ShowItems") == 0) {
                    GVariantIter* uris = nullptr;
                    const gchar* startup = nullptr;
                    g_variant_get(parameters, "(as&s)", &uris, &startup);
                    const gchar* uri = nullptr;
                    while (g_variant_iter_next(uris, "&s", &uri)) self->m_uris.push_back(uri);
                    g_variant_iter_free(uris);
                }
                g_dbus_method_invocation_return_value(invocation, nullptr);
            },
            nullptr,
            nullptr,
            {}};
        m_object =
            g_dbus_connection_register_object(m_bus, "/org/freedesktop/FileManager1",
                                              node->interfaces[0], &vtable, this, nullptr, nullptr);
        g_dbus_node_info_unref(node);
        GVariant* reply = g_dbus_connection_call_sync(
            m_bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "RequestName", g_variant_new("(su)", "org.freedesktop.FileManager1", 4u),
            G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        if (reply) g_variant_unref(reply);
    }
    ~FakeFileManager() {
        if (!m_bus) return;
        Release();
        g_dbus_connection_unregister_object(m_bus, m_object);
        g_object_unref(m_bus);
    }
    bool Serving() const { return m_bus && m_object; }
    // Gives up the name: no file manager on the bus any more.
    void Release() {
        GVariant* reply = g_dbus_connection_call_sync(
            m_bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "ReleaseName", g_variant_new("(s)", "org.freedesktop.FileManager1"),
            G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        if (reply) g_variant_unref(reply);
    }
    const std::vector<std::string>& Uris() const { return m_uris; }

  private:
    GDBusConnection* m_bus = nullptr;
    guint m_object = 0;
    std::vector<std::string> m_uris;
};

TEST_F(RollPane_, ShowInFolderAsksTheFileManagerOrOpensTheFolder) {
    const std::string name = "caf\xE9 roll";
    ASSERT_TRUE(Start(m_rolls.AddRoll(name)));
    auto opened = std::make_shared<std::vector<std::string>>();
    bool opens = true;
    auto open = [opened, &opens](const std::string& path) {
        opened->push_back(path);
        return opens;
    };
    Roll().SetDesktop({open, [open](const std::string& path, std::function<void()> failed) {
                           ShowInFileManager(path, open, failed);
                       }});
    {
        FakeFileManager manager;
        ASSERT_TRUE(manager.Serving()) << "no session bus for the tests";
        Choose(cmd::kShowInFolder);
        ASSERT_TRUE(PumpUntil([&] { return !manager.Uris().empty(); }, 5s));
        gchar* uri = g_filename_to_uri(m_rolls.Path(name + "_BAR_e.mid").c_str(), nullptr, nullptr);
        EXPECT_EQ(manager.Uris(), std::vector<std::string>{uri});
        g_free(uri);
        EXPECT_TRUE(opened->empty());
    }
    // No file manager: the folder opens instead.
    Choose(cmd::kShowInFolder);
    ASSERT_TRUE(PumpUntil([&] { return !opened->empty(); }, 5s));
    EXPECT_EQ(*opened, std::vector<std::string>{m_rolls.Dir().string()});
    // Neither: a message box says so, once the bus has answered.
    opens = false;
    ExpectMessageBox box;
    wxTEST_DIALOG(
        {
            Choose(cmd::kShowInFolder);
            PumpUntil([&] { return opened->size() == 2; }, 5s);
        },
        box);
    EXPECT_NE(Utf8(*box.Text()).find("This desktop has no file manager"), std::string::npos)
        << Utf8(*box.Text());
}

TEST_F(RollPane_, TheReportIsMeasuredAlikeBeforeTheWindowShowsAndAfter) {
    // A roll named on the command line is measured before the window is first shown; resizing
    // the window does not measure it again, so that first measure must hold.
    const fs::path roll = m_rolls.AddRoll("evening_waltz");
    WriteFile(m_rolls.Path("evening_waltz.ann"),
              "/title: " + std::string(300, 'W') + "\r\n/roll_type: 88-note\r\n");
    ASSERT_TRUE(Start(roll));
    Frame().SetSize(700, 620);
    Pump(100ms);
    CViewWindow& report = *Frame().ViewWindow();
    const int atStart = report.GetScrollRange(wxHORIZONTAL);
    EXPECT_GT(atStart, report.GetClientSize().x);
    Frame().SetSize(900, 700);
    Pump(100ms);
    EXPECT_EQ(report.GetScrollRange(wxHORIZONTAL), atStart) << "the width depends on the size";
    Doc().UpdateAllViews();
    Pump(50ms);
    EXPECT_EQ(report.GetScrollRange(wxHORIZONTAL), atStart);
}

TEST_F(RollPane_, TheReportScrollsWhenLargerThanTheWindowAndStartsTopLeft) {
    const fs::path roll = m_rolls.AddRoll("evening_waltz");
    // A title wider than the small window, narrower than the screen.
    WriteFile(m_rolls.Path("evening_waltz.ann"),
              "/title: " + std::string(75, 'W') + "\r\n/roll_type: 88-note\r\n");
    ASSERT_TRUE(Start(roll));
    Frame().SetSize(700, 620);
    Pump(100ms);
    CViewWindow& report = *Frame().ViewWindow();
    const std::size_t lines = ViewLines().size();
    const int lineHeight = report.GetCharHeight();
    ASSERT_GT(static_cast<int>(lines) * lineHeight, report.GetClientSize().y);
    // Both bars, as long as the report's lines and its widest line.
    EXPECT_EQ(report.GetScrollRange(wxVERTICAL), static_cast<int>(lines));
    EXPECT_LT(report.GetScrollThumb(wxVERTICAL), static_cast<int>(lines));
    EXPECT_GT(report.GetScrollRange(wxHORIZONTAL), report.GetClientSize().x);
    EXPECT_EQ(report.FirstLine(), 0u);
    EXPECT_EQ(report.LeftColumn(), 0);
    // The report starts at the top-left corner: the first line is empty, the second starts at
    // the left edge.
    const WindowImage top = DrawnImage(&report);
    EXPECT_FALSE(top.HasInk(0, 0, top.width, lineHeight));
    EXPECT_TRUE(top.HasInk(0, lineHeight, 12, 2 * lineHeight));
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "report-scroll-bars.png");

    // Scrolled to the end: the last line shows at the bottom.
    wxScrollWinEvent end(wxEVT_SCROLLWIN_BOTTOM, 0, wxVERTICAL);
    report.GetEventHandler()->ProcessEvent(end);
    EXPECT_EQ(report.FirstLine(),
              lines - static_cast<std::size_t>(report.GetScrollThumb(wxVERTICAL)));
    EXPECT_EQ(report.GetScrollPos(wxVERTICAL), static_cast<int>(report.FirstLine()));
    // The wheel goes no further than the end either.
    wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
    wheel.m_wheelRotation = -120 * 50;
    wheel.m_wheelDelta = 120;
    report.GetEventHandler()->ProcessEvent(wheel);
    EXPECT_EQ(report.FirstLine(),
              lines - static_cast<std::size_t>(report.GetScrollThumb(wxVERTICAL)));
    // Across: the end of the long title comes into view.
    wxScrollWinEvent right(wxEVT_SCROLLWIN_BOTTOM, 0, wxHORIZONTAL);
    report.GetEventHandler()->ProcessEvent(right);
    EXPECT_EQ(report.LeftColumn(), report.GetScrollRange(wxHORIZONTAL) - report.GetClientSize().x);
    Pump(50ms);
    const WindowImage scrolled = DrawnImage(&report);
    EXPECT_GT(DifferingPixels(top, scrolled), 100u);

    // A window large enough for the whole report has no bars, and shows it from the start.
    Frame().ShowRollPane(false);
    Frame().SetSize(1280, 1000);
    Pump(100ms);
    ASSERT_GE(report.GetClientSize().x, report.GetScrollRange(wxHORIZONTAL));
    ASSERT_GE(report.GetClientSize().y, static_cast<int>(lines) * lineHeight);
    EXPECT_EQ(report.FirstLine(), 0u);
    EXPECT_EQ(report.LeftColumn(), 0);
    // A new report starts at the top-left corner again.
    Frame().SetSize(700, 620);
    report.GetEventHandler()->ProcessEvent(end);
    ASSERT_GT(report.FirstLine(), 0u);
    Choose(cmd::kNew);
    EXPECT_EQ(report.FirstLine(), 0u);
    EXPECT_EQ(report.LeftColumn(), 0);
}

// The pane of a 10 MB roll, drawn whole at every zoom from the whole roll to 4000 pixels an inch,
// in a pane made 660 pixels high as dragging its edge does; the picture is the one made from the
// loaded roll. (How long the repaints take is measured by bench/PictureBenchmarks.cpp.)
TEST_F(RollPane_, A10MegabyteRollIsDrawnAtAnyZoom) {
    const fs::path roll = WriteGeneratedRoll(m_rolls, "large", 10 * 1024 * 1024);
    ASSERT_TRUE(Start(roll));
    Frame().SetSize(1280, 1000);
    Pump(100ms);
    wxString layout = Panes().SavePerspective();
    const int at = layout.Find("dock_size(3,0,0)=");
    ASSERT_NE(at, wxNOT_FOUND) << Utf8(layout);
    const int end = layout.find('|', static_cast<size_t>(at));
    layout = layout.Left(at) + "dock_size(3,0,0)=660" + layout.Mid(static_cast<size_t>(end));
    Panes().LoadPerspective(layout);
    Pump(100ms);
    EXPECT_GE(Pane().GetSize().y, 600);
    ASSERT_NE(Pane().Scene(), nullptr);
    const RollScene scene(Doc().Roll());
    EXPECT_EQ(scene.AllBars().size(), Pane().Scene()->AllBars().size());

    for (double zoom : {0.0, 0.1, 1.0, 40.0, 400.0, 4000.0}) {
        if (zoom > 0) {
            Pane().ZoomAt(zoom / Viewport().View().pixelsPerInch, -1);
        } else {
            Pane().ZoomToFit();
        }
        Pane().ScrollToTime(Pane().Scene()->EndTime() / 2.0);
        Pump(50ms);
        const WindowImage image = PaneImage();
        // Notes in the lanes, at every zoom: the picture's note colour.
        EXPECT_GT(std::count(image.pixels.begin(), image.pixels.end(), 0x1F5FA8u), 100)
            << "at " << zoom << " pixels an inch";
    }
    SaveWindowImage(&Frame(), fs::path(SCREENSHOT_DIR) / "roll-pane-10MB.png");
}

}  // namespace
