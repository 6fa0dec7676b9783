#pragma once

#include <wx/docview.h>

#include <memory>
#include <string>

#include "conversion/ConversionJob.h"
#include "picture/RollScene.h"
#include "roll/CRollscribeDoc.h"
#include "roll/RollWarnings.h"
#include "ui/ConversionChoice.h"
#include "ui/NoteVelocities.h"

namespace rollscribe {

// The toolkit's document for the roll: it holds the core's CRollscribeDoc, which the view shows,
// and opens files through the conversion job, the same one the converter runs. The program has no
// stored form of its own: the document is never marked modified (so nothing asks to save), Save
// writes nothing, and Save As writes a copy of the MIDI file that the last open converted.
class CRollWxDocument : public wxDocument {
  public:
    CRollWxDocument();

    const CRollscribeDoc& Roll() const noexcept { return m_roll; }

    // File New: back to the roll's reset values, titled as an unnamed document.
    bool OnNewDocument() override;
    // Loads and converts the roll file at path (its bytes, as the file system names it). Errors
    // from file work (the roll cannot be read, it ends inside its header, the MIDI file cannot
    // be written) are shown in one message box naming the file and the reason; the open then
    // counts as failed. Either way the caption names the file that the report shows: after a
    // failure that is the earlier roll (which Save As still copies) when the file could not be
    // opened at all, and otherwise the failed file, whose messages up to the failure the view
    // shows.
    bool OpenRoll(const std::string& path);
    // The toolkit's way to open a file, for its own callers: as OpenRoll.
    bool OnOpenDocument(const wxString& file) override;

    bool IsModified() const override { return false; }
    void Modify(bool modified) override { (void)modified; }
    bool Save() override { return false; }
    // Asks for a name and writes a copy of the converted MIDI file there; never the opened roll
    // or its annotation file.
    bool SaveAs() override;
    bool OnSaveDocument(const wxString& file) override;

    // How the rolls opened from now on are converted: by choice, which the caller keeps (the
    // Roll menu's, which it changes) and which is read at each open. Until this is called, as
    // the settings' defaults say.
    void ConvertBy(const ConversionChoice& choice);
    // Opens the roll on show again, converted as now chosen; false when none is on show or it
    // failed (and said why).
    bool ReopenRoll();
    // Whether the report shows a roll opened (not the reset values of File New or the start).
    bool IsRollOpen() const noexcept { return !m_shownRoll.empty(); }

    // The MIDI file written for the roll on show (its bytes); empty when none was.
    const std::string& ConvertedMidiFile() const noexcept { return m_convertedMidi; }
    // The file that plays the roll on show: its expression file when one was written, else its
    // MIDI file; empty when none was.
    const std::string& PlayedMidiFile() const noexcept {
        return m_expressionFile.empty() ? m_convertedMidi : m_expressionFile;
    }
    // The expression file written for the roll on show; empty when none was.
    const std::string& ExpressionFile() const noexcept { return m_expressionFile; }
    // What is doubtful about the roll on show (no annotation file, one that cannot be read, a
    // roll cut short ...), as the converter warns of it; empty for a sound roll or none.
    const std::vector<RollWarning>& Warnings() const noexcept { return m_warnings; }
    // The velocity of each hole of the roll on show in its expression file; empty without one.
    const NoteVelocities& Velocities() const noexcept { return m_velocities; }
    // The picture of the roll on show, made after its conversion, or after it was read in full
    // and only its MIDI file could not be written; none before any open, after File New and
    // after a file that was not converted or not read in full.
    std::shared_ptr<const RollScene> Scene() const noexcept { return m_scene; }

  protected:
    bool DoSaveDocument(const wxString& file) override;

  private:
    // Sends a roll event (below) to the document's window.
    void TellWindow(wxEventType type, const wxString& file = wxEmptyString);
    // Titles the document after the file whose path the report shows.
    void NameAfterReport();
    wxWindow* MessageParent() const;

    // Takes the expression of the roll just converted, when it had one, into what is shown and
    // played. Gives the failure message when its expression file was not written.
    wxString TakeExpression(const ConversionOutcome& outcome, RollScene& scene);
    // Lays the picture's lanes out as the chosen roll system's tracker bar has its holes (the
    // profile read once for each choice); a profile that cannot be read leaves them as they are
    // (the expression, when chosen, says why).
    void LayOutTrackerBar(RollScene& scene);

    CRollscribeDoc m_roll;
    const ConversionChoice* m_choice;  // the caller's
    ConversionSettings m_settings;     // made of *m_choice at each open
    ConversionJob m_job;
    std::string m_shownRoll;  // the roll file the report shows; empty after File New
    std::string m_convertedMidi;
    std::string m_expressionFile;
    NoteVelocities m_velocities;
    std::vector<RollWarning> m_warnings;
    std::shared_ptr<const RollScene> m_scene;
    std::string m_barProfileName;  // the profile m_barProfile was read for; none yet when empty
    std::shared_ptr<const RollProfile> m_barProfile;

    wxDECLARE_DYNAMIC_CLASS(CRollWxDocument);
};

// The events the document sends to its window (the main frame), beside updating its views:
// before a load or File New changes the roll (what plays the old roll's MIDI file stops then; for
// a load the event's string is the name of the file being opened, and the pointer already shows
// the work), and after it changed (the new roll's picture is shown then).
wxDECLARE_EVENT(EVT_ROLL_CHANGING, wxCommandEvent);
wxDECLARE_EVENT(EVT_ROLL_CHANGED, wxCommandEvent);

// The roll document of a document manager (it keeps one at most); none before it has made it.
CRollWxDocument* RollDocumentOf(wxDocManager* manager);

}  // namespace rollscribe
