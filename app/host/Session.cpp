#include "Session.hpp"

namespace ferrywise::host {

Session::Session(MakeHost makeHost, std::ostream& out, std::ostream& err)
    : makeHost_(std::move(makeHost)), out_(out), err_(err) {}

HostContext& Session::host() {
    if (!host_) {
        host_ = makeHost_();
    }
    return *host_;
}

void Session::await(boost::asio::awaitable<void> operation) {
    boost::asio::io_context context;
    std::exception_ptr failure;
    boost::asio::co_spawn(context, std::move(operation), [&](std::exception_ptr error) { failure = error; });
    context.run();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

}  // namespace ferrywise::host
