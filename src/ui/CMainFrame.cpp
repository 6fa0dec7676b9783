#include "ui/CMainFrame.h"

#include <wx/dcclient.h>
#include <wx/display.h>
#include <wx/filehistory.h>
#include <wx/filename.h>
#include <wx/iconbndl.h>
#include <wx/infobar.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>

#include <algorithm>
#include <utility>

#include "app_icon.xpm"
#include "resources/CommandIds.h"
#include "resources/MenuResource.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "resources/ToolBarResource.h"
#include "text/WxText.h"
#include "ui/CFramePanes.h"
#include "ui/CRollController.h"
#include "ui/CRollPane.h"
#include "ui/CRollWxDocument.h"
#include "ui/CViewWindow.h"
#include "ui/GtkGrayedItemPrompts.h"
#include "ui/GtkInfoBarHeight.h"
#include "ui/GtkPaintNow.h"
#include "ui/GtkWindowDrop.h"
#include "ui/GtkWindowPlace.h"

using namespace rollscribe;

namespace {

// A band the user can neither move, float, dock elsewhere nor close: no caption, no border.
wxAuiPaneInfo FixedBand(const char* name) {
    return wxAuiPaneInfo()
        .Name(name)
        .CaptionVisible(false)
        .CloseButton(false)
        .Floatable(false)
        .Movable(false)
        .Dockable(false)
        .PaneBorder(false);
}

wxString ResourceText(unsigned id) {
    return WxAscii(LoadResourceString(id));
}

// The least sizes: the window's width, the report's lines, the picture's height (its header,
// scales and a few lanes).
constexpr int kLeastWidth = 560;
constexpr int kReportLeastLines = 6;
constexpr int kPictureLeast = 200;

// How long a note stays in the status bar.
constexpr int kNoteMilliseconds = 5000;

// The status bar's panes: the message, the indicators, the playing position.
constexpr int kStatusPanes = 5;
constexpr int kPositionPane = 4;

constexpr unsigned kIndicators[] = {res::ID_INDICATOR_CAPS, res::ID_INDICATOR_NUM,
                                    res::ID_INDICATOR_SCRL};

// A recent-file entry's label: its number as mnemonic, then the file name as a person reads it,
// with any "&" doubled (so it shows as written) and tabs made spaces (a tab would start an
// accelerator text).
wxString RecentFileLabel(size_t index, const wxString& file) {
    wxString name = WxText(PathBytes(file));
    name.Replace("&", "&&");
    name.Replace("\t", " ");
    return wxString::Format("&%zu %s", index + 1, name);
}

bool InSameRow(const wxAuiPaneInfo& a, const wxAuiPaneInfo& b) {
    return a.dock_direction == b.dock_direction && a.dock_layer == b.dock_layer &&
           a.dock_row == b.dock_row;
}

}  // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(CMainFrame, wxDocParentFrame)
    EVT_MENU(cmd::kExit, CMainFrame::OnExit)
    EVT_MENU(cmd::kViewToolBar, CMainFrame::OnViewToolBar)
    EVT_UPDATE_UI(cmd::kViewToolBar, CMainFrame::OnUpdateViewToolBar)
    EVT_MENU(cmd::kViewStatusBar, CMainFrame::OnViewStatusBar)
    EVT_UPDATE_UI(cmd::kViewStatusBar, CMainFrame::OnUpdateViewStatusBar)
    EVT_DROP_FILES(CMainFrame::OnDropFiles)
    EVT_IDLE(CMainFrame::OnIdle)
    EVT_CLOSE(CMainFrame::OnClose)
    EVT_MENU(cmd::kViewRollBar, CMainFrame::OnViewRollBar)
    EVT_UPDATE_UI(cmd::kViewRollBar, CMainFrame::OnUpdateViewRollBar)
    EVT_MENU(cmd::kViewRollPicture, CMainFrame::OnViewRollPicture)
    EVT_UPDATE_UI(cmd::kViewRollPicture, CMainFrame::OnUpdateViewRollPicture)
wxEND_EVENT_TABLE()
// clang-format on

