#include "ferrywise/rules/LinkRuleStore.hpp"

#include <stdexcept>

#include <nlohmann/json.hpp>

#include "ferrywise/foundation/Coding.hpp"
#include "ferrywise/foundation/JsonFile.hpp"
#include "ferrywise/foundation/Log.hpp"
#include "ferrywise/rules/LinkRuleFileReader.hpp"

namespace ferrywise {
namespace {

std::filesystem::path requireFilePath(const Url& url) {
    auto path = url.filePath();
    if (!path) {
        throw std::invalid_argument("The rule file must be given by a file URL.");
    }
    return *path;
}

}  // namespace

LinkRuleStore::LinkRuleStore(const Url& fileUrl) : filePath_(requireFilePath(fileUrl)) {}

LinkRuleStore::LinkRuleStore(std::filesystem::path filePath) : filePath_(std::move(filePath)) {}

Url LinkRuleStore::defaultFileUrl(std::string_view bundleIdentifier) {
    return defaultFileUrl(Paths::fromEnvironment(
        std::string(bundleIdentifier.empty() ? fallbackBundleIdentifier : bundleIdentifier)));
}

Url LinkRuleStore::defaultFileUrl(const Paths& paths) {
    return Url::fromFilePath(paths.applicationSupportFolder() / fileName);
}

std::vector<LinkRule> LinkRuleStore::load() const {
    auto data = JsonFile::readData(filePath_);
    if (!data) {
        return {};  // missing (the usual state before the first rule) or not readable
    }
    try {
        return decode(*data);
    } catch (const std::exception& error) {  // a DecodingError, or memory running out on a huge file
        Log::rules().error("Ignoring unreadable rules: %{public}s", error.what());
        return {};
    }
}

HeldFile LinkRuleStore::saveHolding(const std::vector<LinkRule>& rules) const {
    auto data = encode(rules);
    keepUnreadableFile();
    return JsonFile::writeDataHolding(filePath_, data);
}

FileLock LinkRuleStore::lock() const {
    return FileLock(filePath_.parent_path() / ("." + filePath_.filename().string() + ".lock"));
}

std::optional<Date> LinkRuleStore::modificationDate() const {
    auto stamp = this->stamp();
    if (!stamp) {
        return std::nullopt;
    }
    return stamp->modified;
}

void LinkRuleStore::keepUnreadableFile() const {
    if (auto aside = JsonFile::keepAsideUnlessDecodable(filePath_, unreadableSuffix,
                                                        [](std::string_view data) { (void)decode(data); })) {
        Log::rules().log("Kept the unreadable rules file as %{public}s", aside->string());
    }
}

std::vector<LinkRule> LinkRuleStore::decode(std::string_view data) {
    return readRuleFile(data);
}

std::string LinkRuleStore::encode(const std::vector<LinkRule>& rules) {
    nlohmann::json stored = nlohmann::json::array();
    for (const auto& rule : rules) {
        stored.push_back(rule);
    }
    try {
        return JsonFile::serialize({{"rules", std::move(stored)}}, JsonFile::InvalidText::fail);
    } catch (const nlohmann::json::exception&) {
        // Written with replacement characters, the file would differ from the rules in memory.
        throw std::invalid_argument(
            "A rule holds text that is not valid UTF-8, so the rules cannot be saved.");
    }
}

}  // namespace ferrywise
