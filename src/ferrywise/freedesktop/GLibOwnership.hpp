#pragma once

// Owners for the values GLib hands over, shared by the freedesktop backends so that each frees them the
// same way. Internal to src/ferrywise/freedesktop/.

#include <memory>

#include <glib-object.h>
#include <glib.h>

namespace ferrywise::freedesktop {

struct GObjectUnref {
    void operator()(gpointer object) const noexcept { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree {
    void operator()(gpointer memory) const noexcept { g_free(memory); }
};
using GCharPtr = std::unique_ptr<gchar, GFree>;

struct GStrvFree {
    void operator()(gchar** strings) const noexcept { g_strfreev(strings); }
};
using GStrvPtr = std::unique_ptr<gchar*, GStrvFree>;

struct KeyFileUnref {
    void operator()(GKeyFile* keyFile) const noexcept { g_key_file_unref(keyFile); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileUnref>;

// Receives the GError of one GLib call and frees it.
class ErrorSlot {
  public:
    ErrorSlot() = default;
    ErrorSlot(const ErrorSlot&) = delete;
    ErrorSlot& operator=(const ErrorSlot&) = delete;
    ~ErrorSlot() {
        if (error_ != nullptr) {
            g_error_free(error_);
        }
    }

    [[nodiscard]] GError** out() noexcept { return &error_; }
    [[nodiscard]] const GError* get() const noexcept { return error_; }

  private:
    GError* error_ = nullptr;
};

}  // namespace ferrywise::freedesktop
