#pragma once

#include <wx/fileconf.h>

#include <memory>
#include <string>

class wxDocManager;

namespace rollscribe {

// The per-user settings: the file Quorvel_Software/rollscribe.conf in the user's configuration
// folder (XDG_CONFIG_HOME, normally ~/.config), with everything under a group named after the
// application ("BAR/ANN to Vellum file converter"). The program keeps the recent-file list
// there; the user may add the sound font that playback uses (SoundFont in the group Playback).
// The file is rewritten atomically (a temporary file renamed over it) with mode 0666 less the
// umask. A missing, unreadable or damaged file is not an error: the list then starts empty.
class CAppSettings {
  public:
    CAppSettings();
    ~CAppSettings();
    CAppSettings(const CAppSettings&) = delete;
    CAppSettings& operator=(const CAppSettings&) = delete;

    void LoadRecentFiles(wxDocManager& manager);
    // Writes the list at once, so that it survives whatever ends the program.
    void SaveRecentFiles(wxDocManager& manager);

    // The sound font named in the settings (its bytes); empty when none is.
    std::string SoundFont();

    // The settings file.
    static wxString FilePath();
    // The group that holds the playback's settings.
    static wxString PlaybackGroup();

  private:
    // The group that holds the recent-file list.
    static wxString RecentFileGroup();

    std::unique_ptr<wxFileConfig> m_config;
};

}  // namespace rollscribe
