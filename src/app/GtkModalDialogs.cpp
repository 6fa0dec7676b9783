#include "app/GtkModalDialogs.h"

#include <gtk/gtk.h>
#include <wx/dialog.h>
#include <wx/toplevel.h>

#include <algorithm>
#include <vector>

namespace rollscribe {

bool CancelModalDialogs() {
    bool open = false;
    std::vector<GtkWidget*> ended;
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (!dialog || !dialog->IsModal()) continue;
        dialog->EndModal(wxID_CANCEL);
        ended.push_back(dialog->GetHandle());
        open = true;
    }
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item; item = item->next) {
        auto* widget = static_cast<GtkWidget*>(item->data);
        if (!GTK_IS_DIALOG(widget) || !gtk_widget_get_visible(widget) ||
            !gtk_window_get_modal(GTK_WINDOW(widget)) ||
            std::find(ended.begin(), ended.end(), widget) != ended.end())
            continue;
        gtk_dialog_response(GTK_DIALOG(widget), GTK_RESPONSE_CANCEL);
        open = true;
    }
    g_list_free(windows);
    return open;
}

}  // namespace rollscribe