CMainFrame::CMainFrame(wxDocManager* manager, const wxString& title)
    : wxDocParentFrame(manager, nullptr, wxID_ANY, title, wxDefaultPosition, wxSize(980, 720)) {
    wxIconBundle icons;
    icons.AddIcon(wxIcon(app_icon_xpm));
    SetIcons(icons);
    SetMenuBar(CreateMainMenuBar());
    ShowPromptsOfGrayedItems(this, GetMenuBar());
    std::vector<wxAcceleratorEntry> accelerators = MainAccelerators();
    for (const wxAcceleratorEntry& entry : ExtraAccelerators()) accelerators.push_back(entry);
    for (const wxAcceleratorEntry& entry : RollAccelerators()) accelerators.push_back(entry);
    SetAcceleratorTable(
        wxAcceleratorTable(static_cast<int>(accelerators.size()), accelerators.data()));

    m_viewWindow = new CViewWindow(this);
    m_rollPane = new CRollPane(this);
    // The report keeps a few lines, and the picture its header, scales and some lanes.
    const int reportLeast = kReportLeastLines * m_viewWindow->GetCharHeight();
    m_panes = std::make_unique<CFramePanes>(*m_viewWindow, *m_rollPane, kLeastWidth, reportLeast,
                                            kPictureLeast);
    m_panes->SetManagedWindow(this);
    // The roll pane's sash resizes it as it is dragged.
    m_panes->SetFlags(m_panes->GetFlags() | wxAUI_MGR_LIVE_RESIZE);
    // The roll pane's own share of the height sets its size, within the least heights.
    m_panes->SetDockSizeConstraint(1.0 / 3, 1.0);
    m_panes->AddPane(m_viewWindow,
                     wxAuiPaneInfo().Name(kViewPane).CenterPane().MinSize(-1, reportLeast));
    CreateBands();
    AddRollPane();
    AddWarningsPane();
    CreateStatusBarPanes();
    // A window so small that the report or the picture could not be used is not allowed: the
    // panes set the least size from the bands' height as they lay them out.
    m_panes->UpdateLayout();
    m_defaultPanes = m_panes->SavePerspective();
    // The size and place the window has when it is not maximized, to be kept.
    m_restoredSize = GetSize();
    Bind(wxEVT_SIZE, &CMainFrame::OnFrameSize, this);
    Bind(wxEVT_MOVE, [this](wxMoveEvent& event) {
        event.Skip();
        const wxSize size = GetSize();
        const wxSize least = GetMinSize();
        if (m_maximized || IsMaximized()) m_maximizedPosition = GetPosition();
        // Not while maximized, nor on the way out of it (before the size event that ends it, or
        // a move to the maximized place that the window manager reports late).
        if (IsShown() && !m_placePending && !m_restoring && !m_maximized && !IsMaximized() &&
            !IsIconized() && !IsFullScreen() && size.x >= least.x && size.y >= least.y &&
            GetPosition() != m_maximizedPosition)
            m_restoredPosition = GetPosition();
    });
    // A note in the status bar goes after a while, unless something else was shown meanwhile.
    m_noteTimer.SetOwner(this);
    Bind(
        wxEVT_TIMER,
        [this](wxTimerEvent&) {
            if (m_statusMessage == m_note) SetStatusMessage(wxEmptyString);
            m_note.clear();
        },
        m_noteTimer.GetId());
    m_roll = std::make_unique<CRollController>(static_cast<CRollHost&>(*this), *m_rollPane);

    // Every key pressed in the window passes here first.
    Bind(wxEVT_CHAR_HOOK, [](wxKeyEvent& event) {
        if (event.GetKeyCode() == WXK_SCROLL) NoteScrollLockPressed();
        event.Skip();
    });
}

CMainFrame::~CMainFrame() {
    m_roll.reset();
    m_drop.reset();
    m_panes->UnInit();
}

void CMainFrame::AddRollPane() {
    // A band below the view, as wide as the window, whose height the user drags.
    m_panes->AddPane(
        m_rollPane,
        FixedBand(kRollPane).Bottom().Layer(0).Row(0).BestSize(-1, 320).MinSize(-1, kPictureLeast));
}

