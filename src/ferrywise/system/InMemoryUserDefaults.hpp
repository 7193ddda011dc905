#pragma once

// A UserDefaults store that keeps its domains in memory only: for tests, and for a host that must not
// leave settings behind. It starts empty; persistent domains (the global one too) are set through
// setPersistentDomain.
//
//   auto defaults = std::make_shared<InMemoryUserDefaults>("app.example.Router");
//   defaults->setPersistentDomain({{"AppleLanguages", {"de"}}}, UserDefaults::globalDomain);

#include <map>
#include <mutex>
#include <string>

#include "ferrywise/system/UserDefaults.hpp"

namespace ferrywise {

class InMemoryUserDefaults final : public UserDefaults {
  public:
    // A store whose own domain is `domain` (checked as a domain name).
    explicit InMemoryUserDefaults(std::string domain = "app.example.Router");

    [[nodiscard]] const std::string& domain() const noexcept override { return domain_; }
    [[nodiscard]] std::optional<nlohmann::json> object(std::string_view key) const override;
    [[nodiscard]] std::optional<nlohmann::json> persistentDomain(std::string_view name) const override;
    void removePersistentDomain(std::string_view name) override;

  protected:
    void apply(std::vector<Change> changes) override;
    void replaceDomain(std::string_view name, nlohmann::json values) override;

  private:
    std::string domain_;
    mutable std::mutex mutex_;
    std::map<std::string, nlohmann::json, std::less<>> domains_;  // name -> object
};

}  // namespace ferrywise
