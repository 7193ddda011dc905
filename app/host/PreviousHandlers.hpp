#pragma once

// The applications that opened each scheme before `ferrywise default` took it over, by desktop ID, so that
// `ferrywise uninstall` can give the links back to them. Kept as {"https": "firefox-esr", ...} in
// "PreviousHandlers.json" in the host's application-support folder, written atomically; a missing or
// unreadable file reads as empty (and is replaced at the next save).
//
//   PreviousHandlers previous(host.paths());
//   if (previous.set(LinkScheme::https, "firefox-esr")) { previous.save(); }

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "ferrywise/foundation/Paths.hpp"
#include "ferrywise/link/LinkScheme.hpp"

namespace ferrywise::host {

class PreviousHandlers {
  public:
    static constexpr std::string_view fileName = "PreviousHandlers.json";

    // Reads the file of `paths` now.
    explicit PreviousHandlers(const Paths& paths);

    [[nodiscard]] const std::filesystem::path& file() const noexcept { return file_; }

    // The desktop ID noted for `scheme`; none when none was.
    [[nodiscard]] std::optional<std::string> of(LinkScheme scheme) const;

    // Notes `id` for `scheme`; returns whether that changed anything.
    bool set(LinkScheme scheme, const std::string& id);

    // Writes the notes atomically. Throws std::system_error when the file cannot be written.
    void save() const;

    // Removes the file; nothing to do when there is none. Throws std::system_error when it stays.
    void forget();

  private:
    std::filesystem::path file_;
    std::map<std::string, std::string, std::less<>> ids_;
};

}  // namespace ferrywise::host
