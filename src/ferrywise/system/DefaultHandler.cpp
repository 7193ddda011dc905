#include "ferrywise/system/DefaultHandler.hpp"

#include <exception>
#include <string>

#include "ferrywise/foundation/Log.hpp"

namespace ferrywise {

std::optional<Url> WorkspaceDefaultHandlerBackend::currentHandlerUrl(LinkScheme scheme) const {
    return workspace_->urlForApplicationToOpen(scheme.probeUrl());
}

boost::asio::awaitable<void> WorkspaceDefaultHandlerBackend::setDefaultApplication(Url applicationUrl,
                                                                                   LinkScheme scheme) {
    // The registry is written at once (a small file); nothing to wait for.
    workspace_->setDefaultApplication(applicationUrl, scheme.rawValue());
    co_return;
}

DefaultHandlerService::DefaultHandlerService(std::shared_ptr<Workspace> workspace, Url ownBundleUrl)
    : DefaultHandlerService(std::make_shared<WorkspaceDefaultHandlerBackend>(std::move(workspace)),
                            std::move(ownBundleUrl)) {}

bool DefaultHandlerService::isDefaultHandler(LinkScheme scheme) const {
    auto handler = backend_->currentHandlerUrl(scheme);
    return handler && Url::sameResolvedPath(*handler, ownBundleUrl_);
}

bool DefaultHandlerService::isDefaultHandler(LinkScheme::Kind kind) const {
    for (auto scheme : kind.schemes()) {
        if (!isDefaultHandler(scheme)) {
            return false;
        }
    }
    return true;
}

boost::asio::awaitable<bool> DefaultHandlerService::requestDefaultHandler(LinkScheme::Kind kind) const {
    // Copies, so that the operation does not depend on this service outliving it.
    auto backend = backend_;
    auto ownBundleUrl = ownBundleUrl_;
    for (auto scheme : kind.schemes()) {
        std::optional<std::string> problem;
        try {
            co_await backend->setDefaultApplication(ownBundleUrl, scheme);
        } catch (const std::exception& error) {
            problem = error.what();
        }
        if (problem) {
            Log::onboarding().error("setDefaultApplication(%{public}s) reported: %{public}s",
                                    std::string(scheme.rawValue()), *problem);
        }
    }
    co_return DefaultHandlerService(backend, ownBundleUrl).isDefaultHandler(kind);
}

}  // namespace ferrywise
