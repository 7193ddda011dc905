#pragma once

// A private session bus (its own dbus-daemon) with a desktop-notification service that only records what
// it is asked to show: the title and the text of each notification.

#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/types.h>

typedef struct _GMainLoop GMainLoop;
typedef struct _GDBusConnection GDBusConnection;

namespace ferrywise::testing {

class NotificationServer {
  public:
    NotificationServer();
    NotificationServer(const NotificationServer&) = delete;
    NotificationServer& operator=(const NotificationServer&) = delete;
    ~NotificationServer();

    // The address to give clients as DBUS_SESSION_BUS_ADDRESS.
    [[nodiscard]] const std::string& address() const noexcept { return address_; }

    // The notifications shown so far: title and text.
    [[nodiscard]] std::vector<std::pair<std::string, std::string>> shown() const;

    void record(std::string title, std::string text);

  private:
    pid_t daemon_ = -1;
    std::string address_;
    GDBusConnection* connection_ = nullptr;
    GMainLoop* loop_ = nullptr;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::pair<std::string, std::string>> shown_;
};

}  // namespace ferrywise::testing