void CMainFrame::AddWarningsPane() {
    // A bar right over the report, below the bands, shown only while the roll on show has
    // warnings; it counts as part of the report's height, so the window's least size holds.
    m_warnings = new wxInfoBar(this);
    m_warnings->SetShowHideEffects(wxSHOW_EFFECT_NONE, wxSHOW_EFFECT_NONE);
    m_panes->AddPane(m_warnings, FixedBand(kWarningsPane).Top().Layer(0).Row(2).Fixed().Hide());
    m_panes->SetOverView(m_warnings);
    // Its close button hides it until the next roll.
    m_warnings->Bind(wxEVT_BUTTON, [this](wxCommandEvent& event) {
        if (event.GetId() != wxID_CLOSE) return event.Skip();
        ShowWarnings(wxEmptyString);
    });
}

void CMainFrame::ShowWarnings(const wxString& text) {
    wxAuiPaneInfo& pane = m_panes->GetPane(m_warnings);
    if (text == m_warningsText && pane.IsShown() == !text.empty()) return;
    m_warningsText = text;
    if (!text.empty()) m_warnings->ShowMessage(text, wxICON_WARNING);
    pane.Show(!text.empty());
    FitWarnings();
    m_panes->UpdateLayout();
    // Its text's width is known once it has been laid out.
    if (!text.empty())
        CallAfter([this] {
            if (FitWarnings()) m_panes->UpdateLayout();
        });
}

bool CMainFrame::FitWarnings() {
    wxAuiPaneInfo& pane = m_panes->GetPane(m_warnings);
    // Not while the window is first being shown (at a width of a pixel or two).
    if (!pane.IsShown() || GetClientSize().x < kLeastWidth / 2) return false;
    // A long warning wraps: as high as its lines need at the window's width.
    const int height = InfoBarHeight(*m_warnings, GetClientSize().x);
    if (pane.min_size.y == height) return false;
    pane.BestSize(-1, height).MinSize(-1, height);
    return true;
}

wxString CMainFrame::WarningsShown() {
    return m_panes->GetPane(m_warnings).IsShown() ? m_warningsText : wxString();
}

wxAuiToolBar* CMainFrame::CreateToolBand(const std::vector<int>& commands,
                                         const std::vector<wxBitmap>& images) {
    auto* band =
        new wxAuiToolBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxAUI_TB_DEFAULT_STYLE);
    band->SetToolBitmapSize(wxSize(16, 15));
    size_t image = 0;
    for (int id : commands) {
        if (id == 0) {
            band->AddSeparator();
            continue;
        }
        wxBitmap bitmap = image < images.size() ? images[image] : wxBitmap(16, 15);
        ++image;
        band->AddTool(id, wxEmptyString, bitmap, wxNullBitmap, wxITEM_NORMAL, CommandToolTip(id),
                      CommandPrompt(id), nullptr);
    }
    band->Realize();
    // Pointing at a button shows its command's prompt in the status bar.
    band->Bind(wxEVT_MOTION, &CMainFrame::OnToolBarMotion, this);
    band->Bind(wxEVT_LEAVE_WINDOW, &CMainFrame::OnToolBarLeave, this);
    return band;
}

void CMainFrame::CreateBands() {
    m_toolBar = CreateToolBand(ToolBarCommands(), ToolBarImages());
    m_rollBar = CreateToolBand(RollBarCommands(), RollBarImages());

    auto* dialogBar =
        new wxAuiToolBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxAUI_TB_DEFAULT_STYLE);
    auto* text = new wxStaticText(dialogBar, wxID_ANY, wxEmptyString);
    text->SetLabelText(WxAscii(kDialogBarText));
    dialogBar->AddControl(text);
    dialogBar->Realize();

    // One band area along the top: the tool bar first, the dialog bar beside it, all docked for
    // good (a floating band could not always be brought back). The Roll band starts a row of its
    // own below them, where the long line of the dialog bar leaves it in sight.
    auto band = [](const char* name, int row, int position) {
        return wxAuiPaneInfo()
            .Name(name)
            .ToolbarPane()
            .Top()
            .Row(row)
            .Position(position)
            .Gripper()
            .Floatable(false)
            .LeftDockable(false)
            .RightDockable(false)
            .BottomDockable(false);
    };
    m_panes->AddPane(m_toolBar, band(kToolBarPane, 0, 0));
    m_panes->AddPane(dialogBar, band(kDialogBarPane, 0, 1));
    m_panes->AddPane(m_rollBar, band(kRollBarPane, 1, 0));
}

