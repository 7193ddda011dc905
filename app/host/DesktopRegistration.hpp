#pragma once

// The host as a desktop application: the desktop entry that `ferrywise install` writes (it declares the
// web and mail link types and starts `ferrywise open %u`), the desktop's cache of the types its entries
// declare, and where the host's entry is now.
//
//   JsonFile::writeData(host.desktopEntryPath(), desktopEntryText(runningExecutable()));
//   if (auto problem = refreshDesktopCache(host.desktopEntryPath().parent_path())) { warn(*problem); }

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ferrywise/foundation/Url.hpp"

#include "HostContext.hpp"

namespace ferrywise::host {

// One word of an Exec command as the Desktop Entry rules write it: in double quotes, with `"`, backtick,
// `$` and `\` escaped by a backslash, when it holds a character the rules reserve (blanks, quotes, shell
// operators, `~`, `#`...); every `%` doubled, since a single one starts a field code. The value still needs
// keyFileValue() before it goes into a file.
[[nodiscard]] std::string execWord(std::string_view word);

// A string value as a key file stores it: backslashes doubled, line breaks, tabs and a leading blank
// written as escapes.
[[nodiscard]] std::string keyFileValue(std::string_view value);

// The host's desktop entry, whose command runs `executable` with `open` and the link.
[[nodiscard]] std::string desktopEntryText(const std::filesystem::path& executable);

// The running program's absolute path, read from /proc/self/exe. Throws CommandFailure when it cannot be
// read or the program was replaced since it started (an entry must not name a deleted file).
[[nodiscard]] std::filesystem::path runningExecutable();

// Runs `update-desktop-database <folder>` and waits for it, so that the desktop's cache of link types
// includes (or forgets) the host. None when it succeeded; otherwise why not, for the user.
[[nodiscard]] std::optional<std::string> refreshDesktopCache(const std::filesystem::path& folder);

// The host's desktop entry as the desktop finds it now: the user's own entry when it exists (it hides any
// other of the same ID), else the one the workspace finds elsewhere; none when the host is not installed.
// Read afresh on each call, unlike HostContext::ownBundleUrl, which an install in the same run leaves
// behind.
[[nodiscard]] std::optional<Url> installedBundleUrl(const HostContext& host);

// Starts `argv` (the program looked up on PATH) and waits for it. Returns its exit code, 128 + the signal
// that ended it, or none when it could not be started.
[[nodiscard]] std::optional<int> runProgram(const std::vector<std::string>& argv);

}  // namespace ferrywise::host
