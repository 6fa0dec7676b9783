#pragma once

#include <wx/event.h>
#include <wx/string.h>

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/MidiPlayback.h"
#include "live/MidiPorts.h"
#include "picture/PictureFiles.h"
#include "picture/RollLayout.h"
#include "ui/ConversionChoice.h"
#include "ui/DesktopActions.h"
#include "ui/FailureMessages.h"

namespace rollscribe {

class CRollPane;
class RollScene;
class CRollPlayer;
class CRollWxDocument;

// The status bar's note after a conversion: "Written: MIDI-FILE", with " and EXPRESSION-FILE"
// when one was written too.
wxString WrittenFilesNote(const std::string& midi, const std::string& expression);

// The status bar's playing position, a roll position of the scene: "Playing 0:42 of 1:48" while
// it plays, else "Position 0:42 of 1:48" (after Stop, or a click that set where play starts).
std::string PositionText(const RollScene& scene, double time, bool playing);

// What the roll controller asks of the window that hosts it.
class CRollHost {
  public:
    virtual ~CRollHost() = default;
    // The window that message boxes and dialogs belong to.
    virtual wxWindow* HostWindow() = 0;
    // The roll document; none before the document manager has made it.
    virtual CRollWxDocument* RollDocument() const = 0;
    // Whether the band that shows the roll's picture is shown.
    virtual bool IsRollPaneShown() = 0;
    // The state of longer work, for the status bar ("Playing 0:42 of 1:48"); empty for none.
    virtual void SetStatusMessage(const wxString& text) = 0;
    // A short note for the status bar that goes after a few seconds ("Picture saved: PATH").
    virtual void ShowStatusNote(const wxString& text) = 0;
    // Shows the window as it is now (a dialog that closed gone, the status bar's text drawn),
    // before long work that holds the main loop.
    virtual void PaintNow() = 0;
    // The playing position (PositionText), in a pane of the status bar of its own that the text
    // about the pointer leaves alone; empty for none.
    virtual void ShowPosition(const wxString& text) = 0;
    // The text about the hole under the pointer, for the status bar; empty when none is.
    virtual void ShowHoleText(const wxString& text) = 0;
    // Whether the pointer shows that work goes on in the background.
    virtual void ShowWaiting(bool waiting) = 0;
    // The warnings about the roll on show, a line each, over the report; empty for none.
    virtual void ShowWarnings(const wxString& text) = 0;
};

// The Roll menu's commands and the playback, for the roll on show: Play/Stop with a cursor over
// the picture (the sound font loaded in the background at the first play), the zoom, Open MIDI
// File, Show in Folder, Copy Report and Export Picture. The main frame hosts it and hands it its
// commands (and their menu updates) first; it hears of the document's changes through the
// document's events.
class CRollController : public wxEvtHandler {
  public:
    // The status bar's note after File New, while the report still names the last roll.
    static constexpr const char* kNoRollNote =
        "No roll is open (the report's This File names the last one opened)";

    // pane: the host's band that shows the roll's picture.
    CRollController(CRollHost& host, CRollPane& pane);
    ~CRollController() override;

    // How the roll is played (sound font, audio output); taken at the next first play.
    void SetPlaybackOptions(const PlaybackOptions& options);
    // What Open MIDI File and Show in Folder ask of the desktop.
    void SetDesktop(DesktopActions desktop) { m_desktop = std::move(desktop); }
    // The installed user guide that Help > User Guide opens (bytes); empty when none is found.
    void SetUserGuide(std::string path) { m_userGuide = std::move(path); }

    // How rolls are converted (Roll > Expression, Roll System, Output Folder): the program's one
    // copy, which the roll document reads at each open (CRollWxDocument::ConvertBy), and what
    // hears of a change the user makes (to keep it).
    void SetConversion(const ConversionChoice& choice) { m_conversion = choice; }
    const ConversionChoice& Conversion() const noexcept { return m_conversion; }
    void SetConversionListener(std::function<void(const ConversionChoice&)> listener) {
        m_conversionListener = std::move(listener);
    }

