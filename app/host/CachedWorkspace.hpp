#pragma once

// A Workspace that remembers, from one run of the host to the next, what the desktop answered about the
// installed applications: where an application's entry is, which entries handle a URL scheme, what an
// entry says of itself and its display name. The answers are kept in a cache file together with the
// registry's stamp (RegistryStamp::current()), and reused only while that stamp is unchanged, so that
// installing, removing or editing an entry, or changing an association, is seen by the next run. Every
// other request (opening, the default handler, icons, running applications) goes to the desktop.
//
// Why: asking the desktop (GIO) for any application indexes the applications folders and watches them
// with inotify, and the kernel takes longer to release those watches when the process ends than the host
// takes for a whole routing decision.
//
//   CachedWorkspace workspace([] { return freedesktop::makeDesktopWorkspace(); }, paths.cachesFolder() /
//   "Registry.json");

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "ferrywise/system/Workspace.hpp"

namespace ferrywise::host {

// What the desktop's answers about installed applications depend on, as one text (kept whole: comparing it
// costs less than starting a digest library, and no two states can share it).
class RegistryStamp {
  public:
    RegistryStamp() = delete;

    // The applications folders of the XDG data folders with their subfolders (each folder and file by its
    // change and modification times, size and inode), the folders on PATH (a program installed or
    // removed), the mimeapps.list files of the XDG configuration folders (also the desktop-specific ones),
    // and the variables that choose folders, the desktop, programs and languages.
    [[nodiscard]] static std::string current();
};

class CachedWorkspace final : public Workspace {
  public:
    using MakeDesktop = std::function<std::shared_ptr<Workspace>()>;

    // Answers from `file` when its stamp is current; the desktop's workspace is made by `makeDesktop` on
    // the first request the cache cannot answer.
    CachedWorkspace(MakeDesktop makeDesktop, std::filesystem::path file);
    // Writes the answers learnt in this run; a failure to write only costs the next run its speed.
    ~CachedWorkspace() override;

    std::optional<Url> urlForApplication(std::string_view bundleIdentifier) const override;
    std::vector<Url> urlsForApplicationsToOpen(const Url& url) const override;
    std::optional<BundleInfo> bundleInfo(const Url& bundleUrl) const override;
    std::string displayName(const std::filesystem::path& path) const override;

    std::optional<Url> urlForApplicationToOpen(const Url& url) const override {
        return desktop().urlForApplicationToOpen(url);
    }
    void setDefaultApplication(const Url& applicationUrl, std::string_view scheme) override {
        desktop().setDefaultApplication(applicationUrl, scheme);
    }
    // A launch that fails may have been sent by an answer the stamp could not tell was stale (a program
    // removed from a folder not on PATH): the kept answers are dropped, so the next run asks again.
    void openUrls(const std::vector<Url>& urls, const Url& applicationUrl,
                  const WorkspaceOpenConfiguration& configuration) override;
    void openApplication(const Url& applicationUrl, const WorkspaceOpenConfiguration& configuration) override;
    bool openUrl(const Url& url) override { return desktop().openUrl(url); }
    std::optional<WorkspaceIcon> iconForFile(const std::filesystem::path& path) const override {
        return desktop().iconForFile(path);
    }
    std::optional<RunningApplication> frontmostApplication() const override {
        return desktop().frontmostApplication();
    }
    std::vector<RunningApplication> runningApplications() const override {
        return desktop().runningApplications();
    }

  private:
    [[nodiscard]] Workspace& desktop() const;
    void forget() const;
    // The answer kept under `table` and `key`, else `ask()`'s, kept for the next run.
    template <typename Answer, typename Ask>
    Answer remembered(const char* table, const std::string& key, Ask ask) const;

    MakeDesktop makeDesktop_;
    std::filesystem::path file_;
    std::string stamp_;
    mutable std::shared_ptr<Workspace> desktop_;
    mutable nlohmann::json answers_ = nlohmann::json::object();
    mutable bool learnt_ = false;
};

}  // namespace ferrywise::host
