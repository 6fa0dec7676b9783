// The desktop program's tests: its own classes, driven through the toolkit in this process under
// a virtual X server, and the program itself started as a user would start it.
#include <gtest/gtest.h>
#include <wx/wx.h>

#include <cstdlib>
#include <filesystem>

#include "GuiHarness.h"
#include "support/TestFiles.h"

using namespace rollscribe::gui_test;

namespace {

// A failed check inside the toolkit fails the test that caused it.
void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
    ADD_FAILURE_AT(file.utf8_string().c_str(), line)
        << "toolkit assertion in " << func.utf8_string() << ": " << cond.utf8_string() << " "
        << msg.utf8_string();
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);

    // Nothing of the user's: home, settings and the single-instance folder are temporary.
    testing_support::TempDir root;
    std::filesystem::create_directory(root / "home");
    std::filesystem::create_directory(root / "run");
    std::filesystem::permissions(root / "run", std::filesystem::perms::owner_all);
    ::setenv("HOME", (root / "home").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root / "run").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root / "home" / ".config").c_str(), 1);
    ::setenv("NO_AT_BRIDGE", "1", 1);

    wxApp::SetInstance(new CRollscribeApp());
    int wxArgc = 1;
    char* wxArgv[] = {argv[0], nullptr};
    if (!wxEntryStart(wxArgc, wxArgv)) {
        std::fprintf(stderr, "cannot start the toolkit: is there an X display?\n");
        return 1;
    }
    wxSetAssertHandler(FailOnAssert);
    UnexpectedDialogHook unexpectedDialogs;
    unexpectedDialogs.Register();
    int status = RUN_ALL_TESTS();
    unexpectedDialogs.Unregister();
    wxEntryCleanup();
    return status;
}
