#pragma once

#include <wx/aui/aui.h>
#include <wx/docview.h>
#include <wx/timer.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/CRollController.h"
#include "ui/GtkKeyboardLocks.h"

class wxFileHistory;
class wxInfoBar;

namespace rollscribe {

// The window's layout as kept across runs.
struct FrameLayout {
    wxSize size;  // when not maximized; wxDefaultSize: as the window starts
    // The top-left corner when not maximized; wxDefaultPosition: where the window manager puts it.
    wxPoint position = wxDefaultPosition;
    bool maximized = false;
    wxString panes;           // where the bands are and what shows (the pane manager's form)
    double pictureShare = 0;  // the picture's share of the height it and the report have
    bool toolBar = true;      // the tool bar shown (its band's place is kept in panes)
    bool statusBar = true;
    // The roll picture's lane height as chosen (RollViewport::LaneHeightChoice); 0: to fit.
    double laneHeight = 0;
};

}  // namespace rollscribe

namespace rollscribe {
class CFramePanes;
class CGtkWindowDrop;
class CRollPane;
class CRollWxDocument;
class CViewWindow;
}  // namespace rollscribe

// The main window and its furniture. Along the top, one band area holds the tool bar and then
// the dialog bar's line of text, and below them the Roll band (Play/Stop and the zoom), each band
// with a gripper; the view fills the middle; below it,
// a band that the user can make higher or lower shows the roll's picture; along the bottom the
// status bar shows the prompt of the highlighted command, the hole under the pointer, the state
// of longer work or "Ready", and the CAP, NUM and SCRL lock indicators. The View menu hides and
// shows the bars and the picture; the File menu lists the recent files; a file dropped anywhere
// on the window is opened. The bands, the view and the picture are panes of one wxAuiManager.
// The Roll menu's commands go to the roll controller that the frame hosts.
class CMainFrame : public wxDocParentFrame, private rollscribe::CRollHost {
  public:
    // The names of the panes.
    static constexpr const char* kToolBarPane = "toolbar";
    static constexpr const char* kDialogBarPane = "dialogbar";
    static constexpr const char* kRollBarPane = "rollbar";
    static constexpr const char* kViewPane = "view";
    static constexpr const char* kRollPane = "rollpicture";
    static constexpr const char* kWarningsPane = "warnings";

    CMainFrame(wxDocManager* manager, const wxString& title);
    ~CMainFrame() override;

    // The window the view draws into.
    rollscribe::CViewWindow* ViewWindow() const { return m_viewWindow; }
    // The warnings about the roll on show, as the bar over the report shows them; empty while
    // it is hidden.
    wxString WarningsShown();
    // The band with the roll's picture.
    rollscribe::CRollPane* RollPane() const { return m_rollPane; }
    // The Roll menu's commands and the playback.
    rollscribe::CRollController& RollController() { return *m_roll; }

    bool IsRollPaneShown() override;
    void ShowRollPane(bool show);

    // The Roll band: Play/Stop and the zoom, below the tool bar and the dialog bar.
    bool IsRollBarShown();
    void ShowRollBar(bool show);

    bool IsToolBarShown();
    bool IsStatusBarShown() const;
    // Hiding the tool bar closes up the bands after it in its row; showing it again puts them
    // back where they were (unless they were moved meanwhile).
    void ShowToolBar(bool show);
    void ShowStatusBar(bool show);

    // Rebuilds the File menu's recent-file entries: "&1 <file>" and so on, newest first, or the
    // grayed "Recent File" while the list is empty.
    void UpdateRecentFileMenu(const wxFileHistory& history);
    // Puts the keyboard's lock states into the indicator panes.
    void UpdateIndicators(const rollscribe::KeyboardLocks& locks);

    // Shows a command's prompt in the message pane, as pointing at its button does; id -1 goes
    // back to the idle text.
    void ShowCommandPrompt(int id);
    // What the message pane shows when no prompt or hole is pointed at: the state of longer work
    // ("Loading the sound font ...", the playing time); empty for the idle text, "Ready".
    void SetStatusMessage(const wxString& text) override;

    // The layout as it is now, to keep; and one kept before, put back (what does not fit the
    // screen, or no longer names this window's bands, is left as it starts).
    rollscribe::FrameLayout SavedLayout();
    void RestoreLayout(const rollscribe::FrameLayout& layout);

