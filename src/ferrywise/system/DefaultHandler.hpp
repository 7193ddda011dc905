#pragma once

// Which application the desktop sends http, https and mailto links to, and asking it to send them to the
// host. DefaultHandlerBackend is the seam to the desktop's handler registry; WorkspaceDefaultHandlerBackend
// answers it through the Workspace (on Linux the x-scheme-handler associations of mimeapps.list, the ones
// `xdg-mime` reads and writes). DefaultHandlerService judges whether the host is the handler by comparing
// bundle locations with symbolic links resolved, and judges a request by reading the registry again.
//
//   DefaultHandlerService service(workspace, ownBundleUrl);
//   bool handled = co_await service.requestDefaultHandler(LinkScheme::Kind::web);

#include <memory>
#include <optional>

#include <boost/asio/awaitable.hpp>

#include "ferrywise/foundation/Url.hpp"
#include "ferrywise/link/LinkScheme.hpp"
#include "ferrywise/system/Workspace.hpp"

namespace ferrywise {

class DefaultHandlerBackend {
  public:
    DefaultHandlerBackend() = default;
    DefaultHandlerBackend(const DefaultHandlerBackend&) = delete;
    DefaultHandlerBackend& operator=(const DefaultHandlerBackend&) = delete;
    virtual ~DefaultHandlerBackend() = default;

    // The bundle URL of the application that opens links of `scheme` now; none when there is none or it
    // cannot be read.
    [[nodiscard]] virtual std::optional<Url> currentHandlerUrl(LinkScheme scheme) const = 0;

    // Asks the desktop to make the application at `applicationUrl` the handler of `scheme`; throws when
    // the desktop refuses. Main thread.
    [[nodiscard]] virtual boost::asio::awaitable<void> setDefaultApplication(Url applicationUrl,
                                                                             LinkScheme scheme) = 0;
};

class WorkspaceDefaultHandlerBackend final : public DefaultHandlerBackend {
  public:
    explicit WorkspaceDefaultHandlerBackend(std::shared_ptr<Workspace> workspace)
        : workspace_(std::move(workspace)) {}

    // The handler of the scheme's probe URL.
    std::optional<Url> currentHandlerUrl(LinkScheme scheme) const override;
    // Workspace::setDefaultApplication with the scheme's raw value; throws its WorkspaceError.
    boost::asio::awaitable<void> setDefaultApplication(Url applicationUrl, LinkScheme scheme) override;

  private:
    std::shared_ptr<Workspace> workspace_;
};

class DefaultHandlerService {
  public:
    DefaultHandlerService(std::shared_ptr<Workspace> workspace, Url ownBundleUrl);
    DefaultHandlerService(std::shared_ptr<DefaultHandlerBackend> backend, Url ownBundleUrl)
        : backend_(std::move(backend)), ownBundleUrl_(std::move(ownBundleUrl)) {}

    [[nodiscard]] const std::shared_ptr<DefaultHandlerBackend>& backend() const noexcept { return backend_; }
    [[nodiscard]] const Url& ownBundleUrl() const noexcept { return ownBundleUrl_; }

    [[nodiscard]] std::optional<Url> currentHandlerUrl(LinkScheme scheme) const {
        return backend_->currentHandlerUrl(scheme);
    }

    // Returns whether the host's bundle opens links of `scheme`: the handler's location and the host's,
    // standardised with symbolic links resolved, are the same path.
    [[nodiscard]] bool isDefaultHandler(LinkScheme scheme) const;
    // Returns whether the host opens every scheme of the family (stopping at the first that it does not).
    [[nodiscard]] bool isDefaultHandler(LinkScheme::Kind kind) const;

    // Asks for the host to become the handler of each scheme of the family, logging each refusal and going
    // on, then returns what the registry reports afterwards. Never throws (but for running out of memory).
    // Main thread.
    [[nodiscard]] boost::asio::awaitable<bool> requestDefaultHandler(LinkScheme::Kind kind) const;

  private:
    std::shared_ptr<DefaultHandlerBackend> backend_;
    Url ownBundleUrl_;
};

}  // namespace ferrywise
