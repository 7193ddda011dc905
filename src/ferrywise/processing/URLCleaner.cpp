#include "ferrywise/processing/URLCleaner.hpp"

#include <algorithm>

#include <boost/url/url_view.hpp>

#include "ferrywise/foundation/Text.hpp"

namespace ferrywise {
namespace {

namespace urls = boost::urls;

// The decoded name of a query item ("+" stays "+"). Names are almost always plain text, so the common
// case copies nothing.
std::string_view decodedName(urls::pct_string_view encoded, std::string& storage) {
    if (encoded.find('%') == std::string_view::npos) {
        return encoded;
    }
    storage = encoded.decode(urls::encoding_opts(false, false, false));
    return storage;
}

// The query items of a link, or none when there are no items to look at.
std::optional<urls::params_encoded_view> itemsOf(const Url& url) {
    auto view = url.view();
    if (!view.has_query() || view.encoded_query().empty()) {
        return std::nullopt;
    }
    return view.encoded_params();
}

}  // namespace

const URLCleaner::NameSet& URLCleaner::trackingParameters() {
    static const NameSet names{"gclid",   "dclid",   "gbraid",    "wbraid",    "gclsrc",     "gad_source",
                               "fbclid",  "msclkid", "twclid",    "ttclid",    "li_fat_id",  "igshid",
                               "igsh",    "yclid",   "mc_cid",    "mc_eid",    "mkt_tok",    "_hsenc",
                               "_hsmi",   "_kx",     "vero_id",   "vero_conv", "oly_enc_id", "oly_anon_id",
                               "s_kwcid", "ef_id",   "_openstat", "wickedid",  "rb_clickid", "epik"};
    return names;
}

void URLCleaner::addException(std::string_view name) {
    auto lowered = text::lowercased(name);
    if (!lowered.empty()) {
        exceptions_.insert(std::move(lowered));
    }
}

bool URLCleaner::removes(std::string_view name) const {
    auto lowered = text::lowercased(name);
    if (exceptions_.contains(lowered)) {
        return false;
    }
    if (trackingParameters().contains(lowered)) {
        return true;
    }
    return std::ranges::any_of(trackingPrefixes,
                               [&](std::string_view prefix) { return lowered.starts_with(prefix); });
}

Url URLCleaner::clean(const Url& url) const {
    auto items = itemsOf(url);
    if (!items) {
        return url;
    }
    // Kept items are copied as written: decoding and encoding them again would, for one, turn an encoded
    // "+" (%2B) into a literal one, which servers read as a space.
    std::string kept;
    bool removedAny = false;
    bool first = true;
    std::string storage;
    for (auto item : *items) {
        if (removes(decodedName(item.key, storage))) {
            removedAny = true;
            continue;
        }
        if (!first) {
            kept += '&';
        }
        first = false;
        kept.append(item.key);
        if (item.has_value) {
            kept.append("=").append(item.value);
        }
    }
    if (!removedAny) {
        return url;
    }
    auto cleaned = url.replacingEncodedQuery(first ? std::nullopt : std::optional<std::string_view>(kept));
    return cleaned ? *cleaned : url;
}

std::vector<std::string> URLCleaner::removedParameterNames(const Url& url) const {
    std::vector<std::string> names;
    auto items = itemsOf(url);
    if (!items) {
        return names;
    }
    std::string storage;
    for (auto item : *items) {
        auto name = decodedName(item.key, storage);
        if (removes(name)) {
            names.emplace_back(name);
        }
    }
    return names;
}

}  // namespace ferrywise
