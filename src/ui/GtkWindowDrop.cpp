#include "ui/GtkWindowDrop.h"

#include <gtk/gtk.h>
#include <wx/dnd.h>
#include <wx/toplevel.h>

namespace rollscribe {

class CGtkWindowDrop::Target : public wxFileDropTarget {
  public:
    explicit Target(wxTopLevelWindow& window) : m_window(window) {}

    bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& names) override {
        auto* files = new wxString[names.size()];
        for (size_t i = 0; i < names.size(); ++i) files[i] = names[i];
        auto* event = new wxDropFilesEvent(wxEVT_DROP_FILES, static_cast<int>(names.size()), files);
        event->m_pos = wxPoint(x, y);
        event->SetEventObject(&m_window);
        m_window.GetEventHandler()->QueueEvent(event);
        return true;
    }

  private:
    wxTopLevelWindow& m_window;
};

CGtkWindowDrop::CGtkWindowDrop(wxTopLevelWindow& window)
    : m_window(window), m_target(std::make_unique<Target>(window)) {
    m_target->GtkRegisterWidget(m_window.GetHandle());
}

CGtkWindowDrop::~CGtkWindowDrop() {
    if (GtkWidget* widget = m_window.GetHandle()) m_target->GtkUnregisterWidget(widget);
}

}  // namespace rollscribe
