#include "ui/GtkWindowPlace.h"

#include <gtk/gtk.h>
#include <wx/toplevel.h>

namespace rollscribe {

void MoveWindowTo(wxTopLevelWindow& window, const wxPoint& place) {
    if (GtkWidget* widget = window.GetHandle())
        gtk_window_move(GTK_WINDOW(widget), place.x, place.y);
}

}  // namespace rollscribe
