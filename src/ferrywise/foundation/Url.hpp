#pragma once

// Url is an owning, immutable URI reference (RFC 3986, no WHATWG normalisation) with the operations the
// library needs: the parts of a link, its query items, and file URLs with their resolved paths.
//
//   auto url = ferrywise::Url::parse("https://Example.com/a%20b?x=1#top");
//   url->host();  // "Example.com"; url->path() is "/a b"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <boost/url/url.hpp>
#include <boost/url/url_view.hpp>

namespace ferrywise {

// One item of a query: the text before the first "=" and, when there is a "=", the text after it.
// Both are percent-decoded; a "+" stays a "+".
struct QueryItem {
    std::string name;
    std::optional<std::string> value;

    bool operator==(const QueryItem&) const = default;
};

class Url {
  public:
    // Parses a URI reference without resolving it against a base. Returns none for text that is not a
    // valid URI reference (spaces, stray "%", bad brackets...).
    [[nodiscard]] static std::optional<Url> parse(std::string_view text);

    // Returns the "file" URL of an absolute path, percent-encoding what needs it. A relative path is made
    // absolute against the current folder first.
    [[nodiscard]] static Url fromFilePath(const std::filesystem::path& path);

    // The whole URL text, exactly as parsed or built. The view lives as long as this Url.
    [[nodiscard]] std::string_view absoluteString() const noexcept;

    // The scheme as written (not lower-cased); none for a relative reference.
    [[nodiscard]] std::optional<std::string> scheme() const;

    // The percent-decoded host without the brackets of an IP literal; none when the URL has no authority,
    // an empty string when the authority has an empty host ("file:///x").
    [[nodiscard]] std::optional<std::string> host() const;

    // The port as written; none when absent.
    [[nodiscard]] std::optional<std::string> port() const;

    // Percent-decoded path ("" when empty) and the path as written.
    [[nodiscard]] std::string path() const;
    [[nodiscard]] std::string_view encodedPath() const noexcept;

    // The decoded path as a file-system-style path: trailing "/" removed, except from the lone "/".
    // ("https://a.example/docs/" gives "/docs", "https://a.example/" gives "/", "https://a.example" "".)
    [[nodiscard]] std::string pathWithoutTrailingSlashes() const;

    // The last non-empty segment of the decoded path ("" when there is none).
    [[nodiscard]] std::string lastPathComponent() const;

    // The text after the last "." of the last path component; "" when there is no dot, when the dot is the
    // component's first character (".profile") or when nothing follows it.
    [[nodiscard]] std::string pathExtension() const;

    // The query and fragment, decoded or as written; none when the URL has no "?" / "#".
    [[nodiscard]] std::optional<std::string> query() const;
    [[nodiscard]] std::optional<std::string_view> encodedQuery() const;
    [[nodiscard]] std::optional<std::string> fragment() const;
    [[nodiscard]] std::optional<std::string_view> encodedFragment() const;

    // The query split at "&" into items, in order; empty when there is no query or the query is empty.
    [[nodiscard]] std::vector<QueryItem> queryItems() const;

    // The same URL with its query replaced by `encodedQuery`, taken as written (none removes the "?" too);
    // every other part is kept byte for byte. None when the text cannot be a query (it holds "#", a space,
    // a stray "%"...).
    [[nodiscard]] std::optional<Url> replacingEncodedQuery(
        std::optional<std::string_view> encodedQuery) const;

    // Returns whether the scheme is "file" (ignoring case).
    [[nodiscard]] bool isFileUrl() const;

    // For a file URL: the decoded path as a file-system path; none for other URLs or a path holding NUL.
    [[nodiscard]] std::optional<std::filesystem::path> filePath() const;

    // For a file URL: the same URL with "." and ".." segments removed from its path. Other URLs unchanged.
    [[nodiscard]] Url standardizedFileUrl() const;

    // For a file URL: the URL of the path with every symbolic link of its existing part resolved, the rest
    // kept lexically normal, no trailing "/". Other URLs unchanged.
    [[nodiscard]] Url resolvingSymlinksInPath() const;

    // The path of standardizedFileUrl().resolvingSymlinksInPath(): for a file URL, the decoded path with
    // "." and ".." removed and symbolic links resolved; for other URLs, the decoded path.
    [[nodiscard]] std::string resolvedPath() const;

    // Returns whether two URLs name the same file-system location: the standardised, symbolic-link-resolved
    // paths compared as strings. This is how the library tells whether a bundle is the host itself.
    [[nodiscard]] static bool sameResolvedPath(const Url& a, const Url& b);

    // The underlying Boost.URL view, for building derived URLs. Lives as long as this Url.
    [[nodiscard]] boost::urls::url_view view() const noexcept { return url_; }

    friend bool operator==(const Url& a, const Url& b) noexcept {
        return a.absoluteString() == b.absoluteString();
    }

  private:
    explicit Url(boost::urls::url url) : url_(std::move(url)) {}

    boost::urls::url url_;
};

}  // namespace ferrywise

template <>
struct std::hash<ferrywise::Url> {
    std::size_t operator()(const ferrywise::Url& url) const noexcept {
        return std::hash<std::string_view>{}(url.absoluteString());
    }
};
