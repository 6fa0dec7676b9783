#include "ui/GtkInfoBarHeight.h"

#include <gtk/gtk.h>
#include <wx/infobar.h>

#include <algorithm>

namespace rollscribe {

namespace {

// The first label within a widget.
GtkWidget* LabelIn(GtkWidget* widget) {
    if (GTK_IS_LABEL(widget)) return widget;
    if (!GTK_IS_CONTAINER(widget)) return nullptr;
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    GtkWidget* label = nullptr;
    for (GList* child = children; child && !label; child = child->next)
        label = LabelIn(GTK_WIDGET(child->data));
    g_list_free(children);
    return label;
}

}  // namespace

int InfoBarHeight(wxInfoBar& bar, int width) {
    GtkWidget* widget = bar.GetHandle();
    gint best = 0;
    gtk_widget_get_preferred_height(widget, nullptr, &best);
    GtkWidget* label = LabelIn(widget);
    GtkWidget* actions = gtk_info_bar_get_action_area(GTK_INFO_BAR(widget));
    // The text's width, once the bar has been laid out: the bar's less what is beside the text.
    const int around =
        gtk_widget_get_allocated_width(widget) - gtk_widget_get_allocated_width(label);
    if (!label || !actions || gtk_widget_get_allocated_width(label) <= 1 || around < 0 ||
        width <= around)
        return best;
    gint labelHeight = 0;
    gint actionsHeight = 0;
    gtk_widget_get_preferred_height(label, nullptr, &labelHeight);
    gtk_widget_get_preferred_height(actions, nullptr, &actionsHeight);
    PangoLayout* layout = pango_layout_copy(gtk_label_get_layout(GTK_LABEL(label)));
    pango_layout_set_width(layout, std::max(1, width - around) * PANGO_SCALE);
    int textWidth = 0;
    int textHeight = 0;
    pango_layout_get_pixel_size(layout, &textWidth, &textHeight);
    g_object_unref(layout);
    const int padding = best - std::max(labelHeight, actionsHeight);
    return padding + std::max(textHeight, actionsHeight);
}

}  // namespace rollscribe
