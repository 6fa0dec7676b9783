#pragma once

#include <gtest/gtest.h>
#include <wx/wx.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Modal dialogs shown under wxTEST_DIALOG answer as the test says; a dialog that was expected
// and not shown, or shown and not expected, fails the test.
#define wxTEST_DIALOG_HOOK_CLASS ::rollscribe::gui_test::GTestModalHook
#include <wx/aui/aui.h>
#include <wx/dirdlg.h>
#include <wx/testing.h>

#include "app/CRollscribeApp.h"
#include "app/CRollscribeDocManager.h"
#include "support/TestFiles.h"
#include "ui/CMainFrame.h"
#include "ui/CRollWxDocument.h"
#include "ui/CRollscribeView.h"

namespace rollscribe::gui_test {

class GTestModalHook : public wxTestingModalHook {
  public:
    GTestModalHook(const char* file, int line, const char* func)
        : wxTestingModalHook(file, line, func), m_file(file), m_line(line) {
        ++s_active;
    }
    ~GTestModalHook() override { --s_active; }
    // Whether a test is answering dialogs now.
    static bool Active() { return s_active > 0; }

  protected:
    int Enter(wxDialog* dialog) override {
        int answer = wxTestingModalHook::Enter(dialog);
        // An unexpected dialog has failed the test; it is closed rather than left to wait for a
        // user who is not there.
        return answer == wxID_NONE ? wxID_CANCEL : answer;
    }
    void ReportFailure(const wxString& msg) override {
        ADD_FAILURE_AT(m_file, m_line) << msg.utf8_string();
    }

  private:
    inline static int s_active = 0;
    const char* m_file;
    int m_line;
};

// Outside wxTEST_DIALOG, any modal dialog fails the running test and is closed at once.
class UnexpectedDialogHook : public wxModalDialogHook {
  protected:
    int Enter(wxDialog* dialog) override {
        if (GTestModalHook::Active()) return wxID_NONE;
        ADD_FAILURE() << "unexpected dialog \"" << dialog->GetTitle().utf8_string() << "\"";
        return wxID_CANCEL;
    }
    void Exit(wxDialog* dialog) override { (void)dialog; }
};

using namespace std::chrono_literals;

// Whether a top-level window is mapped, as the window system sees it (not as the toolkit
// believes it to be).
bool AnyWindowOnScreen();

// Answers a message box with OK (or the answer given) and keeps its text for the test to look
// at.
class ExpectMessageBox : public wxExpectModalBase<wxMessageDialog, ExpectMessageBox> {
  public:
    explicit ExpectMessageBox(std::shared_ptr<wxString> text = std::make_shared<wxString>(),
                              int answer = wxID_OK)
        : m_text(std::move(text)), m_answer(answer) {}
    std::shared_ptr<wxString> Text() const { return m_text; }
    // Whether a window of the program was on the screen while the box was up.
    std::shared_ptr<bool> WindowShown() const { return m_windowShown; }

  protected:
    int OnInvoked(wxMessageDialog* dialog) const override {
        *m_text = dialog->GetMessage();
        *m_windowShown = AnyWindowOnScreen();
        return m_answer;
    }
    wxString GetDefaultDescription() const override { return "a message box"; }

  private:
    std::shared_ptr<wxString> m_text;
    int m_answer;
    std::shared_ptr<bool> m_windowShown = std::make_shared<bool>(false);
};

// Answers a file dialog with the given file, as a user who picks it. The native dialog selects
// a file only once it has read the file's folder, which happens while events are handled.
class ChooseFile : public wxExpectModalBase<wxFileDialog, ChooseFile> {
  public:
    explicit ChooseFile(std::filesystem::path file,
                        std::shared_ptr<wxString> wildcard = std::make_shared<wxString>())
        : m_file(std::move(file)), m_wildcard(std::move(wildcard)) {}
    // The dialog's file types, as it offered them.
    std::shared_ptr<wxString> Wildcard() const { return m_wildcard; }

