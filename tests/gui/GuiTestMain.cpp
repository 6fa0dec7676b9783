// The desktop program's tests: its own classes, driven through the toolkit in this process under
// a virtual X server, and the program itself started as a user would start it.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/wx.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "GuiHarness.h"
#include "support/TestFiles.h"

using namespace rollscribe::gui_test;

extern char** environ;

namespace {

// A D-Bus session bus for the tests alone: nothing on it but what the tests put there (no
// service is started on demand). Its address is put into the environment for the toolkit.
class TestSessionBus {
  public:
    explicit TestSessionBus(const std::filesystem::path& dir) {
        // Until the daemon runs, no bus at all: never the user's own.
        ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + (dir / "no-bus").string()).c_str(), 1);
        const std::filesystem::path config = dir / "session-bus.conf";
        std::FILE* out = std::fopen(config.c_str(), "w");
        if (!out) return;
        std::fprintf(out,
                     "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                     "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/"
                     "busconfig.dtd\">\n"
                     "<busconfig><type>session</type><listen>unix:tmpdir=%s</listen>"
                     "<auth>EXTERNAL</auth><policy context=\"default\">"
                     "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n",
                     dir.c_str());
        std::fclose(out);
        // The daemon is this process's child, ended and waited for at the end; it writes its
        // address into a pipe.
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        std::string configArg = "--config-file=" + config.string();
        char program[] = "dbus-daemon";
        char noFork[] = "--nofork";
        char print[] = "--print-address=1";
        char* argv[] = {program, noFork, print, configArg.data(), nullptr};
        const bool started = ::posix_spawnp(&m_pid, program, &actions, nullptr, argv, environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeEnds[1]);
        if (!started) {
            m_pid = -1;
            ::close(pipeEnds[0]);
            return;
        }
        std::string address;
        char c = 0;
        while (::read(pipeEnds[0], &c, 1) == 1 && c != '\n') address += c;
        ::close(pipeEnds[0]);
        if (!address.empty()) ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    }
    ~TestSessionBus() {
        if (m_pid <= 0) return;
        // A process whose session bus goes away ends itself with SIGTERM, unless told otherwise.
        if (GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
            g_dbus_connection_set_exit_on_close(bus, FALSE);
            g_object_unref(bus);
        }
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }

  private:
    pid_t m_pid = -1;
};

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
    // Playback goes nowhere: the cursor runs in real time without a sound device.
    ::setenv("ROLLSCRIBE_AUDIO_OUTPUT", "none", 1);
    // The tests' own sound font, whatever the system's default one is.
    ::setenv("ROLLSCRIBE_SOUNDFONT", TEST_SOUND_FONT, 1);
    // A session bus of the tests' own, for what the program asks of the desktop over it.
    TestSessionBus bus(root.Path());

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
