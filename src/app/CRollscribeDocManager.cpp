#include "app/CRollscribeDocManager.h"

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/filehistory.h>
#include <wx/filename.h>

#include "platform/CFile.h"
#include "resources/CommandIds.h"
#include "resources/StringTable.h"
#include "text/FilePatterns.h"
#include "text/WxText.h"
#include "ui/CRollWxDocument.h"
#include "ui/CRollscribeView.h"

namespace rollscribe {

wxString OpenDialogWildcard() {
    return WxAscii(TemplateString(TemplateField::filterName)) + "|" +
           AnyCasePattern(TemplateString(TemplateField::filterExt)) + ";" + AnyCasePattern(".web") +
           "|All Files (*)|*";
}

// clang-format off
wxBEGIN_EVENT_TABLE(CRollscribeDocManager, wxDocManager)
    EVT_UPDATE_UI(cmd::kSave, CRollscribeDocManager::OnAlwaysDisabled)
    EVT_MENU(cmd::kSave, CRollscribeDocManager::OnIgnoreCommand)
    EVT_UPDATE_UI(cmd::kSaveAs, CRollscribeDocManager::OnUpdateSaveAs)
    EVT_MENU(cmd::kSaveAs, CRollscribeDocManager::OnSaveAs)
    EVT_UPDATE_UI(cmd::kPrint, CRollscribeDocManager::OnAlwaysDisabled)
    EVT_MENU(cmd::kPrint, CRollscribeDocManager::OnIgnoreCommand)
    EVT_UPDATE_UI(wxID_PREVIEW, CRollscribeDocManager::OnAlwaysDisabled)
    EVT_MENU(wxID_PREVIEW, CRollscribeDocManager::OnIgnoreCommand)
    EVT_UPDATE_UI(cmd::kUndo, CRollscribeDocManager::OnAlwaysDisabled)
    EVT_MENU(cmd::kUndo, CRollscribeDocManager::OnIgnoreCommand)
    EVT_UPDATE_UI(wxID_REDO, CRollscribeDocManager::OnAlwaysDisabled)
    EVT_MENU(wxID_REDO, CRollscribeDocManager::OnIgnoreCommand)
    EVT_UPDATE_UI(cmd::kCut, CRollscribeDocManager::OnAlwaysDisabled)
    EVT_MENU(cmd::kCut, CRollscribeDocManager::OnIgnoreCommand)
    EVT_UPDATE_UI(cmd::kCopy, CRollscribeDocManager::OnUpdateCopy)
    EVT_MENU(cmd::kCopy, CRollscribeDocManager::OnCopy)
    EVT_UPDATE_UI(cmd::kPaste, CRollscribeDocManager::OnAlwaysDisabled)
    EVT_MENU(cmd::kPaste, CRollscribeDocManager::OnIgnoreCommand)
    EVT_UPDATE_UI_RANGE(wxID_FILE1, wxID_FILE9, CRollscribeDocManager::OnUpdateRecentFile)
    EVT_MENU_RANGE(wxID_FILE1, wxID_FILE9, CRollscribeDocManager::OnRecentFile)
wxEND_EVENT_TABLE()
// clang-format on

CRollscribeDocManager::CRollscribeDocManager() : wxDocManager(0, false) {
    // Initialized here rather than by the base, so that it makes this class's recent-file list.
    Initialize();
    SetMaxDocsOpen(1);
}

wxString CRollscribeDocManager::MakeNewDocumentName() {
    return "Untitled";
}

wxFileHistory* CRollscribeDocManager::OnCreateFileHistory() {
    return new wxFileHistory(kRecentFileCount);
}

wxDocTemplate* CRollscribeDocManager::FindTemplateForPath(const wxString& path) {
    // One document type; the load itself decides what it accepts.
    (void)path;
    wxList& templates = GetTemplates();
    return templates.empty() ? nullptr : static_cast<wxDocTemplate*>(templates.front());
}

wxDocument* CRollscribeDocManager::CreateDocument(const wxString& path, long flags) {
    CRollWxDocument* doc = RollDocumentOf(this);
    if (!doc) return wxDocManager::CreateDocument(path, flags);  // the first: through the template
    if (flags & wxDOC_NEW) return doc->OnNewDocument() ? doc : nullptr;
    std::string file = path.empty() ? ChooseFileToOpen() : PathBytes(path);
    if (file.empty()) return nullptr;
    return OpenRollFile(file) ? doc : nullptr;
}

bool CRollscribeDocManager::OpenRollFile(const std::string& file) {
    CRollWxDocument* doc = RollDocumentOf(this);
    if (!doc || !doc->OpenRoll(FullPath(CString(file)).ToStdString())) return false;
    // The document names the file as the toolkit does.
    SetLastDirectory(wxFileName(doc->GetFilename()).GetPath());
    AddFileToHistory(doc->GetFilename());
    return true;
}

std::string CRollscribeDocManager::ChooseFileToOpen() {
    wxFileDialog dialog(wxTheApp->GetTopWindow(), "Open", GetLastDirectory(), wxEmptyString,
                        OpenDialogWildcard(), wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    return dialog.ShowModal() == wxID_OK ? PathBytes(dialog.GetPath()) : std::string();
}

void CRollscribeDocManager::HistoryChanged() {
    if (m_historyListener) m_historyListener();
}

void CRollscribeDocManager::AddFileToHistory(const wxString& file) {
    wxDocManager::AddFileToHistory(file);
    HistoryChanged();
}

void CRollscribeDocManager::RemoveFileFromHistory(size_t i) {
    wxDocManager::RemoveFileFromHistory(i);
    HistoryChanged();
}

void CRollscribeDocManager::OnAlwaysDisabled(wxUpdateUIEvent& event) {
    event.Enable(false);
}

void CRollscribeDocManager::OnIgnoreCommand(wxCommandEvent& event) {
    (void)event;
}

CViewWindow* CRollscribeDocManager::ReportWindow() {
    auto* view = dynamic_cast<CRollscribeView*>(GetCurrentView());
    return view ? view->Window() : nullptr;
}

void CRollscribeDocManager::OnUpdateCopy(wxUpdateUIEvent& event) {
    const CViewWindow* window = ReportWindow();
    event.Enable(window && window->HasSelection());
}

void CRollscribeDocManager::OnCopy(wxCommandEvent& event) {
    (void)event;
    if (CViewWindow* window = ReportWindow()) window->CopySelection();
}

void CRollscribeDocManager::OnUpdateSaveAs(wxUpdateUIEvent& event) {
    CRollWxDocument* doc = RollDocumentOf(this);
    event.Enable(doc && !doc->ConvertedMidiFile().empty());
}

void CRollscribeDocManager::OnSaveAs(wxCommandEvent& event) {
    (void)event;
    if (CRollWxDocument* doc = RollDocumentOf(this); doc && !doc->ConvertedMidiFile().empty())
        doc->SaveAs();
}

void CRollscribeDocManager::OnUpdateRecentFile(wxUpdateUIEvent& event) {
    event.Enable(static_cast<size_t>(event.GetId() - wxID_FILE1) < GetHistoryFilesCount());
}

void CRollscribeDocManager::OnRecentFile(wxCommandEvent& event) {
    size_t n = static_cast<size_t>(event.GetId() - wxID_FILE1);
    if (n >= GetHistoryFilesCount()) return;
    wxString file = GetHistoryFile(n);
    // An entry that no longer opens leaves the list.
    if (!OpenRollFile(PathBytes(file))) {
        for (size_t i = 0; i < GetHistoryFilesCount(); ++i) {
            if (GetHistoryFile(i) == file) {
                RemoveFileFromHistory(i);
                break;
            }
        }
    }
}

}  // namespace rollscribe
