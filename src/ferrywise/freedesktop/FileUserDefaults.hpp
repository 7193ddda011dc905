#pragma once

// The UserDefaults store of the Linux backend: one JSON file per domain, "<domain>.json" in one folder
// (for an application, <config>/<bundle identifier>/defaults, e.g. ~/.config/app.example.Router/defaults).
// Every change is written at once and atomically, so a crash leaves the old file or the new one, never a
// torn file. Reads see changes other processes made: a domain is read again whenever its file's stamp
// changed. Writers of the same domain take turns through a lock file beside it, and each write starts from
// the file as it is then, so one process's change does not undo another's.
//
// A file that cannot be read as a dictionary (damaged, not JSON, another type) reads as an empty domain
// and is logged once; before the domain is next written, the file is kept aside as
// "<domain>.json.corrupt-<UTC time>" so nothing the user had is lost. A write that fails (a full disk, a
// read-only folder) is logged and the value stays in effect in this process, to be written with the next
// change that succeeds. The first write of a domain also removes the temporary files that writers killed in
// the middle of a write left behind.
//
//   auto defaults = FileUserDefaults::standard(Paths::fromEnvironment("app.example.Router"));
//   defaults->set("alwaysAsks", false);   // ~/.config/app.example.Router/defaults/app.example.Router.json

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ferrywise/foundation/FileStamp.hpp"
#include "ferrywise/foundation/Paths.hpp"
#include "ferrywise/system/UserDefaults.hpp"

namespace ferrywise::freedesktop {

class FileUserDefaults final : public UserDefaults {
  public:
    // The store of the application `paths` names: own domain its bundle identifier, files in
    // <config folder>/defaults.
    [[nodiscard]] static std::shared_ptr<FileUserDefaults> standard(const Paths& paths);

    // A store whose domains are files in `folder` (created on first write) and whose own domain is
    // `domain`. Throws std::invalid_argument when `domain` cannot name a domain.
    FileUserDefaults(std::filesystem::path folder, std::string domain);

    [[nodiscard]] const std::filesystem::path& folder() const noexcept { return folder_; }
    // The file that holds the domain named `name`.
    [[nodiscard]] std::filesystem::path fileOfDomain(std::string_view name) const;

    [[nodiscard]] const std::string& domain() const noexcept override { return domain_; }
    [[nodiscard]] std::optional<nlohmann::json> object(std::string_view key) const override;
    // A domain exists when its file does (a damaged one reads as empty) or it holds values not yet written.
    [[nodiscard]] std::optional<nlohmann::json> persistentDomain(std::string_view name) const override;
    void removePersistentDomain(std::string_view name) override;

  protected:
    void apply(std::vector<Change> changes) override;
    void replaceDomain(std::string_view name, nlohmann::json values) override;

  private:
    struct Domain {
        bool loaded = false;
        std::optional<FileStamp> stamp;  // of the file the values were read from or written to
        nlohmann::json values = nlohmann::json::object();
        bool damaged = false;                   // the file holds something that is not a domain
        std::optional<FileStamp> loggedDamage;  // the damaged file already logged
        bool cleaned = false;                   // temporaries of killed writers removed
    };

    // The domain as its file is now, read again when the file changed. Call with mutex_ held.
    Domain& current(std::string_view name) const;
    // What a change does to the domain's file besides writing changed values: nothing more, create it
    // even when empty, or remove it.
    enum class Outcome { keep, create, remove };

    // Changes the domain through `edit` (which returns an Outcome) under the domain's lock file, and
    // writes it when that changed anything.
    template <typename Edit>
    void update(std::string_view name, Edit&& edit);
    // Writes the domain's values (or removes the file when `remove`), keeping a damaged file aside first.
    void save(std::string_view name, Domain& domain, bool remove) const;

    std::filesystem::path folder_;
    std::string domain_;
    mutable std::mutex mutex_;
    mutable std::map<std::string, Domain, std::less<>> domains_;
};

}  // namespace ferrywise::freedesktop