  protected:
    int OnInvoked(wxFileDialog* dialog) const override;
    wxString GetDefaultDescription() const override { return "a file dialog"; }

  private:
    std::filesystem::path m_file;
    std::shared_ptr<wxString> m_wildcard;
};

// Answers a folder dialog with the given folder, as a user who picks it (once the native
// dialog has taken it).
class ChooseFolder : public wxExpectModalBase<wxDirDialog, ChooseFolder> {
  public:
    explicit ChooseFolder(std::filesystem::path folder) : m_folder(std::move(folder)) {}

  protected:
    int OnInvoked(wxDirDialog* dialog) const override;
    wxString GetDefaultDescription() const override { return "a folder dialog"; }

  private:
    std::filesystem::path m_folder;
};

CRollscribeApp& App();

// Lets the program handle what is pending (window-system events, posted calls, idle work).
void Pump(std::chrono::milliseconds atLeast = 0ms);
// Pumps until done() holds or the time is up; returns done().
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 10s);

// A folder with roll files made from the example roll: name.bar and name.ann for each name.
class RollFolder {
  public:
    RollFolder();
    std::filesystem::path AddRoll(const std::string& name);
    std::filesystem::path Path(const std::string& file) const { return m_dir / file; }
    const std::filesystem::path& Dir() const { return m_dir.Path(); }

  private:
    testing_support::TempDir m_dir;
};

// Each test starts the program afresh with settings of its own (a new configuration folder), as
// a user who runs it for the first time; the test may restart it with the same settings.
class GuiTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program as its command line would; false when start-up ended it.
    bool Start(const std::optional<std::filesystem::path>& file = std::nullopt);
    void Stop();

    CMainFrame& Frame();
    CRollWxDocument& Doc();
    CRollscribeView& View();
    CRollscribeDocManager& Manager();
    // The frame's panes, and the bands and the view among them, found by their names.
    wxAuiManager& Panes();
    wxAuiToolBar* ToolBar();
    wxAuiToolBar* DialogBar();

    std::string Caption();
    // The view's lines, as shown.
    std::vector<std::string> ViewLines();
    std::string ViewLine(size_t i);
    // Whether a command is enabled, after the program has updated its menus and tool bar.
    bool MenuEnabled(int id);
    bool ToolEnabled(int id);
    // The File menu's labels from the first separator to the second.
    std::vector<std::string> RecentFileLabels();
    std::string StatusText(int pane);

    RollFolder m_rolls;
    testing_support::TempDir m_config;
};

// A window's pixels as it draws itself now, 0xRRGGBB each, row after row.
struct WindowImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
    // Whether the rectangle from (x0, y0) to before (x1, y1) has a dark pixel, such as text.
    bool HasInk(int x0, int y0, int x1, int y1) const;
};
WindowImage DrawnImage(wxWindow* window);
// How many pixels two images of the same size differ in (all of them for different sizes).
size_t DifferingPixels(const WindowImage& a, const WindowImage& b);

// The pixels of a part of the screen as shown now (boxes over the window included).
WindowImage ScreenImage(const wxRect& area);

// The middle of a menu item (or another widget) on the screen.
wxPoint ScreenMiddleOf(GtkWidget* widget);

// Writes an image of a window, as it is drawn now, into a PNG file.
void SaveWindowImage(wxWindow* window, const std::filesystem::path& file);

// Writes an image of a part of the screen, as shown now (menus and boxes over the window
// included), into a PNG file.
void SaveScreenImage(const wxRect& area, const std::filesystem::path& file);

// A child process running a program with extra environment variables.
class ChildProcess {
  public:
    ChildProcess(const std::vector<std::string>& argv,
                 const std::map<std::string, std::string>& env);
    ~ChildProcess();
    // The exit status, once the process ended within the time; nullopt otherwise.
    std::optional<int> Wait(std::chrono::milliseconds limit);
    void Signal(int signal);
    int Pid() const { return m_pid; }

  private:
    int m_pid = -1;
    std::optional<int> m_status;
};

std::string Utf8(const wxString& text);

}  // namespace rollscribe::gui_test
