#pragma once

// A private freedesktop registry for one test process. GIO reads the XDG folders and indexes the installed
// applications once per process, so the sandbox points HOME (home/), the XDG folders (data/, system/,
// config/, etc/, cache/, run/), the session bus and the GIO modules into a temporary folder; bin/ goes
// first on PATH and holds `record <name> <arguments...>`, which writes its arguments, one per line, to
// out/<name> ($OUT). Create it, and write the entries, before the first test touches GLib.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "support/TemporaryFolder.hpp"

namespace ferrywise::testing {

class DesktopSandbox {
  public:
    DesktopSandbox();

    [[nodiscard]] const std::filesystem::path& root() const noexcept { return folder_.path(); }

    // Writes `text` and a line break to `path` under the root.
    void write(const std::string& path, const std::string& text, bool executable = false) const;

    // Copies every file under `folder` into the root, "@BIN@" in them becoming the sandbox's bin/, and makes
    // each of `programs` a bin/ program that records its arguments under its own name.
    void copyTree(const std::filesystem::path& folder, const std::vector<std::string>& programs) const;

    // The lines a child wrote to out/`name`, waiting up to five seconds for them; the file is removed, so
    // that the next write can be awaited too. Empty when nothing came.
    [[nodiscard]] std::vector<std::string> awaitOutput(const std::string& name) const;

  private:
    TemporaryFolder folder_;
};

// Sleeps 20 ms.
void waitBriefly();

// Asks `read` every 20 ms for up to five seconds until it gives something: children start, write and show
// up in /proc on their own time.
template <typename Read>
auto awaitResult(Read read) {
    for (int attempt = 0; attempt < 250 && read().empty(); ++attempt) {
        waitBriefly();
    }
    return read();
}

}  // namespace ferrywise::testing
