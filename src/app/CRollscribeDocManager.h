#pragma once

#include <wx/docview.h>

#include <functional>
#include <string>

namespace rollscribe {

class CViewWindow;

// The document manager of a program with one document, one frame and one view for the whole
// run. The first document is created through the document template; after that File New and
// every open (File Open, the recent-file list, the command line, a drop, a forwarded request)
// reuse it. It also fixes which commands are available: Save, Undo, Print, Cut and Paste never
// are; Copy while text of the report is selected (it copies that, as a text box's own Copy
// does); Save As only after a conversion.
class CRollscribeDocManager : public wxDocManager {
  public:
    CRollscribeDocManager();

    // Opens a file, named by its bytes as the file system names it, into the document as File
    // Open does; false when the open failed.
    bool OpenRollFile(const std::string& file);

    // With wxDOC_NEW: File New. Otherwise opens the file named by path, or the one chosen in
    // the open dialog when path is empty.
    wxDocument* CreateDocument(const wxString& path, long flags = 0) override;
    wxString MakeNewDocumentName() override;
    wxFileHistory* OnCreateFileHistory() override;
    wxDocTemplate* FindTemplateForPath(const wxString& path) override;

    void AddFileToHistory(const wxString& file) override;
    void RemoveFileFromHistory(size_t i) override;
    // Called whenever an open or a failed recent-file entry changed the recent-file list.
    void SetHistoryListener(std::function<void()> listener) {
        m_historyListener = std::move(listener);
    }

  private:
    // The file chosen in the open dialog, as bytes; empty when none was.
    std::string ChooseFileToOpen();
    void HistoryChanged();

    void OnAlwaysDisabled(wxUpdateUIEvent& event);
    void OnIgnoreCommand(wxCommandEvent& event);
    // The window showing the report, whose selection Copy copies.
    CViewWindow* ReportWindow();
    void OnUpdateCopy(wxUpdateUIEvent& event);
    void OnCopy(wxCommandEvent& event);
    void OnUpdateSaveAs(wxUpdateUIEvent& event);
    void OnSaveAs(wxCommandEvent& event);
    void OnUpdateRecentFile(wxUpdateUIEvent& event);
    void OnRecentFile(wxCommandEvent& event);

    std::function<void()> m_historyListener;

    wxDECLARE_EVENT_TABLE();
};

// The Open dialog's file types: the roll files ("Rollsc Files (*.bar)", which lists the bar and
// web files that the load accepts, in any letter case), then all files.
wxString OpenDialogWildcard();

}  // namespace rollscribe