void CMainFrame::CreateStatusBarPanes() {
    // The message pane, the three indicators, then the playing position.
    m_statusBar = CreateStatusBar(kStatusPanes);
    wxClientDC dc(m_statusBar);
    dc.SetFont(m_statusBar->GetFont());
    int widths[kStatusPanes] = {-1, 0, 0, 0, 0};
    // Each indicator's pane fits its text with the pane's margins, the position's pane the
    // longest position; the last one also leaves room for the sizing grip drawn in the corner.
    for (int i = 0; i < 3; ++i)
        widths[i + 1] = dc.GetTextExtent(ResourceText(kIndicators[i])).x + 20;
    widths[kPositionPane] = dc.GetTextExtent("Position 8:88:88 of 8:88:88").x + 20;
    widths[kPositionPane] += m_statusBar->GetSize().y;
    m_statusBar->SetStatusWidths(kStatusPanes, widths);
    SetStatusBarPane(0);
    m_statusBar->SetStatusText(ResourceText(res::AFX_IDS_IDLEMESSAGE), 0);
    UpdateIndicators(ReadKeyboardLocks());
}

bool CMainFrame::IsToolBarShown() {
    return m_panes->GetPane(m_toolBar).IsShown();
}

bool CMainFrame::IsStatusBarShown() const {
    return m_statusBar->IsShown();
}

std::vector<CMainFrame::MovedBand> CMainFrame::CloseUpAfter(const wxAuiPaneInfo& hidden) {
    // In a row of bands a position is a distance from the row's start, which the manager keeps
    // when a band before it goes: the bands after the hidden one move back by the gap it leaves.
    std::vector<wxAuiPaneInfo*> after;
    int first = -1;
    wxAuiPaneInfoArray& panes = m_panes->GetAllPanes();
    for (size_t i = 0; i < panes.GetCount(); ++i) {
        wxAuiPaneInfo& pane = panes.Item(i);
        if (pane.window == hidden.window || !pane.IsShown() || !pane.IsToolbar() ||
            !InSameRow(pane, hidden) || pane.dock_pos <= hidden.dock_pos)
            continue;
        after.push_back(&pane);
        if (first < 0 || pane.dock_pos < first) first = pane.dock_pos;
    }
    std::vector<MovedBand> moved;
    for (wxAuiPaneInfo* pane : after) {
        int to = pane->dock_pos - (first - hidden.dock_pos);
        moved.push_back({pane->window, pane->dock_pos, to});
        pane->dock_pos = to;
    }
    return moved;
}

void CMainFrame::ShowToolBar(bool show) {
    wxAuiPaneInfo& tools = m_panes->GetPane(m_toolBar);
    if (tools.IsShown() == show) return;
    if (show) {
        for (const MovedBand& band : m_closedUpBands) {
            wxAuiPaneInfo& pane = m_panes->GetPane(band.band);
            if (pane.IsOk() && InSameRow(pane, tools) && pane.dock_pos == band.to)
                pane.dock_pos = band.from;
        }
        m_closedUpBands.clear();
    } else {
        m_closedUpBands = CloseUpAfter(tools);
    }
    tools.Show(show);
    m_panes->UpdateLayout();
}

void CMainFrame::ShowStatusBar(bool show) {
    m_statusBar->Show(show);
    // The frame lays its client area out again, and the view takes the space.
    SendSizeEvent();
}

void CMainFrame::OnFrameSize(wxSizeEvent& event) {
    event.Skip();
    // The warnings wrap anew at another width.
    if (FitWarnings()) CallAfter([this] { m_panes->UpdateLayout(); });
    if (m_restoring || IsIconized() || IsFullScreen()) return;
    if (IsMaximized()) {
        m_maximized = true;
        m_placePending = false;
        return;
    }
    // While the window first shows, the toolkit passes through sizes below the least one.
    const wxSize size = event.GetSize();
    const wxSize least = GetMinSize();
    if (size.x < least.x || size.y < least.y) return;
    if (m_maximized) {
        // No longer maximized: back to the size and place from before. A window that started
        // maximized has never had them on the screen, and a window manager gives it some other.
        m_maximized = false;
        if (size != m_restoredSize) {
            m_restoring = true;
            CallAfter([this, restored = m_restoredSize, place = m_restoredPosition] {
                m_restoring = false;
                if (IsMaximized()) return;
                SetSize(restored);
                if (place != wxDefaultPosition) MoveWindowTo(*this, place);
                m_restoredSize = restored;
                m_restoredPosition = place;
            });
            return;
        }
    }
    m_restoredSize = size;
    // Shown at its size: the window manager has placed it; now it goes where it was.
    if (m_placePending && IsShown()) {
        m_placePending = false;
        CallAfter([this] {
            if (!IsMaximized()) MoveWindowTo(*this, m_restoredPosition);
        });
    }
}

