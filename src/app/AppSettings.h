#pragma once

#include <wx/fileconf.h>

#include <memory>
#include <string>

#include "ui/ConversionChoice.h"

class wxDocManager;

namespace rollscribe {

struct FrameLayout;

// The per-user settings: the file Quorvel_Software/rollscribe.conf in the user's configuration
// folder (XDG_CONFIG_HOME, normally ~/.config), with everything under a group named after the
// application ("BAR/ANN to Vellum file converter"). The program keeps the recent-file list and
// the main window's layout and how rolls are converted there; the user may add the sound font that
// playback uses (SoundFont in the group Playback). The file is rewritten atomically (a temporary
// file renamed over it) with mode 0666 less the umask. A missing, unreadable or damaged file is not
// an error: the list then starts empty. The file is UTF-8; a byte that is not is kept as it stands,
// in that value only, and written back unchanged.
class CAppSettings {
  public:
    CAppSettings();
    ~CAppSettings();
    CAppSettings(const CAppSettings&) = delete;
    CAppSettings& operator=(const CAppSettings&) = delete;

    void LoadRecentFiles(wxDocManager& manager);
    // Writes the list at once, so that it survives whatever ends the program.
    void SaveRecentFiles(wxDocManager& manager);

    // The main window's layout (group Window): as the window starts when none is kept, and a
    // value that makes no sense left out.
    FrameLayout ReadLayout();
    // Writes it at once.
    void SaveLayout(const FrameLayout& layout);

    // How rolls are converted (group Conversion: Expression, RollSystem, OutputFolder): as
    // first started when none is kept. An output folder that is not a full path is not used
    // (the outputs go beside the roll): RefusedOutputFolder() then names it.
    ConversionChoice ReadConversion();
    // The output folder ReadConversion() last left out; empty when none.
    const std::string& RefusedOutputFolder() const noexcept { return m_refusedOutputFolder; }
    // Writes it at once.
    void SaveConversion(const ConversionChoice& choice);

    // The sound font named in the settings (its bytes); empty when none is.
    std::string SoundFont();
    // The MIDI port that Roll > MIDI Output last chose, by its name (MidiOutput in the group
    // Playback); empty for the sound font.
    std::string MidiOutput();
    // Writes it at once.
    void SaveMidiOutput(const std::string& port);

    // The settings file.
    static wxString FilePath();
    // The group that holds the playback's settings.
    static wxString PlaybackGroup();

  private:
    // The groups that hold the recent-file list and the window's layout.
    static wxString RecentFileGroup();
    static wxString WindowGroup();
    static wxString ConversionGroup();
    // Writes the file (and its folder) now.
    void Flush();
    // The bytes of a value in the group Playback; empty when it is not set.
    std::string PlaybackValue(const char* key);
    // A value's bytes, and the value for bytes, as the file holds them.
    std::string ValueBytes(const wxString& value) const;
    wxString ValueOf(const std::string& bytes) const;

    std::unique_ptr<wxMBConv> m_conv;
    std::unique_ptr<wxFileConfig> m_config;
    std::string m_refusedOutputFolder;
};

}  // namespace rollscribe
