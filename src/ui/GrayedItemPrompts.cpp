#include "ui/GrayedItemPrompts.h"

#include <gtk/gtk.h>
#include <wx/frame.h>
#include <wx/menu.h>

namespace {

struct MenuPrompts {
    wxFrame* frame;
    wxMenu* menu;
    bool grayedShown = false;
};

// The program's item whose widget is the given one, or none.
wxMenuItem* ItemOfWidget(wxMenu* menu, GtkWidget* widget) {
    for (wxMenuItem* item : menu->GetMenuItems()) {
        if (item->GetMenuItem() == widget) return item;
    }
    return nullptr;
}

gboolean OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer data) {
    (void)widget;
    auto* prompts = static_cast<MenuPrompts*>(data);
    GtkWidget* under = gtk_get_event_widget(reinterpret_cast<GdkEvent*>(event));
    wxMenuItem* item = under ? ItemOfWidget(prompts->menu, under) : nullptr;
    if (item && (item->IsSeparator() || !gtk_widget_is_sensitive(under))) {
        // Runs after the toolkit's own handling, which has just left any item it highlighted.
        prompts->frame->DoGiveHelp(item->IsSeparator() ? wxString() : item->GetHelp(), true);
        prompts->grayedShown = !item->IsSeparator();
    } else if (!item && prompts->grayedShown) {
        // Off the menu: no item is highlighted any more.
        prompts->frame->DoGiveHelp(wxString(), true);
        prompts->grayedShown = false;
    } else if (item) {
        prompts->grayedShown = false;  // an item that can be chosen: the toolkit shows its prompt
    }
    return FALSE;
}

}  // namespace

void ShowPromptsOfGrayedItems(wxFrame* frame, wxMenuBar* bar) {
    for (size_t i = 0; i < bar->GetMenuCount(); ++i) {
        wxMenu* menu = bar->GetMenu(i);
        g_signal_connect_data(
            menu->m_menu, "motion-notify-event", G_CALLBACK(OnMotion), new MenuPrompts{frame, menu},
            [](gpointer data, GClosure*) { delete static_cast<MenuPrompts*>(data); },
            G_CONNECT_AFTER);
    }
}