FrameLayout CMainFrame::SavedLayout() {
    FrameLayout layout;
    layout.maximized = IsMaximized();
    layout.size = m_restoredSize;
    layout.position = m_restoredPosition;
    layout.pictureShare = m_panes->PictureShare();
    layout.statusBar = IsStatusBarShown();
    layout.toolBar = IsToolBarShown();
    layout.laneHeight = m_rollPane->Viewport().LaneHeightChoice();
    // The bands are kept as they are with the tool bar shown: the bands after it back where
    // they were, so that showing it again, after a restart, finds its place.
    wxAuiPaneInfo& tools = m_panes->GetPane(m_toolBar);
    if (!layout.toolBar) {
        for (const MovedBand& band : m_closedUpBands)
            m_panes->GetPane(band.band).dock_pos = band.from;
        tools.Show(true);
    }
    layout.panes = m_panes->SavePerspective();
    if (!layout.toolBar) {
        for (const MovedBand& band : m_closedUpBands)
            m_panes->GetPane(band.band).dock_pos = band.to;
        tools.Show(false);
    }
    return layout;
}

bool CMainFrame::PanesAsDesigned() {
    // Each band along the top and docked; the view in the middle; the picture below it.
    for (const char* band : {kToolBarPane, kDialogBarPane, kRollBarPane}) {
        const wxAuiPaneInfo& pane = m_panes->GetPane(band);
        if (!pane.IsOk() || pane.IsFloating() || pane.dock_direction != wxAUI_DOCK_TOP)
            return false;
    }
    const wxAuiPaneInfo& view = m_panes->GetPane(kViewPane);
    const wxAuiPaneInfo& picture = m_panes->GetPane(kRollPane);
    return view.IsOk() && view.IsShown() && view.dock_direction == wxAUI_DOCK_CENTER &&
           picture.IsOk() && !picture.IsFloating() && picture.dock_direction == wxAUI_DOCK_BOTTOM;
}

void CMainFrame::RestoreLayout(const FrameLayout& layout) {
    if (!layout.panes.empty()) {
        // Laid out at once: the manager's parts would point into the docks it replaced.
        wxLogNull quiet;
        if (!m_panes->LoadPerspective(layout.panes, true) || !PanesAsDesigned())
            m_panes->LoadPerspective(m_defaultPanes, true);
    }
    // Warnings belong to a roll on show, never to a kept layout.
    m_panes->GetPane(m_warnings).Hide();
    m_warningsText.clear();
    m_panes->SetPictureShare(layout.pictureShare);
    m_closedUpBands.clear();
    ShowToolBar(layout.toolBar);
    ShowStatusBar(layout.statusBar);
    m_rollPane->SetLaneHeightChoice(layout.laneHeight);
    // Within the screen, and no smaller than the least size.
    const wxRect screen = wxDisplay(this).GetClientArea();
    if (layout.size.x > 0 && layout.size.y > 0) {
        const wxSize least = GetMinSize();
        SetSize(std::clamp(layout.size.x, least.x, std::max(least.x, screen.width)),
                std::clamp(layout.size.y, least.y, std::max(least.y, screen.height)));
        m_restoredSize = GetSize();
    }
    // A place on one of the screens, with a corner of the title bar's to grab.
    if (layout.position != wxDefaultPosition &&
        wxDisplay::GetFromPoint(layout.position + wxPoint(20, 10)) != wxNOT_FOUND) {
        MoveWindowTo(*this, layout.position);
        m_restoredPosition = layout.position;
        m_placePending = true;
    }
    m_panes->UpdateLayout();
    if (layout.maximized) Maximize(true);
}

void CMainFrame::Raise() {
    if (IsShown()) wxDocParentFrame::Raise();
}

