#include "ui/CRollWxDocument.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <new>

#include "ui/MidiCopy.h"
#include "resources/StringTable.h"
#include "platform/CException.h"
#include "platform/CFile.h"
#include "roll/RollLoader.h"
#include "text/WxText.h"

wxIMPLEMENT_DYNAMIC_CLASS(CRollWxDocument, wxDocument);

namespace {

wxString Sentence(const std::string& reason) {
    wxString text = WxText(reason);
    if (!text.empty()) text[0] = wxToupper(text[0]);
    if (!text.empty() && !text.EndsWith(".")) text += ".";
    return text;
}

wxString ProgramName() {
    std::string_view name = TemplateString(TemplateField::windowTitle);
    return wxString::FromAscii(name.data(), name.size());
}

}  // namespace

CRollWxDocument::CRollWxDocument() = default;

wxWindow* CRollWxDocument::MessageParent() const {
    wxWindow* window = GetDocumentWindow();
    return window && window->IsShown() ? window : nullptr;
}

bool CRollWxDocument::OnNewDocument() {
    if (!wxDocument::OnNewDocument()) return false;
    m_convertedMidi.clear();
    m_roll.OnNewDocument();
    UpdateAllViews();
    return true;
}

wxString CRollWxDocument::OpenFailureMessage(const std::string& file,
                                           const std::string& concernedPath,
                                           const std::string& reason) {
    if (concernedPath.empty() || concernedPath == file) {
        return "Rollscribe could not open this roll file:\n" + WxText(file) + "\n\n" +
               Sentence(reason);
    }
    return "Rollscribe could not convert this roll file:\n" + WxText(file) + "\n\n" +
           WxText(concernedPath) + "\n" + Sentence(reason);
}

bool CRollWxDocument::DoOpenDocument(const wxString& file) {
    m_convertedMidi.clear();
    std::string path = PathBytes(file);
    std::string fullPath = FullPath(CString(path)).ToStdString();
    wxString failure;
    try {
        wxBusyCursor busy;
        if (LoadRollFile(m_roll, CString(path)) == LoadOutcome::converted) {
            m_convertedMidi = WxPath(m_roll.MidiFilePath().ToStdString());
        }
        return true;
    } catch (const CException& e) {
        failure = OpenFailureMessage(fullPath, e.Path(), e.Reason());
    } catch (const std::bad_alloc&) {
        failure = OpenFailureMessage(fullPath, "", "there is not enough memory to convert it");
    } catch (const std::exception& e) {
        failure = OpenFailureMessage(fullPath, "", e.what());
    }
    // The view shows what the document holds now: the messages gathered up to the failure.
    UpdateAllViews();
    wxMessageBox(failure, ProgramName(), wxOK | wxICON_EXCLAMATION, MessageParent());
    return false;
}

bool CRollWxDocument::OnOpenDocument(const wxString& file) {
    if (!DoOpenDocument(file)) return false;
    SetFilename(file, false);
    SetTitle(wxFileName(file).GetFullName());
    SetDocumentSaved(true);
    for (wxView* view : GetViewsVector()) view->OnChangeFilename();
    UpdateAllViews();
    return true;
}

bool CRollWxDocument::SaveAs() {
    if (m_convertedMidi.empty()) return false;
    wxFileName midi(m_convertedMidi);
    wxFileDialog dialog(MessageParent(), "Save As", midi.GetPath(), midi.GetFullName(),
                        "MIDI Files (*.mid)|*.mid|All Files (*)|*",
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK) return false;
    std::string target = PathBytes(dialog.GetPath());
    try {
        CopyConvertedFile(CString(PathBytes(m_convertedMidi)), CString(target),
                          {m_roll.m_strFilePath, m_roll.AnnotationFilePath()});
        return true;
    } catch (const CException& e) {
        wxMessageBox(
            "Rollscribe could not save the MIDI file:\n" + WxText(target) + "\n\n" +
                (e.Path() == FullPath(CString(target)).ToStdString() ? wxString()
                                                                     : WxText(e.Path()) + "\n") +
                Sentence(e.Reason()),
            ProgramName(), wxOK | wxICON_EXCLAMATION, MessageParent());
    } catch (const std::exception& e) {
        wxMessageBox("Rollscribe could not save the MIDI file:\n" + WxText(target) + "\n\n" +
                         Sentence(e.what()),
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
