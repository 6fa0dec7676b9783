#include "ui/CRollController.h"

#include <sys/stat.h>
#include <wx/clipbrd.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>
#include <wx/weakref.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>

#include "expression/ProfileLocator.h"
#include "picture/TimeScale.h"
#include "resources/CommandIds.h"
#include "resources/MenuResource.h"
#include "resources/ProgramName.h"
#include "roll/OutputNames.h"
#include "roll/RollReport.h"
#include "text/FilePatterns.h"
#include "text/WxText.h"
#include "ui/CRollPane.h"
#include "ui/CRollPlayer.h"
#include "ui/CRollWxDocument.h"
#include "ui/GtkFileTypeExtension.h"
#include "ui/LiveOutput.h"
#include "ui/MidiCopy.h"
#include "ui/PictureExport.h"
#include "ui/ReplaceQuestion.h"

namespace rollscribe {

namespace {

// The Export Picture dialog's file types, in the order of PictureFormat.
constexpr PictureFormat kExportFormats[] = {PictureFormat::png, PictureFormat::svg,
                                            PictureFormat::pdf, PictureFormat::pdfA4,
                                            PictureFormat::pdfLetter};

// The Export Picture dialog's wildcard. Each type lists its lowercase pattern first, the one the
// dialog takes an extension from, then the pattern that shows its files in any letter case.
wxString ExportWildcard() {
    wxString wildcard;
    for (auto [name, extension] :
         {std::pair{"PNG Pictures (*.png)", ".png"}, std::pair{"SVG Pictures (*.svg)", ".svg"},
          std::pair{"PDF Documents (*.pdf)", ".pdf"},
          std::pair{"PDF Pages to Print, A4 (*.pdf)", ".pdf"},
          std::pair{"PDF Pages to Print, Letter (*.pdf)", ".pdf"}}) {
        if (!wildcard.empty()) wildcard += "|";
        wildcard += wxString(name) + "|*" + extension + ";" + AnyCasePattern(extension);
    }
    return wildcard;
}

}  // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(CRollController, wxEvtHandler)
    EVT_MENU(cmd::kPlay, CRollController::OnPlay)
    EVT_UPDATE_UI(cmd::kPlay, CRollController::OnUpdatePlay)
    EVT_MENU(cmd::kZoomIn, CRollController::OnZoom)
    EVT_MENU(cmd::kZoomOut, CRollController::OnZoom)
    EVT_MENU(cmd::kZoomAll, CRollController::OnZoom)
    EVT_UPDATE_UI(cmd::kZoomIn, CRollController::OnUpdateZoom)
    EVT_UPDATE_UI(cmd::kZoomOut, CRollController::OnUpdateZoom)
    EVT_UPDATE_UI(cmd::kZoomAll, CRollController::OnUpdateZoom)
    EVT_MENU(cmd::kTallerLanes, CRollController::OnLaneHeight)
    EVT_MENU(cmd::kShorterLanes, CRollController::OnLaneHeight)
    EVT_MENU(cmd::kFittingLanes, CRollController::OnLaneHeight)
    EVT_UPDATE_UI(cmd::kTallerLanes, CRollController::OnUpdateLaneHeight)
    EVT_UPDATE_UI(cmd::kShorterLanes, CRollController::OnUpdateLaneHeight)
    EVT_UPDATE_UI(cmd::kFittingLanes, CRollController::OnUpdateLaneHeight)
    EVT_MENU(cmd::kOpenMidi, CRollController::OnOpenMidi)
    EVT_MENU(cmd::kUserGuide, CRollController::OnUserGuide)
    EVT_UPDATE_UI(cmd::kOpenMidi, CRollController::OnUpdateNeedsMidi)
    EVT_MENU(cmd::kShowInFolder, CRollController::OnShowInFolder)
    EVT_UPDATE_UI(cmd::kShowInFolder, CRollController::OnUpdateNeedsMidi)
    EVT_MENU(cmd::kCopyReport, CRollController::OnCopyReport)
    EVT_MENU(cmd::kExportPicture, CRollController::OnExportPicture)
    EVT_UPDATE_UI(cmd::kExportPicture, CRollController::OnUpdateExportPicture)
    EVT_MENU(cmd::kExpression, CRollController::OnExpression)
    EVT_UPDATE_UI(cmd::kExpression, CRollController::OnUpdateExpression)
    EVT_MENU(cmd::kOutputFolder, CRollController::OnOutputFolder)
    EVT_MENU_RANGE(cmd::kSystemAutomatic, cmd::kSystemFile, CRollController::OnRollSystem)
    EVT_UPDATE_UI_RANGE(cmd::kSystemAutomatic, cmd::kSystemFile,
                        CRollController::OnUpdateRollSystem)
wxEND_EVENT_TABLE()
// clang-format on

CRollController::CRollController(CRollHost& host, CRollPane& pane) : m_host(host), m_pane(pane) {
    Bind(EVT_ROLL_CHANGING, &CRollController::OnRollChanging, this);
    Bind(EVT_ROLL_CHANGED, &CRollController::OnRollChanged, this);
    m_pane.SetHoleListener([this](const std::string& text, const std::optional<HoleAtPoint>& hole) {
        OnHole(text, hole);
    });
    m_pane.SetClickListener([this](double time) { OnRollClicked(time); });
    // The menu's opening is the frame's event, not a command.
    m_host.HostWindow()->Bind(wxEVT_MENU_OPEN, &CRollController::OnMenuOpen, this);
    Bind(wxEVT_MENU, &CRollController::OnMidiOutput, this, cmd::kMidiSoundFont, cmd::kMidiPortLast);
    Bind(wxEVT_UPDATE_UI, &CRollController::OnUpdateMidiOutput, this, cmd::kMidiSoundFont,
         cmd::kMidiPortLast);
}

CRollController::~CRollController() = default;

const std::string& CRollController::ConvertedMidi() const {
    static const std::string none;
    const CRollWxDocument* doc = m_host.RollDocument();
    return doc ? doc->ConvertedMidiFile() : none;
}

const std::string& CRollController::PlayedMidi() const {
    static const std::string none;
    const CRollWxDocument* doc = m_host.RollDocument();
    return doc ? doc->PlayedMidiFile() : none;
}

void CRollController::ShowFailure(FileTask task, const std::string& file,
                                  std::exception_ptr error) {
    wxMessageBox(FailureMessage(task, file, error), ProgramName(), wxOK | wxICON_EXCLAMATION,
                 m_host.HostWindow());
}

void CRollController::OnRollChanging(wxCommandEvent& event) {
    // What played the old roll's MIDI file stops, and the next play starts from the beginning.
    if (m_player) m_player->Reset();
    m_host.ShowWaiting(false);
    MoveCursor(std::nullopt, false);
    m_host.SetStatusMessage(event.GetString().empty() ? wxString()
                                                      : "Converting " + event.GetString() + "...");
    // A large roll takes seconds: the Open dialog is gone from the screen and the status bar says
    // what goes on before the work starts.
    if (!event.GetString().empty()) m_host.PaintNow();
}

wxString WrittenFilesNote(const std::string& midi, const std::string& expression) {
    return "Written: " + WxText(midi) + (expression.empty() ? "" : " and " + WxText(expression));
}

void CRollController::OnRollChanged(wxCommandEvent& event) {
    (void)event;
    m_host.SetStatusMessage(wxEmptyString);
    // The picture of the roll now on show; none when it was not converted.
    const CRollWxDocument* doc = m_host.RollDocument();
    // After File New the report still names the last roll's file (it shows the document's
    // fields): the status bar says that none is open.
    if (doc && !doc->IsRollOpen() && !doc->Roll().m_strFilePath.IsEmpty())
        m_host.ShowStatusNote(kNoRollNote);
    // After a conversion: where its files went (the report names the MIDI file among its
    // messages).
    if (doc && !doc->ConvertedMidiFile().empty())
        m_host.ShowStatusNote(WrittenFilesNote(doc->ConvertedMidiFile(), doc->ExpressionFile()));
    // What is doubtful about the roll, as the converter says it, each file by its name (the
    // report and the caption give the roll's folder).
    wxString warnings;
    if (doc) {
        for (const RollWarning& warning : doc->Warnings()) {
            if (!warnings.empty()) warnings += "\n";
            warnings += WxText(warning.file.substr(warning.file.rfind('/') + 1)) + ": " +
                        WxText(warning.text);
        }
    }
    m_host.ShowWarnings(warnings);
    if (!doc || doc->Scene().get() == m_pane.Scene()) return;
    m_pane.ShowScene(doc->Scene());
}

void CRollController::SetPlaybackOptions(const PlaybackOptions& options) {
    m_playbackOptions = options;
    if (m_player && !IsPlaying()) m_player.reset();
}

CRollPlayer& CRollController::Player() {
    if (!m_player) {
        m_player = std::make_unique<CRollPlayer>(m_playbackOptions);
        m_player->SetListener(
            [this](std::int64_t tick, bool ended) { OnPlayerPosition(tick, ended); });
        m_player->SetFailureListener([this](std::exception_ptr error) { OnPlayerFailure(error); });
        if (m_livePort) m_player->UseLiveOutput(MakeLiveOutput(*m_livePort));
    }
    return *m_player;
}

void CRollController::SetMidiOutput(const std::string& portName) {
    std::optional<MidiPort> chosen;
    if (!portName.empty()) {
        for (const MidiPort& port : LiveOutputPorts())
            if (port.name == portName) chosen = port;
        if (!chosen)
            m_host.ShowStatusNote("MIDI port " + WxText(portName) +
                                  " not found: playing through the sound font");
    }
    UseMidiOutput(chosen);
}

void CRollController::UseMidiOutput(const std::optional<MidiPort>& port) {
    const bool playing = IsPlaying();
    StopPlayback();
    m_livePort = port;
    m_midiOutput = port ? port->name : std::string();
    if (m_player) m_player->UseLiveOutput(port ? MakeLiveOutput(*port) : nullptr);
    if (playing) {
        wxCommandEvent play(wxEVT_MENU, cmd::kPlay);
        OnPlay(play);
    }
}

void CRollController::OnMenuOpen(wxMenuEvent& event) {
    event.Skip();
    // The submenu is filled as the Roll menu opens: one changed as it is shown itself would keep
    // the size it had.
    wxMenu* outputs = nullptr;
    if (wxMenu* menu = event.GetMenu();
        menu && menu->FindItem(cmd::kMidiSoundFont, &outputs) && outputs && outputs != menu)
        FillMidiOutputMenu(*outputs);
}

void CRollController::FillMidiOutputMenu(wxMenu& menu) {
    for (int id = cmd::kMidiPortFirst; id <= cmd::kMidiPortLast; ++id)
        if (menu.FindChildItem(id)) menu.Destroy(id);
    m_menuPorts = LiveOutputPorts();
    if (m_menuPorts.size() > res::kMidiPortItems) m_menuPorts.resize(res::kMidiPortItems);
    // The port chosen stays in the list while it is not there, so that the menu shows the choice.
    const bool chosenFound =
        !m_livePort || std::any_of(m_menuPorts.begin(), m_menuPorts.end(),
                                   [&](const MidiPort& p) { return p.name == m_livePort->name; });
    if (!chosenFound) {
        if (m_menuPorts.size() == res::kMidiPortItems) m_menuPorts.pop_back();
        m_menuPorts.push_back(*m_livePort);
    }
    for (std::size_t i = 0; i < m_menuPorts.size(); ++i) {
        const MidiPort& port = m_menuPorts[i];
        wxString label = WxText(port.name) + " (" + ApiName(port.api) + ")";
        if (!chosenFound && i + 1 == m_menuPorts.size()) label += ", not found";
        label.Replace("&", "&&");
        label.Replace("\t", " ");  // not an accelerator
        const int id = cmd::kMidiPortFirst + static_cast<int>(i);
        menu.AppendRadioItem(id, label, CommandPrompt(id));
    }
    // A new radio item may have taken the check: it goes back to the choice.
    const int chosen = [&] {
        for (std::size_t i = 0; m_livePort && i < m_menuPorts.size(); ++i)
            if (m_menuPorts[i].name == m_livePort->name)
                return cmd::kMidiPortFirst + static_cast<int>(i);
        return cmd::kMidiSoundFont;
    }();
    menu.Check(chosen, true);
}

void CRollController::OnMidiOutput(wxCommandEvent& event) {
    const int id = event.GetId();
    std::optional<MidiPort> port;
    if (id != cmd::kMidiSoundFont) {
        const auto index = static_cast<std::size_t>(id - cmd::kMidiPortFirst);
        if (index >= m_menuPorts.size()) return;
        port = m_menuPorts[index];
    }
    if ((port ? port->name : std::string()) == m_midiOutput) return;
    UseMidiOutput(port);
    if (m_midiOutputListener) m_midiOutputListener(m_midiOutput);
}

void CRollController::OnUpdateMidiOutput(wxUpdateUIEvent& event) {
    const int id = event.GetId();
    bool chosen = !m_livePort;
    if (id != cmd::kMidiSoundFont) {
        const auto index = static_cast<std::size_t>(id - cmd::kMidiPortFirst);
        chosen =
            m_livePort && index < m_menuPorts.size() && m_menuPorts[index].name == m_livePort->name;
    }
    // A radio item is checked by checking it: the others of its group go off by themselves.
    if (chosen) event.Check(true);
}

bool CRollController::IsPlaying() const {
    return m_player && (m_player->IsPlaying() || m_player->IsStarting());
}

bool CRollController::IsWaitingForSoundFont() const {
    return m_player && m_player->IsStarting();
}

void CRollController::StopPlayback() {
    if (!IsPlaying()) return;
    const bool started = m_player->IsPlaying();
    m_player->Stop();
    m_host.SetStatusMessage(wxEmptyString);
    m_host.ShowWaiting(false);
    if (started)
        MoveCursor(RollScene::TimeOfTick(static_cast<double>(m_player->Position())), false);
}

void CRollController::OnPlay(wxCommandEvent& event) {
    (void)event;
    if (IsPlaying()) {
        StopPlayback();
        return;
    }
    const std::string midi = PlayedMidi();
    if (midi.empty() || !m_pane.Scene()) return;
    try {
        Player().Play(midi);
    } catch (...) {
        ShowFailure(FileTask::playMidi, midi, std::current_exception());
        return;
    }
    if (Player().IsStarting()) {
        // The window stays in use while the sound font loads; the play starts when it is loaded.
        m_host.SetStatusMessage("Loading the sound font " + WxText(Player().SoundFont()) + "...");
        m_host.ShowWaiting(true);
        return;
    }
    m_host.ShowWaiting(false);
    MoveCursor(RollScene::TimeOfTick(static_cast<double>(Player().Position())), true);
}

void CRollController::OnUpdatePlay(wxUpdateUIEvent& event) {
    event.Enable(!ConvertedMidi().empty() && m_pane.Scene());
    event.SetText(WxAscii(IsPlaying() ? kStopLabel : kPlayLabel));
}

std::string PositionText(const RollScene& scene, double time, bool playing) {
    const double held = std::clamp(time, 0.0, static_cast<double>(scene.EndTime()));
    return (playing ? "Playing " : "Position ") +
           FormatClock(std::floor(scene.SecondsAt(static_cast<int>(held))), 1) + " of " +
           FormatClock(std::floor(scene.SecondsAt(scene.EndTime())), 1);
}

void CRollController::MoveCursor(std::optional<double> time, bool follow) {
    m_pane.SetCursor(time, follow);
    const RollScene* scene = m_pane.Scene();
    const std::optional<double> cursor = m_pane.Cursor();
    const bool playing = m_player && m_player->IsPlaying();
    m_host.ShowPosition(scene && cursor ? WxAscii(PositionText(*scene, *cursor, playing))
                                        : wxString());
}

void CRollController::OnPlayerPosition(long long tick, bool ended) {
    if (ended) {
        m_host.SetStatusMessage(wxEmptyString);
        MoveCursor(std::nullopt, false);
        return;
    }
    m_host.ShowWaiting(false);
    // The picture follows the cursor only while the pane can be seen.
    MoveCursor(RollScene::TimeOfTick(static_cast<double>(tick)), m_host.IsRollPaneShown());
}

void CRollController::OnPlayerFailure(std::exception_ptr error) {
    m_host.SetStatusMessage(wxEmptyString);
    m_host.ShowWaiting(false);
    // A live play cut short: the cursor stays where it stopped.
    if (m_player && m_player->PlaysLive() && m_pane.Scene())
        m_pane.SetCursor(RollScene::TimeOfTick(static_cast<double>(m_player->Position())), false);
    ShowFailure(FileTask::playMidi, PlayedMidi(), error);
}

void CRollController::OnRollClicked(double time) {
    if (ConvertedMidi().empty()) return;
    // The tick of the position as the MIDI file counts them: never past a note starting there.
    const std::int64_t tick = RollScene::TickOfTime(time);
    try {
        Player().SetPosition(tick);
    } catch (...) {
        ShowFailure(FileTask::playMidi, PlayedMidi(), std::current_exception());
        return;
    }
    MoveCursor(RollScene::TimeOfTick(static_cast<double>(tick)), false);
}

void CRollController::OnZoom(wxCommandEvent& event) {
    if (!m_host.IsRollPaneShown()) return;
    switch (event.GetId()) {
        case cmd::kZoomIn:
            m_pane.ZoomIn();
            break;
        case cmd::kZoomOut:
            m_pane.ZoomOut();
            break;
        default:
            m_pane.ZoomToFit();
            break;
    }
}

void CRollController::OnUpdateZoom(wxUpdateUIEvent& event) {
    const RollViewport& viewport = m_pane.Viewport();
    bool can = m_host.IsRollPaneShown() && m_pane.Scene();
    if (event.GetId() == cmd::kZoomIn) can = can && viewport.CanZoomIn();
    if (event.GetId() == cmd::kZoomOut) can = can && viewport.CanZoomOut();
    if (event.GetId() == cmd::kZoomAll) can = can && !viewport.ShowsWholeRoll();
    event.Enable(can);
}

void CRollController::OnLaneHeight(wxCommandEvent& event) {
    if (!m_host.IsRollPaneShown()) return;
    if (event.GetId() == cmd::kTallerLanes) {
        m_pane.TallerLanes();
    } else if (event.GetId() == cmd::kShorterLanes) {
        m_pane.ShorterLanes();
    } else {
        // A check item: on, the lanes fit; off, they keep the height they have now.
        const RollViewport& viewport = m_pane.Viewport();
        m_pane.SetLaneHeightChoice(viewport.LaneHeightChoice() > 0 ? 0
                                                                   : viewport.View().laneHeight);
    }
}

void CRollController::OnUpdateLaneHeight(wxUpdateUIEvent& event) {
    const RollViewport& viewport = m_pane.Viewport();
    const bool shown = m_host.IsRollPaneShown() && m_pane.Scene();
    if (event.GetId() == cmd::kTallerLanes) {
        event.Enable(shown && viewport.CanMakeLanesTaller());
    } else if (event.GetId() == cmd::kShorterLanes) {
        event.Enable(shown && viewport.CanMakeLanesShorter());
    } else {
        event.Enable(shown);
        event.Check(viewport.LaneHeightChoice() == 0);
    }
}

void CRollController::OnUpdateNeedsMidi(wxUpdateUIEvent& event) {
    event.Enable(!ConvertedMidi().empty());
}

void CRollController::ShowDesktopFailure(const char* headline, const std::string& file,
                                         const wxString& reason) {
    wxMessageBox(wxString(headline) + "\n" + WxText(file) + "\n\n" + reason, ProgramName(),
                 wxOK | wxICON_EXCLAMATION, m_host.HostWindow());
}

bool CRollController::MidiFileIsThere(const char* headline, const std::string& midi) {
    struct stat st {};
    if (::stat(midi.c_str(), &st) == 0) return true;
    const int error = errno;
    ShowDesktopFailure(headline, midi,
                       error == ENOENT
                           ? wxString("The file is no longer there.")
                           : "The file cannot be reached: " + WxText(std::strerror(error)) + ".");
    return false;
}

void CRollController::OnOpenMidi(wxCommandEvent& event) {
    (void)event;
    static constexpr const char* kHeadline = "Rollscribe could not open the MIDI file:";
    const std::string midi = ConvertedMidi();
    if (midi.empty() || !m_desktop.open || !MidiFileIsThere(kHeadline, midi)) return;
    if (!m_desktop.open(midi))
        ShowDesktopFailure(kHeadline, midi, "This desktop has no program set to open MIDI files.");
}

void CRollController::OnUserGuide(wxCommandEvent& event) {
    (void)event;
    static constexpr const char* kHeadline = "Rollscribe could not open its user guide:";
    if (m_userGuide.empty()) {
        wxMessageBox(
            "The user guide is not installed with this program. It is docs/user-guide.md "
            "in the program's sources.",
            ProgramName(), wxOK | wxICON_INFORMATION, m_host.HostWindow());
        return;
    }
    if (!m_desktop.open || !m_desktop.open(m_userGuide))
        ShowDesktopFailure(kHeadline, m_userGuide,
                           "This desktop has no program set to open it; the guide is that file.");
}

void CRollController::OnShowInFolder(wxCommandEvent& event) {
    (void)event;
    static constexpr const char* kHeadline =
        "Rollscribe could not show the MIDI file in its folder:";
    const std::string midi = ConvertedMidi();
    if (midi.empty() || !m_desktop.showInFolder || !MidiFileIsThere(kHeadline, midi)) return;
    // The answer may come later, from the main loop, when this controller may be gone.
    m_desktop.showInFolder(midi, [self = wxWeakRef<CRollController>(this), midi] {
        if (self)
            self->ShowDesktopFailure(kHeadline, midi,
                                     "This desktop has no file manager, and no program set to "
                                     "open folders.");
    });
}

void CRollController::OnCopyReport(wxCommandEvent& event) {
    (void)event;
    const CRollWxDocument* doc = m_host.RollDocument();
    if (!doc || !wxTheClipboard->Open()) return;
    // The report's text as the converter prints it: "&" is a character here, not a mnemonic.
    wxTheClipboard->SetData(new wxTextDataObject(WxText(BuildRollReport(doc->Roll()).View())));
    wxTheClipboard->Close();
    m_host.ShowStatusNote("Report copied to the Clipboard");
}

void CRollController::OnUpdateExportPicture(wxUpdateUIEvent& event) {
    const CRollWxDocument* doc = m_host.RollDocument();
    event.Enable(doc && doc->Scene());
}

void CRollController::OnExportPicture(wxCommandEvent& event) {
    (void)event;
    const CRollWxDocument* doc = m_host.RollDocument();
    if (!doc || !doc->Scene()) return;
    const std::shared_ptr<const RollScene> scene = doc->Scene();
    const CRollscribeDoc& roll = doc->Roll();
    const wxFileName suggested(
        WxPath(OutputPathOf(roll, PictureOutputExtension(m_exportFormat)).ToStdString()));
    wxFileDialog dialog(m_host.HostWindow(), "Export Picture", suggested.GetPath(),
                        suggested.GetFullName(), ExportWildcard(), wxFD_SAVE);
    // Another file type gives the name its extension.
    FollowFileTypeWithExtension(dialog, {".png", ".svg", ".pdf", ".pdf", ".pdf"});
    int type = 0;
    while (kExportFormats[type] != m_exportFormat) ++type;
    dialog.SetFilterIndex(type);
    const std::vector<CString> protectedFiles = {roll.m_strFilePath, roll.AnnotationFilePath(),
                                                 roll.MidiFilePath()};
    PictureTarget target;
    // A file of the roll is refused before anything is asked about it; then the name with its
    // extension, as it will be written, is asked about (the dialog asks nothing: it knows only
    // the name as typed). No goes back to the dialog for another name.
    for (;;) {
        if (dialog.ShowModal() != wxID_OK) return;
        const int chosen = dialog.GetFilterIndex();
        if (chosen >= 0 && chosen < static_cast<int>(std::size(kExportFormats)))
            m_exportFormat = kExportFormats[chosen];
        target = PictureTargetFor(PathBytes(dialog.GetPath()), m_exportFormat);
        try {
            RefuseProtectedTarget(CString(target.path), protectedFiles);
        } catch (...) {
            ShowFailure(FileTask::exportPicture, target.path, std::current_exception());
            return;
        }
        if (AllowsReplacing(m_host.HostWindow(), "Export Picture", target.path)) break;
    }
    std::exception_ptr failure;
    {
        // A long roll's picture takes seconds: the dialog is gone from the screen and the status
        // bar says what goes on before the work starts.
        wxBusyCursor busy;
        m_host.SetStatusMessage("Saving the picture " + WxText(target.path) + "...");
        m_host.PaintNow();
        try {
            ExportPicture(*scene, target, protectedFiles);
        } catch (...) {
            failure = std::current_exception();
        }
        m_host.SetStatusMessage(wxEmptyString);
    }
    if (failure) {
        ShowFailure(FileTask::exportPicture, target.path, failure);
        return;
    }
    m_host.ShowStatusNote("Picture saved: " + WxText(target.path));
}

void CRollController::OnHole(const std::string& text, const std::optional<HoleAtPoint>& hole) {
    wxString shown = WxText(text);
    const CRollWxDocument* doc = m_host.RollDocument();
    const RollScene* scene = m_pane.Scene();
    // With the expression, a note's hole says how loud the expression file strikes it.
    if (hole && doc && scene && doc->Scene().get() == scene && !doc->Velocities().IsEmpty()) {
        const int velocity =
            doc->Velocities().At(scene->Lanes().at(hole->lane).note, hole->bar.start);
        if (velocity > 0) shown += wxString::Format(", velocity %d", velocity);
    }
    m_host.ShowHoleText(shown);
}

void CRollController::ChangeConversion(const ConversionChoice& choice) {
    if (choice == m_conversion) return;
    const ConversionChoice before = std::exchange(m_conversion, choice);
    if (m_conversionListener) m_conversionListener(m_conversion);
    // What is shown and played follows the choice at once: the roll on show is converted again
    // when the choice changes what its conversion gives.
    const bool changes = before.expression != choice.expression ||
                         before.outputFolder != choice.outputFolder ||
                         (choice.expression && before.profile != choice.profile);
    if (CRollWxDocument* doc = m_host.RollDocument(); doc && changes) doc->ReopenRoll();
}

void CRollController::OnExpression(wxCommandEvent& event) {
    (void)event;
    ConversionChoice choice = m_conversion;
    choice.expression = !choice.expression;
    ChangeConversion(choice);
}

void CRollController::OnUpdateExpression(wxUpdateUIEvent& event) {
    event.Check(m_conversion.expression);
}

void CRollController::OnRollSystem(wxCommandEvent& event) {
    ConversionChoice choice = m_conversion;
    const int id = event.GetId();
    if (id == cmd::kSystemAutomatic) {
        choice.profile.clear();
    } else if (id == cmd::kSystemFile) {
        const wxFileName current(WxPath(IsProfileFile(choice.profile) ? choice.profile : ""));
        wxFileDialog dialog(
            m_host.HostWindow(), "Roll System Profile", current.GetPath(), current.GetFullName(),
            "Roll System Profiles (*.json)|*.json;" + AnyCasePattern(".json") + "|All Files (*)|*",
            wxFD_OPEN | wxFD_FILE_MUST_EXIST);
        if (dialog.ShowModal() != wxID_OK) return;
        choice.profile = PathBytes(dialog.GetPath());
    } else {
        choice.profile = std::string(kProfileNames[id - cmd::kSystemFirst]);
    }
    ChangeConversion(choice);
}

void CRollController::OnUpdateRollSystem(wxUpdateUIEvent& event) {
    const std::string& profile = m_conversion.profile;
    const int id = event.GetId();
    bool chosen = false;
    if (id == cmd::kSystemAutomatic) {
        chosen = profile.empty();
    } else if (id == cmd::kSystemFile) {
        chosen = !profile.empty() && IsProfileFile(profile);
    } else {
        chosen = profile == kProfileNames[id - cmd::kSystemFirst];
    }
    // A radio item is checked by checking it: the others of its group go off by themselves.
    if (chosen) event.Check(true);
}

void CRollController::OnOutputFolder(wxCommandEvent& event) {
    (void)event;
    ConversionChoice choice = m_conversion;
    const wxString now = choice.outputFolder.empty()
                             ? wxString("beside each roll")
                             : "in the folder\n" + WxText(choice.outputFolder);
    wxMessageDialog ask(m_host.HostWindow(),
                        "The MIDI file and the other outputs of a roll are written " + now + ".",
                        "Output Folder", wxYES_NO | wxCANCEL | wxICON_QUESTION);
    ask.SetYesNoCancelLabels("&Beside the Roll", "&Choose a Folder...", "Cancel");
    const int answer = ask.ShowModal();
    if (answer == wxID_CANCEL) return;
    if (answer == wxID_YES) {
        choice.outputFolder.clear();
    } else {
        // The dialog starts in the folder chosen before, else in the folder of the roll on show.
        const CRollWxDocument* doc = m_host.RollDocument();
        const std::string start = !choice.outputFolder.empty() ? choice.outputFolder
                                  : doc ? doc->Roll().m_strDirectory.ToStdString()
                                        : std::string();
        wxDirDialog dialog(m_host.HostWindow(), "Output Folder", WxPath(start), wxDD_DEFAULT_STYLE);
        if (dialog.ShowModal() != wxID_OK) return;
        choice.outputFolder = PathBytes(dialog.GetPath());
    }
    ChangeConversion(choice);
}

}  // namespace rollscribe