void CMainFrame::DragAcceptFiles(bool accept) {
    if (accept && !m_drop) {
        m_drop = std::make_unique<CGtkWindowDrop>(*this);
    } else if (!accept) {
        m_drop.reset();
    }
}

void CMainFrame::OnExit(wxCommandEvent& event) {
    (void)event;
    Close();
}

void CMainFrame::OnViewToolBar(wxCommandEvent& event) {
    (void)event;
    ShowToolBar(!IsToolBarShown());
}

void CMainFrame::OnUpdateViewToolBar(wxUpdateUIEvent& event) {
    event.Check(IsToolBarShown());
}

void CMainFrame::OnViewStatusBar(wxCommandEvent& event) {
    (void)event;
    ShowStatusBar(!IsStatusBarShown());
}

void CMainFrame::OnUpdateViewStatusBar(wxUpdateUIEvent& event) {
    event.Check(IsStatusBarShown());
}

void CMainFrame::UpdateRecentFileMenu(const wxFileHistory& history) {
    wxMenuBar* bar = GetMenuBar();
    wxMenu* file = bar ? bar->GetMenu(kFileMenuIndex) : nullptr;
    if (!file) return;
    for (int i = 0; i < 9; ++i) {
        if (file->FindItem(cmd::kRecentFile1 + i)) file->Destroy(cmd::kRecentFile1 + i);
    }
    const wxString prompt = CommandPrompt(cmd::kRecentFile1);
    size_t count = history.GetCount();
    if (count == 0) {
        file->Insert(kRecentFileMenuPosition, cmd::kRecentFile1, WxAscii(kRecentFilePlaceholder),
                     prompt);
        file->Enable(cmd::kRecentFile1, false);
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        file->Insert(kRecentFileMenuPosition + i, cmd::kRecentFile1 + static_cast<int>(i),
                     RecentFileLabel(i, history.GetHistoryFile(i)), prompt);
    }
}

void CMainFrame::UpdateIndicators(const KeyboardLocks& locks) {
    if (m_locksShown && locks == m_locks) return;
    m_locks = locks;
    m_locksShown = true;
    const bool on[3] = {locks.caps, locks.num, locks.scroll};
    for (int i = 0; i < 3; ++i) {
        m_statusBar->SetStatusText(on[i] ? ResourceText(kIndicators[i]) : wxString(), i + 1);
    }
}

void CMainFrame::OnIdle(wxIdleEvent& event) {
    event.Skip();
    UpdateIndicators(ReadKeyboardLocks());
    // The Roll band's first button shows what it does now: play, or stop the playing.
    if (const bool playing = m_roll->IsPlaying(); playing != m_rollBarShowsStop) {
        m_rollBarShowsStop = playing;
        m_rollBar->SetToolBitmap(cmd::kPlay, playing ? RollBarStopImage() : RollBarImages()[0]);
        m_rollBar->Refresh(false);
    }
    // A dialog opened by a button takes the pointer away without the tool bar hearing that it
    // left: the button's prompt goes once the pointer is seen elsewhere.
    if (m_pointedTool != wxID_NONE &&
        !(m_pointedBand && m_pointedBand->GetScreenRect().Contains(wxGetMousePosition()))) {
        m_pointedTool = wxID_NONE;
        ShowCommandPrompt(wxID_NONE);
    }
}

wxString CMainFrame::IdleText() const {
    return m_statusMessage.empty() ? ResourceText(res::AFX_IDS_IDLEMESSAGE) : m_statusMessage;
}

void CMainFrame::DoGiveHelp(const wxString& text, bool show) {
    // A prompt shows while its item or button is pointed at; then the idle text as it is now.
    m_prompting = show;
    m_statusBar->SetStatusText(show ? text : IdleText(), 0);
}

void CMainFrame::SetStatusMessage(const wxString& text) {
    if (text == m_statusMessage) return;
    m_statusMessage = text;
    if (!m_prompting && !m_holeShown) m_statusBar->SetStatusText(IdleText(), 0);
}

void CMainFrame::ShowStatusNote(const wxString& text) {
    SetStatusMessage(text);
    m_note = text;
    m_noteTimer.StartOnce(kNoteMilliseconds);
}

