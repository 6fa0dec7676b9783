#pragma once

#include <memory>

class wxTopLevelWindow;

namespace rollscribe {

// Files dropped anywhere on a top-level window: menu bar, tool bars, status bar and client area.
// GTK looks for a drop target from the widget under the pointer up through its parents; the
// toolkit's own file dropping registers the client area only, which leaves out the menu bar and
// the status bar. This registers on the window's GTK widget, the parent of all of them. A drop
// reaches the window as a wxDropFilesEvent, queued, so that opening the files (which may show a
// message box) waits until the drag is over.
class CGtkWindowDrop {
  public:
    explicit CGtkWindowDrop(wxTopLevelWindow& window);
    // Unregisters; to be destroyed while the window's widget still exists.
    ~CGtkWindowDrop();
    CGtkWindowDrop(const CGtkWindowDrop&) = delete;
    CGtkWindowDrop& operator=(const CGtkWindowDrop&) = delete;

  private:
    class Target;
    wxTopLevelWindow& m_window;
    std::unique_ptr<Target> m_target;
};

}  // namespace rollscribe
