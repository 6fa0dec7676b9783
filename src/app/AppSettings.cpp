#include "app/AppSettings.h"

#include <wx/docview.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/stdpaths.h>

#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "text/WxText.h"

namespace rollscribe {

wxString CAppSettings::FilePath() {
    wxFileName file(wxStandardPaths::Get().GetUserConfigDir(), "rollscribe.conf");
    file.AppendDir(WxAscii(kRegistryKey));
    return file.GetFullPath();
}

wxString CAppSettings::RecentFileGroup() {
    return "/" + WxAscii(LoadResourceString(res::AFX_IDS_APP_TITLE)) + "/Recent File List";
}

wxString CAppSettings::PlaybackGroup() {
    return "/" + WxAscii(LoadResourceString(res::AFX_IDS_APP_TITLE)) + "/Playback";
}

std::string CAppSettings::SoundFont() {
    wxString font;
    m_config->SetPath(PlaybackGroup());
    m_config->Read("SoundFont", &font);
    m_config->SetPath("/");
    return PathBytes(font);
}

CAppSettings::CAppSettings() {
    // A damaged settings file only loses the list: the toolkit's complaints about its lines
    // (log messages and consistency checks) are not for the user.
    wxLogNull quiet;
    wxAssertHandler_t checks = wxSetAssertHandler(nullptr);
    m_config = std::make_unique<wxFileConfig>(wxEmptyString, wxEmptyString, FilePath(),
                                              wxEmptyString, wxCONFIG_USE_LOCAL_FILE);
    // Values are file names, kept as written: "$HOME" in a name is not to be expanded.
    m_config->SetExpandEnvVars(false);
    wxSetAssertHandler(checks);
}

CAppSettings::~CAppSettings() {
    wxLogNull quiet;
    m_config.reset();
}

void CAppSettings::LoadRecentFiles(wxDocManager& manager) {
    m_config->SetPath(RecentFileGroup());
    manager.FileHistoryLoad(*m_config);
    m_config->SetPath("/");
}

void CAppSettings::SaveRecentFiles(wxDocManager& manager) {
    wxLogNull quiet;  // settings that cannot be written are not worth an error box
    m_config->SetPath(RecentFileGroup());
    manager.FileHistorySave(*m_config);
    // The toolkit writes empty entries for the unused places; only the files are kept.
    for (size_t i = manager.GetHistoryFilesCount(); i < kRecentFileCount; ++i) {
        m_config->DeleteEntry(wxString::Format("file%zu", i + 1));
    }
    m_config->SetPath("/");
    if (manager.GetHistoryFilesCount() == 0) {
        // An empty list leaves no empty groups behind, and creates no settings file.
        m_config->DeleteGroup(RecentFileGroup());
        for (wxString group = RecentFileGroup().BeforeLast('/'); !group.empty();
             group = group.BeforeLast('/')) {
            m_config->SetPath(group);
            bool empty = m_config->GetNumberOfEntries() == 0 && m_config->GetNumberOfGroups() == 0;
            m_config->SetPath("/");
            if (!empty) break;
            m_config->DeleteGroup(group);
        }
        if (!wxFileName::FileExists(FilePath())) return;
    }
    wxFileName::Mkdir(wxFileName(FilePath()).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    m_config->Flush();
}

}  // namespace rollscribe
