#include "ferrywise/freedesktop/FileUserDefaults.hpp"

#include <chrono>
#include <ctime>
#include <system_error>

#include "ferrywise/foundation/FileLock.hpp"
#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Log.hpp"

namespace ferrywise::freedesktop {
namespace {

std::string utcTimestamp() {
    auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
    ::gmtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &parts);
    return text;
}

// Moves a damaged file out of the way under a name no earlier copy has. Returns whether the path is free.
bool keepAside(const std::filesystem::path& path) {
    try {
        if (auto aside = JsonFile::keepAside(path, ".corrupt-" + utcTimestamp())) {
            Log::settings().error("Kept the unreadable settings file aside as %{public}s",
                                  aside->filename().string());
        }
        return true;
    } catch (const std::exception& error) {
        Log::settings().error("Could not keep the unreadable settings file %{public}s aside: %{public}s",
                              path.filename().string(), error.what());
        return false;
    }
}

// Removes the temporary files of writes that never finished (their writer was killed): ".<file>.XXXXXX".
// Only called under the domain's lock, which every writer of the domain holds while it writes.
void removeStaleTemporaries(const std::filesystem::path& domainFile) {
    auto file = JsonFile::writtenPath(domainFile);
    auto prefix = "." + file.filename().string() + ".";
    std::error_code error;
    for (std::filesystem::directory_iterator entry(file.parent_path(), error), end; !error && entry != end;
         entry.increment(error)) {
        auto name = entry->path().filename().string();
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
            std::error_code ignored;
            std::filesystem::remove(entry->path(), ignored);
        }
    }
}

}  // namespace

std::shared_ptr<FileUserDefaults> FileUserDefaults::standard(const Paths& paths) {
    return std::make_shared<FileUserDefaults>(paths.configFolder() / "defaults", paths.bundleIdentifier());
}

FileUserDefaults::FileUserDefaults(std::filesystem::path folder, std::string domain)
    : folder_(std::move(folder)), domain_(std::move(domain)) {
    checkDomainName(domain_);
}

std::filesystem::path FileUserDefaults::fileOfDomain(std::string_view name) const {
    return folder_ / (std::string(name) + ".json");
}

FileUserDefaults::Domain& FileUserDefaults::current(std::string_view name) const {
    auto entry = domains_.find(name);
    if (entry == domains_.end()) {
        entry = domains_.emplace(std::string(name), Domain{}).first;
    }
    auto& domain = entry->second;
    auto path = fileOfDomain(name);
    // The stamp is taken before the content is read: if the file is replaced in between, the newer
    // content is paired with the older stamp, and the next look reads it once more; never the reverse.
    auto stamp = FileStamp::of(path);
    if (domain.loaded && stamp == domain.stamp) {
        return domain;  // also when there is still no file: values whose write failed stay in effect
    }
    domain.loaded = true;
    domain.stamp = stamp;
    domain.damaged = false;
    domain.values = nlohmann::json::object();
    auto file = JsonFile::read(path);
    if (file.status == JsonFile::Status::missing) {
        return domain;
    }
    std::string problem = file.problem;
    if (file.status == JsonFile::Status::ok) {
        if (!file.value.is_object()) {
            problem = "the file does not hold a dictionary";
        } else {
            try {
                checkStorable(file.value);
                domain.values = std::move(file.value);
                return domain;
            } catch (const std::invalid_argument& error) {
                problem = error.what();
            }
        }
    }
    domain.damaged = true;
    if (domain.loggedDamage != stamp || !stamp) {
        domain.loggedDamage = stamp;
        Log::settings().error("Could not read the settings file %{public}s: %{public}s",
                              path.filename().string(), problem);
    }
    return domain;
}

void FileUserDefaults::save(std::string_view name, Domain& domain, bool remove) const {
    auto path = fileOfDomain(name);
    if (!domain.cleaned) {
        removeStaleTemporaries(path);
        domain.cleaned = true;
    }
    if (domain.damaged) {
        if (!keepAside(path)) {
            return;  // never overwrite the only copy of what the user had
        }
        domain.damaged = false;
        domain.stamp.reset();
    }
    try {
        if (remove) {
            std::error_code error;
            std::filesystem::remove(path, error);
            if (error) {
                throw std::system_error(error, "Could not remove " + path.string());
            }
            domain.stamp.reset();
            return;
        }
        auto held = JsonFile::writeDataHolding(path, JsonFile::serialize(domain.values));
        domain.stamp = held.stamp();
    } catch (const std::exception& error) {
        Log::settings().error("Could not save the settings file %{public}s: %{public}s",
                              path.filename().string(), error.what());
    }
}

template <typename Edit>
void FileUserDefaults::update(std::string_view name, Edit&& edit) {
    std::lock_guard lock(mutex_);
    FileLock fileLock(folder_ / ("." + std::string(name) + ".lock"));
    auto& domain = current(name);
    bool onDisk = domain.stamp.has_value();
    auto before = domain.values;
    switch (std::forward<Edit>(edit)(domain.values)) {
        case Outcome::remove:
            if (onDisk || domain.damaged) {
                save(name, domain, true);
            }
            return;
        case Outcome::create:
            if (!onDisk) {
                save(name, domain, false);
                return;
            }
            break;
        case Outcome::keep:
            // Values whose earlier write failed are written with this change, or retried now.
            if (!onDisk && !domain.values.empty()) {
                save(name, domain, false);
                return;
            }
            break;
    }
    if (domain.values != before) {
        save(name, domain, false);
    }
}

std::optional<nlohmann::json> FileUserDefaults::object(std::string_view key) const {
    std::lock_guard lock(mutex_);
    for (std::string_view name : {std::string_view(domain_), globalDomain}) {
        const auto& values = current(name).values;
        if (auto value = values.find(key); value != values.end()) {
            return *value;
        }
    }
    return std::nullopt;
}

std::optional<nlohmann::json> FileUserDefaults::persistentDomain(std::string_view name) const {
    try {
        checkDomainName(name);
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    const auto& domain = current(name);
    if (!domain.stamp && domain.values.empty()) {
        return std::nullopt;
    }
    return domain.values;
}

void FileUserDefaults::removePersistentDomain(std::string_view name) {
    checkDomainName(name);
    update(name, [](nlohmann::json& values) {
        values = nlohmann::json::object();
        return Outcome::remove;
    });
}

void FileUserDefaults::apply(std::vector<Change> changes) {
    update(domain_, [&](nlohmann::json& values) {
        for (auto& [key, value] : changes) {
            if (value.is_null()) {
                values.erase(key);
            } else {
                values[key] = std::move(value);
            }
        }
        return Outcome::keep;
    });
}

void FileUserDefaults::replaceDomain(std::string_view name, nlohmann::json values) {
    update(name, [&](nlohmann::json& stored) {
        stored = std::move(values);
        return Outcome::create;
    });
}

}  // namespace ferrywise::freedesktop
