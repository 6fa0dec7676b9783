#pragma once

#include <wx/app.h>
#include <wx/weakref.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/CMainFrame.h"

namespace rollscribe {
class CAppSettings;
class CInstanceLink;
class CRollscribeDocManager;
}  // namespace rollscribe

// The application: start-up, the three application commands (New, Open, About) and shut-down.
// One document, one main frame and one view serve the whole run.
class CRollscribeApp : public wxApp {
  public:
    // file: the roll file named on the command line, as bytes.
    explicit CRollscribeApp(std::optional<std::string> file = std::nullopt);
    ~CRollscribeApp() override;

    bool OnInit() override;
    int OnRun() override;
    int OnExit() override;

    // Start-up: settings, one running program per user and display, the document template, the
    // command line's file (opened before the window is first shown), the window. Returns false
    // when the program is to end because its file could not be opened; true also when a running
    // program took the request (the main loop then does not run).
    bool InitInstance(const std::optional<std::string>& file);
    // Shut-down: saves the recent-file list and releases what InitInstance made. Safe to call
    // more than once and after a start-up that failed.
    void ExitInstance();

    CMainFrame* MainFrame() const { return m_frame.get(); }

    // A file handed over by a second start (or by none: a plain start): opened as File Open
    // does, with the window brought to the front.
    void OnForwardedRequest(const std::optional<std::string>& file);

  private:
    // Keeps the main window's layout in the settings.
    void SaveLayout();
    void OnAppAbout(wxCommandEvent& event);
    void OnTerminateSignal();
    // Cancels the modal dialogs that are open; true if one was open, or a loop of one still runs.
    bool EndModalDialogs();

    std::optional<std::string> m_startupFile;
    std::unique_ptr<rollscribe::CAppSettings> m_settings;
    std::unique_ptr<rollscribe::CInstanceLink> m_instance;
    rollscribe::CRollscribeDocManager* m_docManager = nullptr;
    wxWeakRef<CMainFrame> m_frame;
    bool m_forwarded = false;
    std::vector<unsigned> m_signalSources;
};