void CMainFrame::PaintNow() {
    rollscribe::PaintNow(*this);
}

void CMainFrame::ShowCommandPrompt(int id) {
    if (id == wxID_NONE) {
        DoGiveHelp(wxEmptyString, false);
    } else {
        DoGiveHelp(CommandPrompt(id), true);
    }
}

void CMainFrame::OnToolBarMotion(wxMouseEvent& event) {
    event.Skip();
    auto* band = dynamic_cast<wxAuiToolBar*>(event.GetEventObject());
    wxAuiToolBarItem* item = band ? band->FindToolByPosition(event.GetX(), event.GetY()) : nullptr;
    int id = item && item->GetKind() != wxITEM_SEPARATOR ? item->GetId() : wxID_NONE;
    if (id == m_pointedTool) return;
    m_pointedTool = id;
    m_pointedBand = band;
    ShowCommandPrompt(id);
}

void CMainFrame::OnToolBarLeave(wxMouseEvent& event) {
    event.Skip();
    if (m_pointedTool == wxID_NONE) return;
    m_pointedTool = wxID_NONE;
    ShowCommandPrompt(wxID_NONE);
}

void CMainFrame::OnDropFiles(wxDropFilesEvent& event) {
    wxDocManager* manager = GetDocumentManager();
    if (!manager) return;
    Raise();
    // Each file opens as File Open would open it, in the order given: the document manager opens
    // a named file into the one document.
    for (int i = 0; i < event.GetNumberOfFiles(); ++i) manager->CreateDocument(event.GetFiles()[i]);
}

bool CMainFrame::TryBefore(wxEvent& event) {
    // The document manager first, as the toolkit has it; then the roll controller, for the Roll
    // menu's commands and the document's events; then the frame's own handlers.
    return wxDocParentFrame::TryBefore(event) ||
           (m_roll && event.IsCommandEvent() && m_roll->ProcessEventLocally(event));
}

void CMainFrame::OnClose(wxCloseEvent& event) {
    // The sound stops before the window goes.
    m_roll->StopPlayback();
    event.Skip();
}

bool CMainFrame::IsRollPaneShown() {
    return m_panes->GetPane(m_rollPane).IsShown();
}

void CMainFrame::ShowRollPane(bool show) {
    wxAuiPaneInfo& pane = m_panes->GetPane(m_rollPane);
    if (pane.IsShown() == show) return;
    pane.Show(show);
    m_panes->UpdateLayout();
}

bool CMainFrame::IsRollBarShown() {
    return m_panes->GetPane(m_rollBar).IsShown();
}

void CMainFrame::ShowRollBar(bool show) {
    wxAuiPaneInfo& pane = m_panes->GetPane(m_rollBar);
    if (pane.IsShown() == show) return;
    pane.Show(show);
    m_panes->UpdateLayout();
}

void CMainFrame::OnViewRollBar(wxCommandEvent& event) {
    (void)event;
    ShowRollBar(!IsRollBarShown());
}

void CMainFrame::OnUpdateViewRollBar(wxUpdateUIEvent& event) {
    event.Check(IsRollBarShown());
}

void CMainFrame::OnViewRollPicture(wxCommandEvent& event) {
    (void)event;
    ShowRollPane(!IsRollPaneShown());
}

void CMainFrame::OnUpdateViewRollPicture(wxUpdateUIEvent& event) {
    event.Check(IsRollPaneShown());
}

wxWindow* CMainFrame::HostWindow() {
    return this;
}

CRollWxDocument* CMainFrame::RollDocument() const {
    return RollDocumentOf(GetDocumentManager());
}

void CMainFrame::ShowWaiting(bool waiting) {
    if (waiting == m_waiting) return;
    m_waiting = waiting;
    // The pointer says that work goes on in the background, the window still in use.
    SetCursor(waiting ? wxCursor(wxCURSOR_ARROWWAIT) : wxNullCursor);
}

void CMainFrame::ShowPosition(const wxString& text) {
    if (m_statusBar->GetStatusText(kPositionPane) != text)
        m_statusBar->SetStatusText(text, kPositionPane);
}

void CMainFrame::ShowHoleText(const wxString& text) {
    m_holeShown = !text.empty();
    m_statusBar->SetStatusText(text.empty() ? IdleText() : text, 0);
}
