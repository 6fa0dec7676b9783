#include "ui/DesktopActions.h"

#include <gio/gio.h>
#include <wx/utils.h>

#include <memory>

#include "text/WxText.h"

namespace rollscribe {

namespace {

constexpr const char* kFileManager = "org.freedesktop.FileManager1";
constexpr const char* kFileManagerPath = "/org/freedesktop/FileManager1";
constexpr int kCallTimeoutMs = 5000;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

struct PendingCall {
    std::string folder;
    std::function<bool(const std::string&)> openFolder;
    std::function<void()> failed;

    void OpenFolder() const {
        if (!openFolder(folder) && failed) failed();
    }
};

void OnShowItemsDone(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<PendingCall> call(static_cast<PendingCall*>(data));
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (reply) {
        g_variant_unref(reply);
        return;
    }
    g_error_free(error);
    call->OpenFolder();
}

}  // namespace

void ShowInFileManager(const std::string& path,
                       std::function<bool(const std::string& folder)> openFolder,
                       std::function<void()> failed) {
    auto call = std::make_unique<PendingCall>(
        PendingCall{FolderOf(path), std::move(openFolder), std::move(failed)});
    GError* error = nullptr;
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, &error);
    GDBusConnection* bus = uri ? g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error) : nullptr;
    if (!bus) {
        if (error) g_error_free(error);
        g_free(uri);
        call->OpenFolder();
        return;
    }
    GVariantBuilder uris;
    g_variant_builder_init(&uris, G_VARIANT_TYPE("as"));
    g_variant_builder_add(&uris, "s", uri);
    g_free(uri);
    // The bus starts a file manager that can be started; where there is none, the call fails at
    // once and the folder is opened instead.
    g_dbus_connection_call(bus, kFileManager, kFileManagerPath, kFileManager, "ShowItems",
                           g_variant_new("(ass)", &uris, ""), nullptr, G_DBUS_CALL_FLAGS_NONE,
                           kCallTimeoutMs, nullptr, OnShowItemsDone, call.release());
    g_object_unref(bus);
}

DesktopActions SystemDesktop() {
    DesktopActions desktop;
    desktop.open = [](const std::string& path) { return wxLaunchDefaultApplication(WxPath(path)); };
    desktop.showInFolder = [open = desktop.open](const std::string& path,
                                                 std::function<void()> failed) {
        ShowInFileManager(path, open, std::move(failed));
    };
    return desktop;
}

}  // namespace rollscribe