    // Brings a shown window to the front; a window not yet shown stays hidden (the toolkit would
    // show it), so that start-up shows it only once the command line has been dealt with.
    void Raise() override;

    // Files dropped anywhere on the window (menu bar, bands, view, status bar) are opened.
    void DragAcceptFiles(bool accept) override;

  protected:
    bool TryBefore(wxEvent& event) override;

  private:
    // A band moved along its row when the tool bar was hidden: from and to positions.
    struct MovedBand {
        wxWindow* band;
        int from;
        int to;
    };

    // The roll controller's host.
    wxWindow* HostWindow() override;
    rollscribe::CRollWxDocument* RollDocument() const override;
    void ShowStatusNote(const wxString& text) override;
    void PaintNow() override;
    void ShowPosition(const wxString& text) override;
    void ShowHoleText(const wxString& text) override;
    void ShowWaiting(bool waiting) override;
    void ShowWarnings(const wxString& text) override;

    void DoGiveHelp(const wxString& text, bool show) override;
    wxString IdleText() const;

    wxAuiToolBar* CreateToolBand(const std::vector<int>& commands,
                                 const std::vector<wxBitmap>& images);
    void CreateBands();
    void AddRollPane();
    void AddWarningsPane();
    // Sizes the warnings' bar for the window's width; true when its height changed.
    bool FitWarnings();
    // Whether the panes are where this window puts them (a kept layout may have been damaged).
    bool PanesAsDesigned();
    void CreateStatusBarPanes();
    std::vector<MovedBand> CloseUpAfter(const wxAuiPaneInfo& hidden);

    void OnExit(wxCommandEvent& event);
    void OnViewToolBar(wxCommandEvent& event);
    void OnUpdateViewToolBar(wxUpdateUIEvent& event);
    void OnViewStatusBar(wxCommandEvent& event);
    void OnUpdateViewStatusBar(wxUpdateUIEvent& event);
    void OnViewRollBar(wxCommandEvent& event);
    void OnUpdateViewRollBar(wxUpdateUIEvent& event);
    void OnViewRollPicture(wxCommandEvent& event);
    void OnUpdateViewRollPicture(wxUpdateUIEvent& event);
    // Keeps the size when not maximized, and puts it back when the window is no longer
    // maximized.
    void OnFrameSize(wxSizeEvent& event);
    void OnDropFiles(wxDropFilesEvent& event);
    void OnIdle(wxIdleEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnToolBarMotion(wxMouseEvent& event);
    void OnToolBarLeave(wxMouseEvent& event);

    wxStatusBar* m_statusBar = nullptr;
    wxAuiToolBar* m_toolBar = nullptr;
    wxAuiToolBar* m_rollBar = nullptr;
    bool m_rollBarShowsStop = false;
    std::unique_ptr<rollscribe::CFramePanes> m_panes;
    wxString m_defaultPanes;
    wxSize m_restoredSize;
    wxPoint m_restoredPosition = wxDefaultPosition;
    // Where the window was while maximized: a move there reported late, after it is no longer
    // maximized, is not a place to keep.
    wxPoint m_maximizedPosition = wxDefaultPosition;
    bool m_maximized = false;     // as the last size event found it
    bool m_restoring = false;     // going back to the size from before maximizing
    bool m_placePending = false;  // the kept place, to be taken once shown
    rollscribe::CViewWindow* m_viewWindow = nullptr;
    rollscribe::CRollPane* m_rollPane = nullptr;
    wxInfoBar* m_warnings = nullptr;
    wxString m_warningsText;
    std::unique_ptr<rollscribe::CRollController> m_roll;
    std::vector<MovedBand> m_closedUpBands;
    std::unique_ptr<rollscribe::CGtkWindowDrop> m_drop;
    rollscribe::KeyboardLocks m_locks;
    bool m_locksShown = false;
    int m_pointedTool = wxID_NONE;
    wxAuiToolBar* m_pointedBand = nullptr;
    wxString m_statusMessage;
    wxString m_note;
    wxTimer m_noteTimer;
    bool m_prompting = false;
    bool m_holeShown = false;
    bool m_waiting = false;

    wxDECLARE_EVENT_TABLE();
};
