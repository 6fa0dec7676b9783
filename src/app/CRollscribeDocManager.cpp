#include "app/CRollscribeDocManager.h"

#include <wx/filedlg.h>
#include <wx/filehistory.h>
#include <wx/filename.h>

#include "app/CRollDocument.h"
#include "app/CommandIds.h"
#include "app/StringTable.h"
#include "platform/CFile.h"
#include "ui/CMainFrame.h"
#include "ui/WxText.h"

namespace {

wxString FromAscii(std::string_view text) {
    return wxString::FromAscii(text.data(), text.size());
}

// The absolute form of a file name, as the core resolves it.
wxString AbsolutePath(const wxString& file) {
    return WxPath(rollscribe::FullPath(CString(PathBytes(file))).ToStdString());
}

}  // namespace

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
    EVT_UPDATE_UI(cmd::kCopy, CRollscribeDocManager::OnAlwaysDisabled)
    EVT_MENU(cmd::kCopy, CRollscribeDocManager::OnIgnoreCommand)
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

CRollDocument* CRollscribeDocManager::RollDocument() const {
    const wxList& docs = const_cast<CRollscribeDocManager*>(this)->GetDocuments();
    return docs.empty() ? nullptr : dynamic_cast<CRollDocument*>(docs.front());
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
    CRollDocument* doc = RollDocument();
    if (!doc) return wxDocManager::CreateDocument(path, flags);  // the first: through the template
    if (flags & wxDOC_NEW) return doc->OnNewDocument() ? doc : nullptr;
    wxString file = path.empty() ? ChooseFileToOpen() : path;
    if (file.empty()) return nullptr;
    return OpenRollFile(file) ? doc : nullptr;
}

bool CRollscribeDocManager::OpenRollFile(const wxString& file) {
    CRollDocument* doc = RollDocument();
    if (!doc) return false;
    wxString path = AbsolutePath(file);
    if (!doc->OnOpenDocument(path)) return false;
    SetLastDirectory(wxFileName(path).GetPath());
    AddFileToHistory(path);
    return true;
}

wxString CRollscribeDocManager::ChooseFileToOpen() {
    wxString filter = FromAscii(TemplateString(TemplateField::filterName)) + "|*" +
                      FromAscii(TemplateString(TemplateField::filterExt)) + "|All Files (*)|*";
    wxFileDialog dialog(m_frame, "Open", GetLastDirectory(), wxEmptyString, filter,
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    return dialog.ShowModal() == wxID_OK ? dialog.GetPath() : wxString();
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

void CRollscribeDocManager::OnUpdateSaveAs(wxUpdateUIEvent& event) {
    CRollDocument* doc = RollDocument();
    event.Enable(doc && !doc->ConvertedMidiFile().empty());
}

void CRollscribeDocManager::OnSaveAs(wxCommandEvent& event) {
    (void)event;
    if (CRollDocument* doc = RollDocument(); doc && !doc->ConvertedMidiFile().empty())
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
    if (!OpenRollFile(file)) {
        for (size_t i = 0; i < GetHistoryFilesCount(); ++i) {
            if (GetHistoryFile(i) == file) {
                RemoveFileFromHistory(i);
                break;
            }
        }
    }
}
