// ferrywise-links: shows how the library sees each URL given on the command line — whether it becomes a
// link, and its scheme, family, summaries and host — until the real command-line host replaces it.

#include <iostream>
#include <string_view>

#include "ferrywise/foundation/Localization.hpp"
#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/link/InterceptedLink.hpp"

int main(int argc, char** argv) {
    using namespace ferrywise;
    if (argc < 2) {
        std::cerr << "usage: ferrywise-links URL...\n";
        return 2;
    }
    auto localization = Localization::current();
    int refused = 0;
    for (int i = 1; i < argc; ++i) {
        std::string_view text = argv[i];
        std::cout << text << '\n';
        auto url = Url::parse(text);
        auto link = url ? InterceptedLink::make(*url) : std::nullopt;
        if (!link) {
            std::cout << "  not a link: " << (url ? "not a web or mail link" : "not a valid URL") << "\n\n";
            ++refused;
            continue;
        }
        std::cout << "  scheme:  " << link->scheme().rawValue() << '\n'
                  << "  family:  " << link->scheme().kind().rawValue() << " ("
                  << link->scheme().kind().displayName(localization) << ")\n"
                  << "  display: " << link->displaySummary() << '\n'
                  << "  log:     " << link->logSummary() << '\n'
                  << "  host:    " << link->host().value_or("(none)") << "\n\n";
    }
    return refused == 0 ? 0 : 1;
}
