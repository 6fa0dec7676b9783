#pragma once

#include <wx/aui/aui.h>
#include <wx/docview.h>

#include <memory>
#include <string>
#include <vector>

#include "audio/MidiPlayback.h"
#include "picture/PictureFiles.h"
#include "ui/DesktopActions.h"
#include "ui/FailureMessages.h"
#include "ui/GtkKeyboardLocks.h"

class wxFileHistory;

namespace rollscribe {
class CGtkWindowDrop;
class CRollPane;
class CRollPlayer;
class CRollWxDocument;
class CViewWindow;
}  // namespace rollscribe

// The main window. Along the top, one band area holds the tool bar and then the dialog bar's
// line of text, each band with a gripper; the view fills the middle; along the bottom the status
// bar shows the prompt of the highlighted command or "Ready", and the CAP, NUM and SCRL lock
// indicators. View, Toolbar and View, Status Bar hide and show the bars. Below the view, a
// band that the user can make higher or lower shows the roll's picture (View, Roll Picture hides
// and shows it); the Roll menu plays the roll's MIDI file with a cursor running over the picture,
// zooms the picture, opens the MIDI file or its folder, copies the report and exports the
// picture. The bands, the view and the picture are panes of one wxAuiManager; a file dropped
// anywhere on the window is opened.
class CMainFrame : public wxDocParentFrame {
  public:
    // The names of the panes.
    static constexpr const char* kToolBarPane = "toolbar";
    static constexpr const char* kDialogBarPane = "dialogbar";
    static constexpr const char* kViewPane = "view";
    static constexpr const char* kRollPane = "rollpicture";

    CMainFrame(wxDocManager* manager, const wxString& title);
    ~CMainFrame() override;

    // The window the view draws into.
    rollscribe::CViewWindow* ViewWindow() const { return m_viewWindow; }
    // The band with the roll's picture.
    rollscribe::CRollPane* RollPane() const { return m_rollPane; }

    // How the roll is played (sound font, audio output); taken at the first play.
    void SetPlaybackOptions(const rollscribe::PlaybackOptions& options);
    // What Open MIDI File and Show in Folder ask of the desktop.
    void SetDesktop(rollscribe::DesktopActions desktop) { m_desktop = std::move(desktop); }

    bool IsRollPaneShown();
    void ShowRollPane(bool show);

    // Whether the roll plays, or waits for the sound font to load to play.
    bool IsPlaying() const;
    bool IsWaitingForSoundFont() const;
    // Stops the playing; the next play starts where it stopped.
    void StopPlayback();
    // Before a load or File New changes the document: the playing stops and goes back to the
    // start. After it: the picture of the roll now on show (none when it was not converted).
    void RollChanging();
    void RollChanged(const rollscribe::CRollWxDocument& doc);

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
    void SetStatusMessage(const wxString& text);

    // Brings a shown window to the front; a window not yet shown stays hidden (the toolkit would
    // show it), so that start-up shows it only once the command line has been dealt with.
    void Raise() override;

    // Files dropped anywhere on the window (menu bar, bands, view, status bar) are opened.
    void DragAcceptFiles(bool accept) override;

  private:
    // A band moved along its row when the tool bar was hidden: from and to positions.
    struct MovedBand {
        wxWindow* band;
        int from;
        int to;
    };

    void DoGiveHelp(const wxString& text, bool show) override;
    wxString IdleText() const;
    void ShowPlayingTime(long long tick);
    void ShowWaiting(bool waiting);

    void CreateBands();
    void CreateStatusBarPanes();
    std::vector<MovedBand> CloseUpAfter(const wxAuiPaneInfo& hidden);

    void OnExit(wxCommandEvent& event);
    void OnViewToolBar(wxCommandEvent& event);
    void OnUpdateViewToolBar(wxUpdateUIEvent& event);
    void OnViewStatusBar(wxCommandEvent& event);
    void OnUpdateViewStatusBar(wxUpdateUIEvent& event);
    void OnDropFiles(wxDropFilesEvent& event);
    void OnIdle(wxIdleEvent& event);
    void OnClose(wxCloseEvent& event);

    void OnViewRollPicture(wxCommandEvent& event);
    void OnUpdateViewRollPicture(wxUpdateUIEvent& event);
    void OnPlay(wxCommandEvent& event);
    void OnUpdatePlay(wxUpdateUIEvent& event);
    void OnZoom(wxCommandEvent& event);
    void OnUpdateZoom(wxUpdateUIEvent& event);
    void OnOpenMidi(wxCommandEvent& event);
    void OnShowInFolder(wxCommandEvent& event);
    void OnUpdateNeedsMidi(wxUpdateUIEvent& event);
    void OnCopyReport(wxCommandEvent& event);
    void OnExportPicture(wxCommandEvent& event);
    void OnUpdateExportPicture(wxUpdateUIEvent& event);

    void CreateRollPane();
    const std::string& ConvertedMidi() const;
    rollscribe::CRollPlayer& Player();
    void OnPlayerPosition(long long tick, bool ended);
    void OnPlayerFailure(std::exception_ptr error);
    void OnRollClicked(double time);
    void ShowHoleText(const std::string& text);
    void ShowFailure(rollscribe::FileTask task, const std::string& file, std::exception_ptr error);
    void OnToolBarMotion(wxMouseEvent& event);
    void OnToolBarLeave(wxMouseEvent& event);

    wxStatusBar* m_statusBar = nullptr;
    wxAuiToolBar* m_toolBar = nullptr;
    wxAuiManager m_paneManager;
    rollscribe::CViewWindow* m_viewWindow = nullptr;
    rollscribe::CRollPane* m_rollPane = nullptr;
    rollscribe::PlaybackOptions m_playbackOptions;
    std::unique_ptr<rollscribe::CRollPlayer> m_player;
    rollscribe::DesktopActions m_desktop = rollscribe::SystemDesktop();
    rollscribe::PictureFormat m_exportFormat = rollscribe::PictureFormat::png;
    std::vector<MovedBand> m_closedUpBands;
    std::unique_ptr<rollscribe::CGtkWindowDrop> m_drop;
    rollscribe::KeyboardLocks m_locks;
    bool m_locksShown = false;
    int m_pointedTool = wxID_NONE;
    wxString m_statusMessage;
    bool m_prompting = false;
    bool m_holeShown = false;
    bool m_waiting = false;

    wxDECLARE_EVENT_TABLE();
};
