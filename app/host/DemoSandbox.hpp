#pragma once

// A throw-away desktop for `ferrywise demo`: a new folder under the temporary folder with its own home and
// XDG folders, no session bus and no GIO modules, holding Firefox ESR, Chromium (with the profiles
// Personal and Work) and Claws Mail as their packages install them, except that each program only notes
// how it was started. Making a sandbox points this process's environment into it. GIO reads that
// environment once per process, on first use, so the sandbox must come before anything touches GIO (make
// the host context after it), and a process makes at most one. The folder goes with the sandbox; the
// environment keeps pointing at it, since the process ends with the demo.
//
//   DemoSandbox sandbox;
//   HostContext host(Paths::fromEnvironment(), freedesktop::makeDesktopWorkspace());
//   ... open a link in Chromium's incognito window ...
//   sandbox.awaitStart(std::chrono::seconds(3));  // {"chromium", "--incognito", "https://..."}

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ferrywise::host {

class DemoSandbox {
  public:
    // Makes the folder and its applications and points the environment there. Throws CommandFailure when
    // the folder cannot be made.
    DemoSandbox();
    DemoSandbox(const DemoSandbox&) = delete;
    DemoSandbox& operator=(const DemoSandbox&) = delete;
    // Removes the folder and everything in it.
    ~DemoSandbox();

    [[nodiscard]] const std::filesystem::path& root() const noexcept { return root_; }

    // Forgets a start noted but not awaited, so that the next awaitStart sees only what follows.
    void forgetStarts() const;

    // The next start of a sample program: its name, then its arguments. Looks every 20 ms, for up to
    // `timeout`; none when nothing started.
    [[nodiscard]] std::optional<std::vector<std::string>> awaitStart(std::chrono::milliseconds timeout) const;

  private:
    std::filesystem::path root_;
};

}  // namespace ferrywise::host
