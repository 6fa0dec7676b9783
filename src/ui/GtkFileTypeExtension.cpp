#include "ui/GtkFileTypeExtension.h"

#include <gtk/gtk.h>
#include <strings.h>
#include <wx/filedlg.h>

namespace rollscribe {

namespace {

void OnFilterChanged(GObject* object, GParamSpec*, gpointer data) {
    const auto& extensions = *static_cast<const std::vector<std::string>*>(data);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(object);
    GtkFileFilter* filter = gtk_file_chooser_get_filter(chooser);
    GSList* filters = gtk_file_chooser_list_filters(chooser);
    const int type = filter ? g_slist_index(filters, filter) : -1;
    g_slist_free(filters);
    if (type < 0 || static_cast<std::size_t>(type) >= extensions.size()) return;
    gchar* name = gtk_file_chooser_get_current_name(chooser);
    if (!name) return;
    const std::string before = name;
    g_free(name);
    const std::string after = NameForFileType(before, extensions, static_cast<std::size_t>(type));
    if (after != before) gtk_file_chooser_set_current_name(chooser, after.c_str());
}

}  // namespace

std::string NameForFileType(const std::string& name, const std::vector<std::string>& extensions,
                            std::size_t type) {
    if (type >= extensions.size()) return name;
    for (const std::string& extension : extensions) {
        if (name.size() > extension.size() &&
            ::strcasecmp(name.c_str() + name.size() - extension.size(), extension.c_str()) == 0)
            return name.substr(0, name.size() - extension.size()) + extensions[type];
    }
    return name;
}

void FollowFileTypeWithExtension(wxFileDialog& dialog, std::vector<std::string> extensions) {
    GtkWidget* widget = dialog.GetHandle();
    if (!widget || !GTK_IS_FILE_CHOOSER(widget)) return;
    g_signal_connect_data(
        widget, "notify::filter", G_CALLBACK(OnFilterChanged),
        new std::vector<std::string>(std::move(extensions)),
        [](gpointer data, GClosure*) { delete static_cast<std::vector<std::string>*>(data); },
        GConnectFlags(0));
}

}  // namespace rollscribe
