#include "ferrywise/applications/ApplicationPreferencesStore.hpp"

#include <stdexcept>

#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Coding.hpp"
#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Log.hpp"

namespace ferrywise {
namespace {

std::filesystem::path requireFilePath(const Url& url) {
    auto path = url.filePath();
    if (!path) {
        throw std::invalid_argument("The application preferences file must be given by a file URL.");
    }
    return *path;
}

}  // namespace

ApplicationPreferencesStore::ApplicationPreferencesStore(const Url& fileUrl)
    : filePath_(requireFilePath(fileUrl)) {}

ApplicationPreferencesStore::ApplicationPreferencesStore(std::filesystem::path filePath)
    : filePath_(std::move(filePath)) {}

Url ApplicationPreferencesStore::defaultFileUrl(std::string_view bundleIdentifier) {
    return defaultFileUrl(Paths::fromEnvironment(
        std::string(bundleIdentifier.empty() ? fallbackBundleIdentifier : bundleIdentifier)));
}

Url ApplicationPreferencesStore::defaultFileUrl(const Paths& paths) {
    return Url::fromFilePath(paths.applicationSupportFolder() / fileName);
}

ApplicationPreferences ApplicationPreferencesStore::load() const {
    auto data = JsonFile::readData(filePath_);
    if (!data) {
        return {};  // missing (the usual state before the first change) or not readable
    }
    try {
        return decode(*data);
    } catch (const std::exception& error) {  // a DecodingError, or memory running out on a huge file
        Log::applications().error("Ignoring unreadable preferences: %{public}s", error.what());
        return {};
    }
}

void ApplicationPreferencesStore::save(const ApplicationPreferences& preferences) const {
    auto data = encode(preferences);
    keepUnreadableFile();
    JsonFile::writeData(filePath_, data);
}

void ApplicationPreferencesStore::keepUnreadableFile() const {
    if (auto aside = JsonFile::keepAsideUnlessDecodable(filePath_, unreadableSuffix,
                                                        [](std::string_view data) { (void)decode(data); })) {
        Log::applications().log("Kept the unreadable preferences file as %{public}s", aside->string());
    }
}

ApplicationPreferences ApplicationPreferencesStore::decode(std::string_view data) {
    auto parsed = JsonFile::parse(data);
    if (parsed.status != JsonFile::Status::ok) {
        throw DecodingError(parsed.problem);
    }
    return parsed.value.get<ApplicationPreferences>();
}

std::string ApplicationPreferencesStore::encode(const ApplicationPreferences& preferences) {
    // Ids are desktop-file ids, which are not promised to be UTF-8: one that is not is written with
    // replacement characters (it then matches no application) rather than failing every later save.
    return JsonFile::serialize(preferences);
}

}  // namespace ferrywise
