#include "app/GtkDisplayCheck.h"

#include <gtk/gtk.h>

#include <cstdlib>
#include <string_view>

#include "app/DisplayScope.h"

namespace rollscribe {

namespace {

// The display named by a --display option, or nullptr for the default one.
const char* DisplayOption(const std::vector<std::string>& args) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i].rfind("--display=", 0) == 0) return args[i].c_str() + 10;
        if (args[i] == "--display" && i + 1 < args.size()) return args[i + 1].c_str();
    }
    return nullptr;
}

}  // namespace

bool OpenToolkitDisplay(const std::vector<std::string>& toolkitArgs) {
    const char* name = DisplayOption(toolkitArgs);
    const bool named = name || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    // A server resetting after its last client left refuses connections for a moment (a kiosk
    // that starts the program again at once): a named display is tried for about a second.
    for (int attempt = 0; attempt < (named ? 10 : 1); ++attempt) {
        if (attempt > 0) g_usleep(100 * 1000);
        // The first display opened becomes GDK's default one.
        if (GdkDisplay* display = gdk_display_open(name)) {
            gdk_display_manager_set_default_display(gdk_display_manager_get(), display);
            return true;
        }
    }
    return false;
}

std::string OpenedDisplayScope(const std::string& runtimeDir) {
    GdkDisplay* display = gdk_display_get_default();
    if (!display) return {};
    // The backend by its class, without the backends' own headers.
    const std::string_view type = G_OBJECT_TYPE_NAME(display);
    const DisplayKind kind = type == "GdkX11Display"       ? DisplayKind::x11
                             : type == "GdkWaylandDisplay" ? DisplayKind::wayland
                                                           : DisplayKind::other;
    const char* name = gdk_display_get_name(display);
    return DisplayScope(kind, name ? name : "", runtimeDir);
}

}  // namespace rollscribe
