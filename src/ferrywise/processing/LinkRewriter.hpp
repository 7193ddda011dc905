#pragma once

// LinkRewriter turns two kinds of indirect link into the web address they stand for, before rules are
// matched: "x-webdoc" document links, which wrap a web address, and short links of the largest
// video-sharing service, which become its full watch address. Purely textual: no network, no state.
//
//   LinkRewriter::expand(*Url::parse("https://youtu.be/abc123?t=42"));
//   // https://www.youtube.com/watch?v=abc123&t=42

#include <array>
#include <optional>
#include <string_view>

#include "ferrywise/foundation/Url.hpp"

namespace ferrywise {

class LinkRewriter {
  public:
    static constexpr std::string_view xWebdocScheme = "x-webdoc";
    static constexpr std::array<std::string_view, 2> shortVideoHosts{"youtu.be", "www.youtu.be"};
    static constexpr std::string_view watchHost = "www.youtube.com";
    static constexpr std::string_view watchPath = "/watch";
    static constexpr std::string_view videoQueryItemName = "v";

    LinkRewriter() = delete;

    // Returns the unwrapped or rewritten address, or `url` unchanged when no rewrite applies or one cannot
    // be built. An unwrapped "x-webdoc" address is not rewritten further. Never fails; any thread.
    [[nodiscard]] static Url expand(const Url& url);

  private:
    // The https address inside an "x-webdoc" link: its host when the host is dotted, else the first path
    // segment when that is dotted. None when the link is not such a link.
    static std::optional<Url> expandXWebdoc(const Url& url);
};

}  // namespace ferrywise
