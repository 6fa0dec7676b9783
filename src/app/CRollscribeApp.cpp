#include "app/CRollscribeApp.h"

#include <glib-unix.h>
#include <wx/docview.h>
#include <wx/evtloop.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/stdpaths.h>

#include <csignal>
#include <cstdlib>

#include "app/AppSettings.h"
#include "app/CAboutDialog.h"
#include "app/CInstanceLink.h"
#include "app/CRollDocTemplate.h"
#include "app/CRollscribeDocManager.h"
#include "app/GtkDisplayCheck.h"
#include "app/GtkModalDialogs.h"
#include "platform/CFile.h"
#include "platform/ProcessGuards.h"
#include "resources/CommandIds.h"
#include "resources/ProgramName.h"
#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "text/WxText.h"
#include "ui/PlaybackSettings.h"

using namespace rollscribe;

namespace {

// The user guide as installed: beside the program (bin/../share/doc/...), else where it is
// installed; empty when neither has it (a build tree).
std::string InstalledUserGuide() {
    const wxFileName program(wxStandardPaths::Get().GetExecutablePath());
    for (const wxString& guide : {program.GetPath() + "/" + ROLLSCRIBE_GUIDE_FROM_BIN,
                                  wxString(ROLLSCRIBE_GUIDE_INSTALLED)}) {
        wxFileName file(guide);
        file.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE);
        if (file.FileExists()) return PathBytes(file.GetFullPath());
    }
    return {};
}

}  // namespace

CRollscribeApp::CRollscribeApp(std::optional<std::string> file) : m_startupFile(std::move(file)) {
    SetAppName(WxAscii(LoadResourceString(res::AFX_IDS_APP_TITLE)));
    SetAppDisplayName(ProgramName());
    SetVendorName(WxAscii(kRegistryKey));
    SetClassName("Rollscribe");
    Bind(wxEVT_MENU, &CRollscribeApp::OnAppAbout, this, cmd::kAbout);
}

CRollscribeApp::~CRollscribeApp() = default;

bool CRollscribeApp::OnInit() {
    // SIGTERM, SIGINT and SIGHUP end the program as closing its window does: the frame closes
    // and the settings are saved; the program then ends by the signal. The main loop delivers
    // them, outside the signal handler. During a load, which holds the main loop, one ends the
    // program at once, its temporary file removed. One ignored at start (nohup) stays ignored.
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        if (rollscribe::SignalIgnoredAtStart(signal)) continue;
        m_signalSources.push_back(g_unix_signal_add(
            signal,
            [](gpointer signal) -> gboolean {
                rollscribe::NoteTerminationSignal(GPOINTER_TO_INT(signal));
                if (auto* app = dynamic_cast<CRollscribeApp*>(wxTheApp)) app->OnTerminateSignal();
                return G_SOURCE_CONTINUE;
            },
            GINT_TO_POINTER(signal)));
    }
    rollscribe::EndOnTerminationSignalsDuringWork();
    return InitInstance(m_startupFile);
}

int CRollscribeApp::OnRun() {
    return m_forwarded ? 0 : wxApp::OnRun();
}

int CRollscribeApp::OnExit() {
    for (unsigned source : m_signalSources) g_source_remove(source);
    m_signalSources.clear();
    ExitInstance();
    return wxApp::OnExit();
}

