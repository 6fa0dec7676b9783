// rollscribe: the desktop program. Converts a scanned piano roll into a MIDI file and shows the
// report in a window.
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/CRollscribeApp.h"
#include "app/GtkDisplayCheck.h"
#include "app/StartupArguments.h"
#include "audio/SoundFontLoad.h"
#include "platform/CException.h"
#include "platform/ProcessGuards.h"

using namespace rollscribe;

int main(int argc, char** argv) {
    // Before anything opens a file: a closed standard stream must not become a file's.
    rollscribe::EnsureStandardDescriptors();
    // Before the toolkit: signals ignored at start (nohup) stay ignored.
    rollscribe::NoteIgnoredSignals();
    StartupArguments args = ParseStartupArguments(argc, argv);
    if (args.help) {
        std::cout << StartupUsage(args.toolkitArgs[0]);
        return FinishStandardOutput(args.toolkitArgs[0]);
    }
    if (args.version) {
        std::cout << "Rollscribe " << ROLLSCRIBE_VERSION << "\n";
        return FinishStandardOutput(args.toolkitArgs[0]);
    }
    for (const std::string& extra : args.extraFiles) {
        std::cerr << args.toolkitArgs[0] << ": opens one file at a time; not opening " << extra
                  << "\n";
    }

    // The file name stays with the program as given; the toolkit gets the options only.
    std::vector<char*> toolkitArgv;
    for (std::string& arg : args.toolkitArgs) toolkitArgv.push_back(arg.data());
    toolkitArgv.push_back(nullptr);
    int toolkitArgc = static_cast<int>(args.toolkitArgs.size());

    // Without a display the toolkit would abort: say so here and end. (The toolkit itself is set
    // up later, by wxWidgets, on the display opened here.)
    if (!OpenToolkitDisplay(args.toolkitArgs)) {
        std::cerr << args.toolkitArgs[0] << ": cannot open the display"
                  << (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY")
                          ? ""
                          : " (neither DISPLAY nor WAYLAND_DISPLAY is set)")
                  << "\n";
        return 1;
    }

    auto* app = new CRollscribeApp(args.file);
    wxApp::SetInstance(app);
    int status = wxEntry(toolkitArgc, toolkitArgv.data());
    // Closed by a terminating signal: end by it, as a caller expects.
    rollscribe::EndByNotedSignal();
    // A sound font still loading in the background is not waited for (a large one takes seconds):
    // the program ends without destroying what that thread may still use.
    if (SoundFontLoad::Running() > 0) {
        std::fflush(nullptr);
        std::_Exit(status == 0 ? 0 : 1);
    }
    return status == 0 ? 0 : 1;
}
