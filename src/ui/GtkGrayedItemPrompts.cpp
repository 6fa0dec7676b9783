#include "ui/GtkGrayedItemPrompts.h"

#include <gtk/gtk.h>
#include <wx/frame.h>
#include <wx/menu.h>

namespace rollscribe {

namespace {

struct MenuPrompts {
    wxFrame* frame;
    wxMenu* menu;
    bool grayedShown = false;
};

// The program's item shown at a point of the screen, or none.
wxMenuItem* ItemAt(wxMenu* menu, double xRoot, double yRoot) {
    for (wxMenuItem* item : menu->GetMenuItems()) {
        GtkWidget* widget = item->GetMenuItem();
        if (!widget || !gtk_widget_get_mapped(widget)) continue;
        int x = 0;
        int y = 0;
        gdk_window_get_origin(gtk_widget_get_window(widget), &x, &y);
        GtkAllocation area;
        gtk_widget_get_allocation(widget, &area);
        x += area.x;
        y += area.y;
        if (xRoot >= x && xRoot < x + area.width && yRoot >= y && yRoot < y + area.height)
            return item;
    }
    return nullptr;
}

// The pointer is at a point of the screen while the menu is open. Runs after the toolkit's own
// handling, which has just left any item that it highlighted.
void PointerAt(MenuPrompts& prompts, double xRoot, double yRoot) {
    wxMenuItem* item = ItemAt(prompts.menu, xRoot, yRoot);
    if (item && (item->IsSeparator() || !gtk_widget_is_sensitive(item->GetMenuItem()))) {
        prompts.frame->DoGiveHelp(item->IsSeparator() ? wxString() : item->GetHelp(), true);
        prompts.grayedShown = !item->IsSeparator();
    } else if (!item && prompts.grayedShown) {
        // Off the menu: no item is highlighted any more.
        prompts.frame->DoGiveHelp(wxString(), true);
        prompts.grayedShown = false;
    } else if (item) {
        prompts.grayedShown = false;  // an item that can be chosen: the toolkit shows its prompt
    }
}

gboolean OnMotion(GtkWidget* widget, GdkEventMotion* event, gpointer data) {
    (void)widget;
    PointerAt(*static_cast<MenuPrompts*>(data), event->x_root, event->y_root);
    return FALSE;
}

// Crossing into an item's area. The toolkit may hold the motion event that follows until the
// next input arrives, and the prompt must not wait for that.
gboolean OnCrossing(GtkWidget* widget, GdkEventCrossing* event, gpointer data) {
    (void)widget;
    PointerAt(*static_cast<MenuPrompts*>(data), event->x_root, event->y_root);
    return FALSE;
}

}  // namespace

void ShowPromptsOfGrayedItems(wxFrame* frame, wxMenuBar* bar) {
    for (size_t i = 0; i < bar->GetMenuCount(); ++i)
        ShowPromptsOfGrayedItems(frame, bar->GetMenu(i));
}

void ShowPromptsOfGrayedItems(wxFrame* frame, wxMenu* menu) {
    // One state per menu, owned by the menu's widget and freed with it.
    auto* prompts = new MenuPrompts{frame, menu};
    g_object_set_data_full(G_OBJECT(menu->m_menu), "rollscribe-grayed-prompts", prompts,
                           [](gpointer data) { delete static_cast<MenuPrompts*>(data); });
    g_signal_connect_after(menu->m_menu, "motion-notify-event", G_CALLBACK(OnMotion), prompts);
    // Before the toolkit's own handling of a crossing, which ends the signal.
    g_signal_connect(menu->m_menu, "enter-notify-event", G_CALLBACK(OnCrossing), prompts);
}

}  // namespace rollscribe