    // Where the roll is played (Roll > MIDI Output): the MIDI port of a name, the sound font for
    // none. A port that is not there now is not used: the status bar says that the sound font
    // plays. The name chosen, empty for the sound font.
    void SetMidiOutput(const std::string& portName);
    const std::string& MidiOutput() const noexcept { return m_midiOutput; }
    // What hears of a choice the user makes in Roll > MIDI Output (to keep it).
    void SetMidiOutputListener(std::function<void(const std::string&)> listener) {
        m_midiOutputListener = std::move(listener);
    }

    // Whether the roll plays, or waits for the sound font to load to play.
    bool IsPlaying() const;
    bool IsWaitingForSoundFont() const;
    // Stops the playing; the next play starts where it stopped.
    void StopPlayback();

  private:
    const std::string& ConvertedMidi() const;
    // The file Play plays: the expression file when one was written.
    const std::string& PlayedMidi() const;
    CRollPlayer& Player();
    void ShowFailure(FileTask task, const std::string& file, std::exception_ptr error);
    // Puts the pane's cursor (the playing position) and says where it is in the status bar.
    void MoveCursor(std::optional<double> time, bool follow);
    void ShowDesktopFailure(const char* headline, const std::string& file, const wxString& reason);
    // Whether the MIDI file is still there; says why not in a message box under the headline.
    bool MidiFileIsThere(const char* headline, const std::string& midi);

    void OnRollChanging(wxCommandEvent& event);
    void OnRollChanged(wxCommandEvent& event);
    void OnPlayerPosition(long long tick, bool ended);
    void OnPlayerFailure(std::exception_ptr error);
    void OnRollClicked(double time);

    void OnPlay(wxCommandEvent& event);
    void OnUpdatePlay(wxUpdateUIEvent& event);
    void OnZoom(wxCommandEvent& event);
    void OnUpdateZoom(wxUpdateUIEvent& event);
    void OnLaneHeight(wxCommandEvent& event);
    void OnUpdateLaneHeight(wxUpdateUIEvent& event);
    void OnOpenMidi(wxCommandEvent& event);
    void OnUserGuide(wxCommandEvent& event);
    void OnShowInFolder(wxCommandEvent& event);
    void OnUpdateNeedsMidi(wxUpdateUIEvent& event);
    void OnCopyReport(wxCommandEvent& event);
    void OnExportPicture(wxCommandEvent& event);
    void OnUpdateExportPicture(wxUpdateUIEvent& event);
    void OnExpression(wxCommandEvent& event);
    void OnUpdateExpression(wxUpdateUIEvent& event);
    void OnRollSystem(wxCommandEvent& event);
    void OnUpdateRollSystem(wxUpdateUIEvent& event);
    void OnOutputFolder(wxCommandEvent& event);
    // Takes a new choice: keeps it, and converts the roll on show again by it.
    void ChangeConversion(const ConversionChoice& choice);
    void OnHole(const std::string& text, const std::optional<HoleAtPoint>& hole);
    // Roll > MIDI Output: its items made afresh as the Roll menu opens (the sound font, each port
    // found), a choice, and which is checked.
    void OnMenuOpen(wxMenuEvent& event);
    void FillMidiOutputMenu(wxMenu& menu);
    void OnMidiOutput(wxCommandEvent& event);
    void OnUpdateMidiOutput(wxUpdateUIEvent& event);
    // Plays to a port from now on, or through the sound font for none; a play goes on there.
    void UseMidiOutput(const std::optional<MidiPort>& port);

    CRollHost& m_host;
    CRollPane& m_pane;
    PlaybackOptions m_playbackOptions;
    std::unique_ptr<CRollPlayer> m_player;
    DesktopActions m_desktop = SystemDesktop();
    std::string m_userGuide;
    PictureFormat m_exportFormat = PictureFormat::png;
    ConversionChoice m_conversion;
    std::function<void(const ConversionChoice&)> m_conversionListener;
    std::optional<MidiPort> m_livePort;  // the MIDI output chosen; none for the sound font
    std::string m_midiOutput;            // its name
    std::vector<MidiPort> m_menuPorts;   // the ports in Roll > MIDI Output, in menu order
    std::function<void(const std::string&)> m_midiOutputListener;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace rollscribe
