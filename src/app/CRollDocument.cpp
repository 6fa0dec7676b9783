#include "app/CRollDocument.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <new>

#include "app/MidiCopy.h"
#include "app/StringTable.h"
#include "platform/CException.h"
#include "platform/CFile.h"
#include "roll/RollLoader.h"
#include "ui/WxText.h"

wxIMPLEMENT_DYNAMIC_CLASS(CRollDocument, wxDocument);

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

CRollDocument::CRollDocument() = default;

wxWindow* CRollDocument::MessageParent() const {
    wxWindow* window = GetDocumentWindow();
    return window && window->IsShown() ? window : nullptr;
}

bool CRollDocument::OnNewDocument() {
    if (!wxDocument::OnNewDocument()) return false;
    m_convertedMidi.clear();
    m_roll.OnNewDocument();
    UpdateAllViews();
    return true;
}

wxString CRollDocument::OpenFailureMessage(const std::string& file,
                                           const std::string& concernedPath,
                                           const std::string& reason) {
    if (concernedPath.empty() || concernedPath == file) {
        return "Rollscribe could not open this roll file:\n" + WxText(file) + "\n\n" +
               Sentence(reason);
    }
    return "Rollscribe could not convert this roll file:\n" + WxText(file) + "\n\n" +
           WxText(concernedPath) + "\n" + Sentence(reason);
}

bool CRollDocument::DoOpenDocument(const wxString& file) {
    m_convertedMidi.clear();
    std::string path = PathBytes(file);
    std::string fullPath = rollscribe::FullPath(CString(path)).ToStdString();
    wxString failure;
    try {
        wxBusyCursor busy;
        if (rollscribe::LoadRollFile(m_roll, CString(path)) == rollscribe::LoadOutcome::converted) {
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

bool CRollDocument::OnOpenDocument(const wxString& file) {
    if (!DoOpenDocument(file)) return false;
    SetFilename(file, false);
    SetTitle(wxFileName(file).GetFullName());
    SetDocumentSaved(true);
    for (wxView* view : GetViewsVector()) view->OnChangeFilename();
    UpdateAllViews();
    return true;
}

bool CRollDocument::SaveAs() {
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
        wxMessageBox("Rollscribe could not save the MIDI file:\n" + WxText(target) + "\n\n" +
                         (e.Path() == rollscribe::FullPath(CString(target)).ToStdString()
                              ? wxString()
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

bool CRollDocument::OnSaveDocument(const wxString& file) {
    (void)file;
    return false;  // nothing to store; never touch the file
}

bool CRollDocument::DoSaveDocument(const wxString& file) {
    (void)file;
    return false;
}
