#pragma once

#include <functional>
#include <string>

namespace rollscribe {

// What the program asks of the desktop, with files named by their bytes. The desktop program
// uses the system's; tests put their own in place.
struct DesktopActions {
    // Opens a file or folder in the desktop's default application for it; false when none
    // could be started.
    std::function<bool(const std::string& path)> open;
    // Shows the folder that holds a file, with the file selected where the file manager can do
    // that, or else just the folder (through open); calls failed (perhaps later, from the main
    // loop) when neither could be done.
    std::function<void(const std::string& path, std::function<void()> failed)> showInFolder;
};

// The system's: the default application through the toolkit, and the folder through the file
// manager's D-Bus interface (org.freedesktop.FileManager1 ShowItems on the session bus), asked
// without waiting for its answer; where no file manager answers, the folder is opened.
DesktopActions SystemDesktop();

// Asks the file manager over D-Bus to show a file in its folder; calls openFolder with the
// folder when it cannot (no session bus, no file manager, an error), and failed when that fails
// too.
void ShowInFileManager(const std::string& path,
                       std::function<bool(const std::string& folder)> openFolder,
                       std::function<void()> failed = {});

}  // namespace rollscribe
