#include "ui/CRollWxDocument.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <utility>

#include "expression/ExpressionOutput.h"
#include "expression/ProfileLocator.h"
#include "platform/CFile.h"
#include "resources/ProgramName.h"
#include "roll/FailureDescription.h"
#include "roll/OutputNames.h"
#include "text/WxText.h"
#include "ui/FailureMessages.h"
#include "ui/MidiCopy.h"
#include "ui/ReplaceQuestion.h"

namespace rollscribe {

wxIMPLEMENT_DYNAMIC_CLASS(CRollWxDocument, wxDocument);

namespace {

// The choice until the document is given the program's: the defaults.
const ConversionChoice kDefaultChoice;

// What the desktop's conversion job shares: the expression's results are kept for the roll's
// picture and its notes' velocities.
ConversionParts DesktopParts() {
    ConversionParts parts;
    parts.keepExpressionResult = true;
    return parts;
}

}  // namespace

CRollWxDocument::CRollWxDocument() : m_choice(&kDefaultChoice), m_job(m_settings, DesktopParts()) {}

CRollWxDocument* RollDocumentOf(wxDocManager* manager) {
    if (!manager || manager->GetDocuments().empty()) return nullptr;
    return dynamic_cast<CRollWxDocument*>(manager->GetDocuments().front());
}

wxWindow* CRollWxDocument::MessageParent() const {
    wxWindow* window = GetDocumentWindow();
    return window && window->IsShown() ? window : nullptr;
}

wxDEFINE_EVENT(EVT_ROLL_CHANGING, wxCommandEvent);
wxDEFINE_EVENT(EVT_ROLL_CHANGED, wxCommandEvent);

void CRollWxDocument::TellWindow(wxEventType type, const wxString& file) {
    wxWindow* window = GetDocumentWindow();
    if (!window) return;
    wxCommandEvent event(type);
    event.SetEventObject(this);
    event.SetString(file);
    window->GetEventHandler()->ProcessEvent(event);
}

bool CRollWxDocument::OnNewDocument() {
    TellWindow(EVT_ROLL_CHANGING);
    if (!wxDocument::OnNewDocument()) return false;
    m_shownRoll.clear();
    m_convertedMidi.clear();
    m_expressionFile.clear();
    m_velocities = NoteVelocities();
    m_warnings.clear();
    m_scene.reset();
    m_roll.OnNewDocument();
    UpdateAllViews();
    TellWindow(EVT_ROLL_CHANGED);
    return true;
}

void CRollWxDocument::NameAfterReport() {
    const std::string path = m_roll.m_strFilePath.ToStdString();
    m_shownRoll = path;
    // The file as the toolkit names files, to be opened again; the title as a person reads it.
    SetFilename(WxPath(path), false);
    SetTitle(WxText(path.substr(path.rfind('/') + 1)));
    for (wxView* view : GetViewsVector()) view->OnChangeFilename();
}

void CRollWxDocument::ConvertBy(const ConversionChoice& choice) {
    m_choice = &choice;
}

bool CRollWxDocument::ReopenRoll() {
    if (m_shownRoll.empty()) return false;
    const std::string path = m_shownRoll;
    return OpenRoll(path);
}

void CRollWxDocument::LayOutTrackerBar(RollScene& scene) {
    const std::string name =
        m_settings.profile.empty() ? ChooseProfileName(m_roll.m_strRollType) : m_settings.profile;
    // A profile file is read again each time: the user may have changed it.
    if (name != m_barProfileName || IsProfileFile(name)) {
        m_barProfileName = name;
        m_barProfile.reset();
        try {
            m_barProfile = std::make_shared<const RollProfile>(LoadProfile(name));
        } catch (...) {
            // Shown with the lanes the roll uses.
        }
    }
    if (m_barProfile) scene.SetTrackerBar(*m_barProfile);
}

wxString CRollWxDocument::TakeExpression(const ConversionOutcome& outcome, RollScene& scene) {
    const ExpressionOutput* expression = m_job.Expression();
    if (!expression) return {};
    if (outcome.expression) {
        m_expressionFile = *outcome.expression;
        m_velocities = NoteVelocities(m_roll.m_events, expression->Result().velocities);
        scene.SetExpression(expression->Result(), expression->Profile());
        return {};
    }
    const OutputFailure* failure = outcome.FailureOf(OutputKind::expression);
    if (!failure || !expression->Error()) return {};
    const std::string file =
        failure->path.empty() ? m_roll.MidiFilePath().ToStdString() : failure->path;
    return FailureMessage(FileTask::writeExpression, file, expression->Error());
}

bool CRollWxDocument::OpenRoll(const std::string& path) {
    std::string convertedBefore = std::exchange(m_convertedMidi, std::string());
    std::string expressionBefore = std::exchange(m_expressionFile, std::string());
    NoteVelocities velocitiesBefore = std::exchange(m_velocities, NoteVelocities());
    std::shared_ptr<const RollScene> sceneBefore = std::exchange(m_scene, nullptr);
    std::vector<RollWarning> warningsBefore = std::exchange(m_warnings, {});
    wxString failure;
    wxString expressionFailure;
    ConversionOutcome outcome;
    {
        // The pointer shows the work from the start; the window hears which file it is.
        wxBusyCursor busy;
        TellWindow(EVT_ROLL_CHANGING, WxText(path.substr(path.rfind('/') + 1)));
        // The outputs go to the folder chosen, else beside the roll, named as the converter's.
        m_settings = m_choice->Settings();
        outcome = m_job.Convert(m_roll, path);
        std::exception_ptr error = outcome.loadError;
        if (outcome.midiWritten) {
            m_convertedMidi = *outcome.midi;
            try {
                auto scene = std::make_shared<RollScene>(m_roll);
                LayOutTrackerBar(*scene);
                expressionFailure = TakeExpression(outcome, *scene);
                m_scene = std::move(scene);
            } catch (...) {
                error = std::current_exception();
            }
        }
        if (error) {
            failure =
                FailureMessage(FileTask::openRoll, FullPath(CString(path)).ToStdString(), error);
            // The roll was read in full and only its MIDI file could not be written (a folder
            // that cannot be written to): its picture is shown all the same.
            if (outcome.opened && !outcome.midiWritten &&
                DescribeFailure(error, path).otherFile == m_roll.MidiFilePath().ToStdString()) {
                auto scene = std::make_shared<RollScene>(m_roll);
                LayOutTrackerBar(*scene);
                m_scene = std::move(scene);
            }
        }
    }
    if (outcome.opened) {
        NameAfterReport();
        m_warnings = std::move(outcome.warnings);
    } else {
        // Nothing of the document changed.
        m_convertedMidi = std::move(convertedBefore);
        m_expressionFile = std::move(expressionBefore);
        m_velocities = std::move(velocitiesBefore);
        m_scene = std::move(sceneBefore);
        m_warnings = std::move(warningsBefore);
    }
    if (failure.empty()) SetDocumentSaved(true);
    // After a failure the view shows what the document holds now: the messages gathered up to it.
    UpdateAllViews();
    TellWindow(EVT_ROLL_CHANGED);
    // The MIDI file is written and shown all the same.
    if (!expressionFailure.empty())
        wxMessageBox(expressionFailure, ProgramName(), wxOK | wxICON_EXCLAMATION, MessageParent());
    if (failure.empty()) return true;
    wxMessageBox(failure, ProgramName(), wxOK | wxICON_EXCLAMATION, MessageParent());
    return false;
}

bool CRollWxDocument::OnOpenDocument(const wxString& file) {
    return OpenRoll(PathBytes(file));
}

bool CRollWxDocument::SaveAs() {
    if (m_convertedMidi.empty()) return false;
    wxFileName midi(WxPath(m_convertedMidi));
    wxFileDialog dialog(MessageParent(), "Save As", midi.GetPath(), midi.GetFullName(),
                        "MIDI Files (*.mid)|*.mid|All Files (*)|*", wxFD_SAVE);
    const std::vector<CString> protectedFiles = {m_roll.m_strFilePath, m_roll.AnnotationFilePath()};
    // A file of the roll is refused before anything is asked about it; No to replacing a file
    // goes back to the dialog for another name.
    std::string target;
    try {
        do {
            if (dialog.ShowModal() != wxID_OK) return false;
            target = PathBytes(dialog.GetPath());
            RefuseProtectedTarget(CString(target), protectedFiles);
        } while (!AllowsReplacing(MessageParent(), "Save As", target));
        CopyConvertedFile(CString(m_convertedMidi), CString(target), protectedFiles);
        return true;
    } catch (...) {
        wxMessageBox(FailureMessage(FileTask::saveMidi, target, std::current_exception()),
                     ProgramName(), wxOK | wxICON_EXCLAMATION, MessageParent());
    }
    return false;
}

bool CRollWxDocument::OnSaveDocument(const wxString& file) {
    (void)file;
    return false;  // nothing to store; never touch the file
}

bool CRollWxDocument::DoSaveDocument(const wxString& file) {
    (void)file;
    return false;
}

}  // namespace rollscribe
