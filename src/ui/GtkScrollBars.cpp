#include "ui/GtkScrollBars.h"

#include <gtk/gtk.h>
#include <wx/window.h>

namespace rollscribe {

void KeepScrollBarsShown(wxWindow* window) {
    // A window with scroll bars is a scrolled window around its drawing area.
    GtkWidget* widget = window ? window->GetHandle() : nullptr;
    if (widget && GTK_IS_SCROLLED_WINDOW(widget))
        gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(widget), FALSE);
}

}  // namespace rollscribe
