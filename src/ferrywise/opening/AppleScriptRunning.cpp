#include "ferrywise/opening/AppleScriptRunning.hpp"

#include "ferrywise/opening/PrivateWindowError.hpp"

namespace ferrywise {

boost::asio::awaitable<void> AppleScriptRunner::run(std::string /*source*/) const {
    // Nothing here can run an AppleScript; failing the script lets the caller fall back.
    throw PrivateWindowError::scriptFailed(unavailableMessage);
    co_return;
}

}  // namespace ferrywise
