#pragma once

#include <wx/aui/aui.h>
#include <wx/docview.h>

#include "ui/GtkKeyboardLocks.h"

class CViewWindow;
class wxFileHistory;
class wxStaticText;

// The main window. Along the top, one band area holds the tool bar and then the dialog bar's
// line of text, each band with a gripper; the view fills the middle; along the bottom the status
// bar shows the prompt of the highlighted command or "Ready", and the CAP, NUM and SCRL lock
// indicators. View, Toolbar and View, Status Bar hide and show the bars.
class CMainFrame : public wxDocParentFrame {
  public:
    CMainFrame(wxDocManager* manager, const wxString& title);
    ~CMainFrame() override;

    CViewWindow* ViewWindow() const { return m_viewWindow; }
    wxStatusBar* StatusBar() const { return m_statusBar; }
    wxAuiToolBar* ToolBar() const { return m_toolBar; }
    wxAuiToolBar* DialogBar() const { return m_dialogBar; }
    wxStaticText* DialogBarText() const { return m_dialogBarText; }
    wxAuiManager& ReBar() { return m_reBar; }

    bool IsToolBarShown();
    bool IsStatusBarShown() const;
    void ShowToolBar(bool show);
    void ShowStatusBar(bool show);

    // Rebuilds the File menu's recent-file entries: "&1 <file>" and so on, newest first, or the
    // grayed "Recent File" while the list is empty.
    void UpdateRecentFileMenu(const wxFileHistory& history);
    // Puts the keyboard's lock states into the indicator panes.
    void UpdateIndicators(const KeyboardLocks& locks);

    // Shows a command's prompt in the message pane, as pointing at its button does; id -1 goes
    // back to the idle text.
    void ShowCommandPrompt(int id);

    // Brings a shown window to the front; a window not yet shown stays hidden (the toolkit would
    // show it), so that start-up shows it only once the command line has been dealt with.
    void Raise() override;

  private:
    void CreateBands();
    void CreateStatusBarPanes();

    void OnExit(wxCommandEvent& event);
    void OnViewToolBar(wxCommandEvent& event);
    void OnUpdateViewToolBar(wxUpdateUIEvent& event);
    void OnViewStatusBar(wxCommandEvent& event);
    void OnUpdateViewStatusBar(wxUpdateUIEvent& event);
    void OnDropFiles(wxDropFilesEvent& event);
    void OnIdle(wxIdleEvent& event);
    void OnToolBarMotion(wxMouseEvent& event);
    void OnToolBarLeave(wxMouseEvent& event);

    wxStatusBar* m_statusBar = nullptr;
    wxAuiToolBar* m_toolBar = nullptr;
    wxAuiManager m_reBar;
    wxAuiToolBar* m_dialogBar = nullptr;
    wxStaticText* m_dialogBarText = nullptr;
    CViewWindow* m_viewWindow = nullptr;
    KeyboardLocks m_locks;
    bool m_locksShown = false;
    int m_pointedTool = wxID_NONE;

    wxDECLARE_EVENT_TABLE();
};