bool CRollscribeApp::InitInstance(const std::optional<std::string>& file) {
    m_forwarded = false;
    // Per-user settings in the XDG folders, under the company and the application's name; the
    // recent-file list holds four entries.
    wxStandardPaths::Get().SetFileLayout(wxStandardPaths::FileLayout_XDG);
    m_settings = std::make_unique<CAppSettings>();

    // A program already running takes the request; this one then ends.
    std::optional<std::string> absoluteFile;
    if (file) absoluteFile = rollscribe::FullPath(CString(*file)).ToStdString();
    // One program per display: a start on another display opens a window there.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    m_instance = std::make_unique<CInstanceLink>(OpenedDisplayScope(runtime ? runtime : ""));
    if (m_instance->ForwardOrServe(
            absoluteFile, [this](const std::optional<std::string>& f) { OnForwardedRequest(f); })) {
        m_forwarded = true;
        return true;
    }

    m_docManager = new CRollscribeDocManager;
    auto* frame = new CMainFrame(m_docManager, ProgramName());
    m_frame = frame;
    // The one document type: the roll document, shown by the roll view in the main frame.
    new CRollDocTemplate(m_docManager, *frame);
    m_docManager->SetHistoryListener([this] {
        if (CMainFrame* f = MainFrame()) f->UpdateRecentFileMenu(*m_docManager->GetFileHistory());
        m_settings->SaveRecentFiles(*m_docManager);
    });
    m_settings->LoadRecentFiles(*m_docManager);
    frame->UpdateRecentFileMenu(*m_docManager->GetFileHistory());
    frame->RollController().SetUserGuide(InstalledUserGuide());
    frame->RollController().SetPlaybackOptions(
        PlaybackOptionsFrom(ProcessEnvironment, m_settings->SoundFont()));
    // Rolls converted as the user last chose; each change kept at once.
    frame->RollController().SetConversion(m_settings->ReadConversion());
    frame->RollController().SetConversionListener(
        [this](const ConversionChoice& choice) { m_settings->SaveConversion(choice); });
    // The window as the user left it; kept again when it closes.
    frame->RestoreLayout(m_settings->ReadLayout());
    frame->Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        SaveLayout();
        event.Skip();
    });
    SetTopWindow(frame);

    // The command line: a new document, then the named file, before the window is first shown.
    // A file that cannot be opened has been reported; the program then ends.
    if (!m_docManager->CreateDocument(wxEmptyString, wxDOC_NEW) ||
        (file && !m_docManager->OpenRollFile(*file))) {
        ExitInstance();
        return false;
    }

    // Played where the user last chose; a port that is not there now falls back to the sound font
    // (after the new document, whose arrival clears the status bar).
    frame->RollController().SetMidiOutput(m_settings->MidiOutput());
    frame->RollController().SetMidiOutputListener(
        [this](const std::string& port) { m_settings->SaveMidiOutput(port); });

    frame->Show(true);
    frame->Update();
    frame->DragAcceptFiles(true);
    if (const std::string& refused = m_settings->RefusedOutputFolder(); !refused.empty()) {
        wxMessageBox("The output folder in the settings is not a full path, so it is not used:\n" +
                         WxText(refused) + "\n(" + CAppSettings::FilePath() +
                         ")\n\nThe outputs are written beside each roll; Roll > Output Folder "
                         "chooses another folder.",
                     ProgramName(), wxOK | wxICON_EXCLAMATION, frame);
    }
    return true;
}

void CRollscribeApp::SaveLayout() {
    // Only a window that was on the screen has a layout of the user's.
    CMainFrame* frame = MainFrame();
    if (frame && m_settings && frame->IsShown() && !frame->IsBeingDeleted())
        m_settings->SaveLayout(frame->SavedLayout());
}

void CRollscribeApp::ExitInstance() {
    SaveLayout();
    m_instance.reset();
    if (m_docManager) {
        m_docManager->SetHistoryListener({});
        if (m_settings) m_settings->SaveRecentFiles(*m_docManager);
        m_docManager->Clear(true);
    }
    if (wxWindow* frame = m_frame.get()) {
        if (!frame->IsBeingDeleted()) frame->Destroy();
        // The frame goes now, while the document manager it refers to still exists.
        DeletePendingObjects();
    }
    m_frame = nullptr;
    delete m_docManager;
    m_docManager = nullptr;
    m_settings.reset();
}

void CRollscribeApp::OnForwardedRequest(const std::optional<std::string>& file) {
    CMainFrame* frame = MainFrame();
    if (!frame || !m_docManager) return;
    if (frame->IsIconized()) frame->Iconize(false);
    frame->Raise();
    if (file) m_docManager->OpenRollFile(*file);
}

void CRollscribeApp::OnAppAbout(wxCommandEvent& event) {
    (void)event;
    CAboutDialog dialog(MainFrame());
    dialog.ShowModal();
}

bool CRollscribeApp::EndModalDialogs() {
    return CancelModalDialogs() || wxEventLoopBase::GetActive() != GetMainLoop();
}

void CRollscribeApp::OnTerminateSignal() {
    // The frame cannot go while a dialog that belongs to it runs its own loop further up the
    // stack: the dialogs are cancelled first, and the close is tried again once they returned.
    if (EndModalDialogs()) {
        g_timeout_add(
            50,
            [](gpointer) -> gboolean {
                if (auto* app = dynamic_cast<CRollscribeApp*>(wxTheApp)) app->OnTerminateSignal();
                return G_SOURCE_REMOVE;
            },
            nullptr);
        return;
    }
    if (CMainFrame* frame = MainFrame()) frame->Close(true);
    // The closed frame is deleted, and the main loop ended, when the program next idles; a signal
    // arriving from outside does not by itself make it idle.
    wxWakeUpIdle();
}
