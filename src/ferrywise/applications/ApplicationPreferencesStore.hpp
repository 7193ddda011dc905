#pragma once

// ApplicationPreferencesStore keeps the application preferences in one JSON file,
// "ApplicationPreferences.json" in the host's Application Support folder. Loading never fails; saving is
// atomic and never silently replaces a file it cannot read. Plain synchronous file access on the calling
// thread.
//
//   ApplicationPreferencesStore store(ApplicationPreferencesStore::defaultFileUrl(Paths::fromEnvironment()));
//   auto preferences = store.load();

#include <filesystem>
#include <string>
#include <string_view>

#include "ferrywise/applications/ApplicationPreferences.hpp"
#include "ferrywise/foundation/Paths.hpp"
#include "ferrywise/foundation/Url.hpp"

namespace ferrywise {

class ApplicationPreferencesStore {
  public:
    static constexpr std::string_view fileName = "ApplicationPreferences.json";
    // The host's bundle identifier when the running host reports none.
    static constexpr std::string_view fallbackBundleIdentifier = Paths::defaultBundleIdentifier;
    // Where an unreadable file is kept when a save would replace it: beside it, under this suffix (then
    // "-2", "-3"... so an older copy is never overwritten).
    static constexpr std::string_view unreadableSuffix = ".unreadable";

    // A store for the file at a "file" URL; throws std::invalid_argument for any other URL.
    explicit ApplicationPreferencesStore(const Url& fileUrl);
    explicit ApplicationPreferencesStore(std::filesystem::path filePath);

    // <Application Support>/<bundle identifier>/ApplicationPreferences.json; an empty bundle identifier
    // uses fallbackBundleIdentifier.
    [[nodiscard]] static Url defaultFileUrl(std::string_view bundleIdentifier);
    [[nodiscard]] static Url defaultFileUrl(const Paths& paths);

    [[nodiscard]] Url fileUrl() const { return Url::fromFilePath(filePath_); }
    [[nodiscard]] const std::filesystem::path& filePath() const noexcept { return filePath_; }

    // The preferences in the file. A missing or unreadable file gives empty preferences (an undecodable one
    // with one error line in the applications log); the file is never changed. Never throws.
    [[nodiscard]] ApplicationPreferences load() const;

    // Writes the preferences atomically, creating missing folders. A file there that does not read as
    // preferences is first moved aside (see unreadableSuffix). Throws std::system_error when the file
    // system fails; the file is then as it was, or moved aside and nothing written.
    void save(const ApplicationPreferences& preferences) const;

    // The file's content: decoding is strict and throws DecodingError; encoding gives the pretty-printed,
    // key-sorted text save() writes.
    [[nodiscard]] static ApplicationPreferences decode(std::string_view data);
    [[nodiscard]] static std::string encode(const ApplicationPreferences& preferences);

    bool operator==(const ApplicationPreferencesStore&) const = default;

  private:
    // Moves the current file aside when it exists but does not read as preferences.
    void keepUnreadableFile() const;

    std::filesystem::path filePath_;
};

}  // namespace ferrywise
