#include "app/AppSettings.h"

#include <wx/docview.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/stdpaths.h>

#include <cstdlib>
#include <utility>

#include "resources/ResourceIds.h"
#include "resources/StringTable.h"
#include "text/WxText.h"
#include "ui/CMainFrame.h"

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

wxString CAppSettings::WindowGroup() {
    return "/" + WxAscii(LoadResourceString(res::AFX_IDS_APP_TITLE)) + "/Window";
}

wxString CAppSettings::ConversionGroup() {
    return "/" + WxAscii(LoadResourceString(res::AFX_IDS_APP_TITLE)) + "/Conversion";
}

ConversionChoice CAppSettings::ReadConversion() {
    ConversionChoice choice;
    wxString profile;
    wxString folder;
    m_config->SetPath(ConversionGroup());
    m_config->Read("Expression", &choice.expression, false);
    m_config->Read("RollSystem", &profile);
    m_config->Read("OutputFolder", &folder);
    m_config->SetPath("/");
    choice.profile = ValueBytes(profile);
    choice.outputFolder = ValueBytes(folder);
    // A relative folder would be taken from wherever the program was started.
    m_refusedOutputFolder.clear();
    if (!choice.outputFolder.empty() && choice.outputFolder.front() != '/')
        m_refusedOutputFolder = std::exchange(choice.outputFolder, std::string());
    return choice;
}

void CAppSettings::SaveConversion(const ConversionChoice& choice) {
    m_config->SetPath(ConversionGroup());
    m_config->Write("Expression", choice.expression);
    m_config->Write("RollSystem", ValueOf(choice.profile));
    m_config->Write("OutputFolder", ValueOf(choice.outputFolder));
    m_config->SetPath("/");
    Flush();
}

FrameLayout CAppSettings::ReadLayout() {
    FrameLayout layout;
    m_config->SetPath(WindowGroup());
    long width = 0;
    long height = 0;
    if (m_config->Read("Width", &width) && m_config->Read("Height", &height) && width > 0 &&
        height > 0 && width < 100000 && height < 100000)
        layout.size = wxSize(static_cast<int>(width), static_cast<int>(height));
    long x = 0;
    long y = 0;
    if (m_config->Read("X", &x) && m_config->Read("Y", &y) && std::abs(x) < 100000 &&
        std::abs(y) < 100000)
        layout.position = wxPoint(static_cast<int>(x), static_cast<int>(y));
    m_config->Read("Maximized", &layout.maximized, false);
    m_config->Read("Panes", &layout.panes);
    double share = 0;
    if (m_config->Read("PictureShare", &share) && share > 0 && share < 1)
        layout.pictureShare = share;
    m_config->Read("ToolBar", &layout.toolBar, true);
    m_config->Read("StatusBar", &layout.statusBar, true);
    double lanes = 0;
    if (m_config->Read("LaneHeight", &lanes) && lanes > 0 && lanes < 1000)
        layout.laneHeight = lanes;
    m_config->SetPath("/");
    return layout;
}

void CAppSettings::SaveLayout(const FrameLayout& layout) {
    wxLogNull quiet;  // settings that cannot be written are not worth an error box
    m_config->SetPath(WindowGroup());
    m_config->Write("Width", static_cast<long>(layout.size.x));
    m_config->Write("Height", static_cast<long>(layout.size.y));
    if (layout.position != wxDefaultPosition) {
        m_config->Write("X", static_cast<long>(layout.position.x));
        m_config->Write("Y", static_cast<long>(layout.position.y));
    }
    m_config->Write("Maximized", layout.maximized);
    m_config->Write("Panes", layout.panes);
    m_config->Write("PictureShare", layout.pictureShare);
    m_config->Write("ToolBar", layout.toolBar);
    m_config->Write("StatusBar", layout.statusBar);
    m_config->Write("LaneHeight", layout.laneHeight);
    m_config->SetPath("/");
    Flush();
}

void CAppSettings::Flush() {
    wxFileName::Mkdir(wxFileName(FilePath()).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    m_config->Flush();
}

std::string CAppSettings::PlaybackValue(const char* key) {
    wxString value;
    m_config->SetPath(PlaybackGroup());
    m_config->Read(key, &value);
    m_config->SetPath("/");
    return ValueBytes(value);
}

std::string CAppSettings::SoundFont() {
    return PlaybackValue("SoundFont");
}

std::string CAppSettings::MidiOutput() {
    return PlaybackValue("MidiOutput");
}

void CAppSettings::SaveMidiOutput(const std::string& port) {
    wxLogNull quiet;  // settings that cannot be written are not worth an error box
    m_config->SetPath(PlaybackGroup());
    m_config->Write("MidiOutput", ValueOf(port));
    m_config->SetPath("/");
    Flush();
}

std::string CAppSettings::ValueBytes(const wxString& value) const {
    const wxCharBuffer buffer = value.mb_str(*m_conv);
    return buffer.data() ? std::string(buffer.data(), buffer.length()) : std::string();
}

wxString CAppSettings::ValueOf(const std::string& bytes) const {
    return wxString(bytes.data(), *m_conv, bytes.size());
}

// Bytes that are not UTF-8 stand for themselves (as private-use characters) rather than turning
// the whole file into Latin-1, so that every other value is read as written and each is written
// back with the same bytes.
CAppSettings::CAppSettings()
    : m_conv(std::make_unique<wxMBConvUTF8>(wxMBConvUTF8::MAP_INVALID_UTF8_TO_PUA)) {
    // A damaged settings file only loses the list: the toolkit's complaints about its lines
    // (log messages and consistency checks) are not for the user.
    wxLogNull quiet;
    wxAssertHandler_t checks = wxSetAssertHandler(nullptr);
    m_config = std::make_unique<wxFileConfig>(wxEmptyString, wxEmptyString, FilePath(),
                                              wxEmptyString, wxCONFIG_USE_LOCAL_FILE, *m_conv);
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
    Flush();
}

}  // namespace rollscribe
