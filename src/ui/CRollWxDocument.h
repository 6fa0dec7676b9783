#pragma once

#include <wx/docview.h>

#include "roll/CRollscribeDoc.h"

// The toolkit's document for the roll: it holds the core's CRollscribeDoc, which the view shows,
// and opens files through the core's load, the same one the converter uses. The program has no
// stored form of its own: the document is never marked modified (so nothing asks to save), Save
// writes nothing, and Save As writes a copy of the MIDI file that the last open converted.
class CRollWxDocument : public wxDocument {
  public:
    CRollWxDocument();

    CRollscribeDoc& Roll() noexcept { return m_roll; }
    const CRollscribeDoc& Roll() const noexcept { return m_roll; }

    // File New: back to the roll's reset values, titled as an unnamed document.
    bool OnNewDocument() override;
    // Loads and converts the file. Errors from file work (the roll cannot be read, it ends
    // inside its header, the MIDI file cannot be written) are shown in one message box naming
    // the file and the reason; the open then counts as failed and the title stays.
    bool OnOpenDocument(const wxString& file) override;

    bool IsModified() const override { return false; }
    void Modify(bool modified) override { (void)modified; }
    bool Save() override { return false; }
    // Asks for a name and writes a copy of the converted MIDI file there; never the opened roll
    // or its annotation file.
    bool SaveAs() override;
    bool OnSaveDocument(const wxString& file) override;

    // The MIDI file that the last open wrote; empty when it wrote none.
    const wxString& ConvertedMidiFile() const noexcept { return m_convertedMidi; }

    // The message shown when opening file failed on concernedPath for reason.
    static wxString OpenFailureMessage(const std::string& file, const std::string& concernedPath,
                                       const std::string& reason);

  protected:
    bool DoOpenDocument(const wxString& file) override;
    bool DoSaveDocument(const wxString& file) override;

  private:
    wxWindow* MessageParent() const;

    CRollscribeDoc m_roll;
    wxString m_convertedMidi;

    wxDECLARE_DYNAMIC_CLASS(CRollWxDocument);
};
