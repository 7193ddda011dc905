#include "PreviousHandlers.hpp"

#include "ferrywise/foundation/JsonFile.hpp"

namespace ferrywise::host {

PreviousHandlers::PreviousHandlers(const Paths& paths)
    : file_(paths.applicationSupportFolder() / std::string(fileName)) {
    auto read = JsonFile::read(file_);
    if (read.status != JsonFile::Status::ok || !read.value.is_object()) {
        return;
    }
    // Only the three schemes, and only text: anything else in a hand-edited file is left out.
    for (auto scheme : LinkScheme::allCases()) {
        auto found = read.value.find(scheme.rawValue());
        if (found != read.value.end() && found->is_string() && !found->get<std::string>().empty()) {
            ids_.emplace(scheme.rawValue(), found->get<std::string>());
        }
    }
}

std::optional<std::string> PreviousHandlers::of(LinkScheme scheme) const {
    auto found = ids_.find(scheme.rawValue());
    return found == ids_.end() ? std::nullopt : std::optional(found->second);
}

bool PreviousHandlers::set(LinkScheme scheme, const std::string& id) {
    auto& noted = ids_[std::string(scheme.rawValue())];
    if (noted == id) {
        return false;
    }
    noted = id;
    return true;
}

void PreviousHandlers::save() const {
    JsonFile::write(file_, nlohmann::json(ids_));
}

void PreviousHandlers::forget() {
    std::error_code error;
    std::filesystem::remove(file_, error);
    if (error) {
        throw std::system_error(error, "Could not remove " + file_.string());
    }
    ids_.clear();
}

}  // namespace ferrywise::host
