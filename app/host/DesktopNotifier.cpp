#include "DesktopNotifier.hpp"

#include <cstdlib>
#include <filesystem>

#include <gio/gio.h>

namespace ferrywise::host {

namespace {

constexpr int answerTimeoutMilliseconds = 1000;

}  // namespace

bool DesktopNotifier::notify(const std::string& title, const std::string& message) noexcept {
    // Only a session bus that exists: GLib would otherwise start a bus of its own for an X11 display.
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if ((address == nullptr || *address == '\0') &&
        (runtime == nullptr || !std::filesystem::exists(std::filesystem::path(runtime) / "bus"))) {
        return false;
    }
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (bus == nullptr) {
        g_clear_error(&error);
        return false;
    }
    GVariantBuilder actions;
    g_variant_builder_init(&actions, G_VARIANT_TYPE("as"));
    GVariantBuilder hints;
    g_variant_builder_init(&hints, G_VARIANT_TYPE("a{sv}"));
    // app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout (-1: the server's)
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.Notifications", "/org/freedesktop/Notifications",
        "org.freedesktop.Notifications", "Notify",
        g_variant_new("(susssasa{sv}i)", "Ferrywise", 0U, "", title.c_str(), message.c_str(), &actions,
                      &hints, -1),
        G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, answerTimeoutMilliseconds, nullptr, &error);
    g_object_unref(bus);
    if (reply == nullptr) {
        g_clear_error(&error);
        return false;
    }
    g_variant_unref(reply);
    return true;
}

}  // namespace ferrywise::host
