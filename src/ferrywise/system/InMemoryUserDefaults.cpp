#include "ferrywise/system/InMemoryUserDefaults.hpp"

namespace ferrywise {

InMemoryUserDefaults::InMemoryUserDefaults(std::string domain) : domain_(std::move(domain)) {
    checkDomainName(domain_);
}

std::optional<nlohmann::json> InMemoryUserDefaults::object(std::string_view key) const {
    std::lock_guard lock(mutex_);
    for (std::string_view name : {std::string_view(domain_), globalDomain}) {
        auto domain = domains_.find(name);
        if (domain == domains_.end()) {
            continue;
        }
        auto value = domain->second.find(key);
        if (value != domain->second.end()) {
            return *value;
        }
    }
    return std::nullopt;
}

std::optional<nlohmann::json> InMemoryUserDefaults::persistentDomain(std::string_view name) const {
    std::lock_guard lock(mutex_);
    auto domain = domains_.find(name);
    if (domain == domains_.end()) {
        return std::nullopt;
    }
    return domain->second;
}

void InMemoryUserDefaults::removePersistentDomain(std::string_view name) {
    checkDomainName(name);  // as the file-backed store: a name no domain can have is a caller's error
    std::lock_guard lock(mutex_);
    if (auto domain = domains_.find(name); domain != domains_.end()) {
        domains_.erase(domain);
    }
}

void InMemoryUserDefaults::apply(std::vector<Change> changes) {
    std::lock_guard lock(mutex_);
    auto domain = domains_.find(domain_);
    for (auto& [key, value] : changes) {
        if (value.is_null()) {
            if (domain != domains_.end()) {
                domain->second.erase(key);
            }
            continue;
        }
        if (domain == domains_.end()) {
            domain = domains_.emplace(domain_, nlohmann::json::object()).first;
        }
        domain->second[key] = std::move(value);
    }
}

void InMemoryUserDefaults::replaceDomain(std::string_view name, nlohmann::json values) {
    std::lock_guard lock(mutex_);
    domains_.insert_or_assign(std::string(name), std::move(values));
}

}  // namespace ferrywise
