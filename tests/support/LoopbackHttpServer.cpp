#include "support/LoopbackHttpServer.hpp"

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

#include <boost/asio/as_tuple.hpp>
#include <boost/asio/awaitable.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http.hpp>

namespace ferrywise::testing {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using asio::ip::tcp;

namespace {

constexpr auto awaitTuple = asio::as_tuple(asio::use_awaitable);

std::string_view pathOf(std::string_view target) {
    return target.substr(0, target.find('?'));
}

}  // namespace

struct LoopbackHttpServer::State {
    struct Route {
        int status = 404;  // 0: never answered
        Headers headers;
        std::string body;
    };

    // Records the request and returns how to answer it.
    Route take(const http::request<http::string_body>& message) {
        Request request{message.method_string(), message.target(), {}};
        for (const auto& field : message) {
            request.headers.emplace_back(field.name_string(), field.value());
        }
        std::lock_guard lock(mutex);
        requests.push_back(request);
        auto found = routes.find(pathOf(request.target));
        return found != routes.end() ? found->second : Route();
    }

    asio::awaitable<void> acceptConnections() {
        for (;;) {
            auto [error, socket] = co_await acceptor.async_accept(awaitTuple);
            if (error) {
                co_return;
            }
            asio::co_spawn(context, serve(std::move(socket)), asio::detached);
        }
    }

    // Answers the requests of one connection until the client leaves or asks to close; a request that is
    // never answered leaves the connection waiting for a next one, which does not come before the client
    // gives up.
    asio::awaitable<void> serve(tcp::socket socket) {
        boost::beast::flat_buffer buffer;
        for (bool open = true; open;) {
            http::request<http::string_body> message;
            auto [readError, read] = co_await http::async_read(socket, buffer, message, awaitTuple);
            if (readError) {
                co_return;
            }
            Route route = take(message);
            if (route.status == 0) {
                continue;
            }
            http::response<http::string_body> response(static_cast<http::status>(route.status),
                                                       message.version());
            for (const auto& [name, value] : route.headers) {
                response.insert(name, value);
            }
            response.content_length(route.body.size());
            if (message.method() != http::verb::head) {
                response.body() = route.body;
            }
            response.keep_alive(message.keep_alive());
            auto [writeError, written] = co_await http::async_write(socket, response, awaitTuple);
            open = !writeError && message.keep_alive();
        }
    }

    asio::io_context context;
    tcp::acceptor acceptor{context, tcp::endpoint(asio::ip::address_v4::loopback(), 0)};
    mutable std::mutex mutex;
    std::map<std::string, Route, std::less<>> routes;
    std::vector<Request> requests;
    std::thread thread;
};

std::optional<std::string> LoopbackHttpServer::Request::header(std::string_view name) const {
    auto found = std::ranges::find_if(
        headers, [&](const auto& field) { return boost::beast::iequals(field.first, name); });
    return found == headers.end() ? std::nullopt : std::optional(found->second);
}

LoopbackHttpServer::LoopbackHttpServer() : state_(std::make_unique<State>()) {
    asio::co_spawn(state_->context, state_->acceptConnections(), asio::detached);
    state_->thread = std::thread([state = state_.get()] { state->context.run(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    // Stopping abandons the pending accepts and reads; destroying the context then frees their coroutines,
    // closing every connection.
    state_->context.stop();
    state_->thread.join();
}

std::uint16_t LoopbackHttpServer::port() const noexcept {
    return state_->acceptor.local_endpoint().port();
}

std::string LoopbackHttpServer::url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port()) + std::string(path);
}

void LoopbackHttpServer::respond(std::string path, int status, Headers headers, std::string body) {
    std::lock_guard lock(state_->mutex);
    state_->routes.insert_or_assign(std::move(path),
                                    State::Route{status, std::move(headers), std::move(body)});
}

void LoopbackHttpServer::redirect(std::string path, std::string location, int status) {
    respond(std::move(path), status, {{"Location", std::move(location)}});
}

void LoopbackHttpServer::neverAnswer(std::string path) {
    respond(std::move(path), 0);
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const {
    std::lock_guard lock(state_->mutex);
    return state_->requests;
}

std::size_t LoopbackHttpServer::requestCount(std::string_view path) const {
    std::lock_guard lock(state_->mutex);
    return std::ranges::count(state_->requests, path,
                              [](const Request& request) { return pathOf(request.target); });
}

std::uint16_t LoopbackHttpServer::refusedPort() {
    asio::io_context context;
    tcp::acceptor acceptor(context, tcp::endpoint(asio::ip::address_v4::loopback(), 0));
    return acceptor.local_endpoint().port();  // closed on return: nothing listens there any more
}

}  // namespace ferrywise::testing
