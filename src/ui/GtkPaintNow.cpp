#include "ui/GtkPaintNow.h"

#include <gtk/gtk.h>
#include <wx/evtloop.h>
#include <wx/window.h>

namespace rollscribe {

void PaintNow(wxWindow& window) {
    // The server has unmapped a closed dialog and reported what it uncovered once a round trip
    // has been made; those reports are handled, then everything invalid is drawn.
    gdk_display_sync(gdk_display_get_default());
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) loop->YieldFor(wxEVT_CATEGORY_UI);
    window.Refresh(false);
    window.Update();
    gdk_display_flush(gdk_display_get_default());
}

}  // namespace rollscribe
