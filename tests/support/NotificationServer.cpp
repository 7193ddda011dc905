#include "support/NotificationServer.hpp"

#include <array>
#include <stdexcept>

#include <gio/gio.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ferrywise::testing {

namespace {

constexpr const char* interfaceXml =
    "<node><interface name='org.freedesktop.Notifications'><method name='Notify'>"
    "<arg type='s' direction='in'/><arg type='u' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='as' direction='in'/>"
    "<arg type='a{sv}' direction='in'/><arg type='i' direction='in'/><arg type='u' direction='out'/>"
    "</method></interface></node>";

void onCall(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant* parameters,
            GDBusMethodInvocation* invocation, gpointer server) {
    const char* title = nullptr;
    const char* text = nullptr;
    g_variant_get_child(parameters, 3, "&s", &title);
    g_variant_get_child(parameters, 4, "&s", &text);
    static_cast<NotificationServer*>(server)->record(title, text);
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(u)", 1U));
}

}  // namespace

NotificationServer::NotificationServer() {
    std::array<int, 2> pipe{};
    if (::pipe(pipe.data()) != 0) {
        throw std::runtime_error("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], 1);
    std::array<char*, 5> argv{const_cast<char*>("dbus-daemon"), const_cast<char*>("--session"),  // NOLINT
                              const_cast<char*>("--nofork"),
                              const_cast<char*>("--print-address=1"),  // NOLINT
                              nullptr};
    int spawned = ::posix_spawnp(&daemon_, "dbus-daemon", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    for (char character = 0; spawned == 0 && ::read(pipe[0], &character, 1) == 1 && character != '\n';) {
        address_ += character;
    }
    ::close(pipe[0]);
    if (address_.empty()) {
        throw std::runtime_error("dbus-daemon did not start");
    }
    GError* error = nullptr;
    connection_ = g_dbus_connection_new_for_address_sync(
        address_.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    if (connection_ == nullptr) {
        throw std::runtime_error(error->message);
    }
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(interfaceXml, nullptr);
    static const GDBusInterfaceVTable table{onCall, nullptr, nullptr, {}};
    g_dbus_connection_register_object(connection_, "/org/freedesktop/Notifications", node->interfaces[0],
                                      &table, this, nullptr, nullptr);
    g_dbus_node_info_unref(node);
    GVariant* reply = g_dbus_connection_call_sync(
        connection_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
        g_variant_new("(su)", "org.freedesktop.Notifications", 0U), nullptr, G_DBUS_CALL_FLAGS_NONE, -1,
        nullptr, nullptr);
    if (reply != nullptr) {
        g_variant_unref(reply);
    }
    loop_ = g_main_loop_new(nullptr, FALSE);
    thread_ = std::thread([this] { g_main_loop_run(loop_); });
}

NotificationServer::~NotificationServer() {
    g_main_loop_quit(loop_);
    thread_.join();
    g_main_loop_unref(loop_);
    g_dbus_connection_close_sync(connection_, nullptr, nullptr);
    g_object_unref(connection_);
    ::kill(daemon_, SIGTERM);
    ::waitpid(daemon_, nullptr, 0);
}

void NotificationServer::record(std::string title, std::string text) {
    std::lock_guard lock(mutex_);
    shown_.emplace_back(std::move(title), std::move(text));
}

std::vector<std::pair<std::string, std::string>> NotificationServer::shown() const {
    std::lock_guard lock(mutex_);
    return shown_;
}

}  // namespace ferrywise::testing
