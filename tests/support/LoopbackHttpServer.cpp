#include "support/LoopbackHttpServer.hpp"

#include <algorithm>
#include <cctype>
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
#include <boost/beast/http.hpp>
#include <boost/beast/http/string_body.hpp>

namespace ferrywise::testing {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using asio::ip::tcp;

namespace {

constexpr auto awaitTuple = asio::as_tuple(asio::use_awaitable);

std::string_view pathOf(std::string_view target) {
    return target.substr(0, target.find('?'));
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

struct LoopbackHttpServer::State {
    struct Route {
        int status = 404;
        Headers headers;
        std::string body;
        bool neverAnswer = false;
    };

    // Records the request and returns how to answer it.
    Route take(const http::request<http::string_body>& message) {
        Request request;
        request.method = message.method_string();
        request.target = message.target();
        for (const auto& field : message) {
            request.headers.emplace_back(field.name_string(), field.value());
        }
        std::lock_guard lock(mutex);
        requests.push_back(request);
        auto found = routes.find(std::string(pathOf(request.target)));
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

    asio::awaitable<void> serve(tcp::socket socket) {
        boost::beast::flat_buffer buffer;
        for (;;) {
            http::request<http::string_body> message;
            auto [readError, read] = co_await http::async_read(socket, buffer, message, awaitTuple);
            if (readError) {
                co_return;  // the client left
            }
            Route route = take(message);
            if (route.neverAnswer) {
                continue;  // waits for a next request, which does not come before the client gives up
            }
            http::response<http::string_body> response;
            response.version(message.version());
            response.result(static_cast<unsigned>(route.status));
            for (const auto& [name, value] : route.headers) {
                response.insert(name, value);
            }
            response.content_length(route.body.size());
            if (message.method() != http::verb::head) {
                response.body() = route.body;
            }
            response.keep_alive(message.keep_alive());
            auto [writeError, written] = co_await http::async_write(socket, response, awaitTuple);
            if (writeError || !message.keep_alive()) {
                co_return;
            }
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
    for (const auto& [key, value] : headers) {
        if (equalIgnoringCase(key, name)) {
            return value;
        }
    }
    return std::nullopt;
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
    State::Route route;
    route.status = status;
    route.headers = std::move(headers);
    route.body = std::move(body);
    std::lock_guard lock(state_->mutex);
    state_->routes.insert_or_assign(std::move(path), std::move(route));
}

void LoopbackHttpServer::redirect(std::string path, std::string location, int status) {
    respond(std::move(path), status, {{"Location", std::move(location)}});
}

void LoopbackHttpServer::neverAnswer(std::string path) {
    State::Route route;
    route.neverAnswer = true;
    std::lock_guard lock(state_->mutex);
    state_->routes.insert_or_assign(std::move(path), std::move(route));
}

std::vector<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const {
    std::lock_guard lock(state_->mutex);
    return state_->requests;
}

std::size_t LoopbackHttpServer::requestCount(std::string_view path) const {
    std::lock_guard lock(state_->mutex);
    std::size_t count = 0;
    for (const auto& request : state_->requests) {
        count += pathOf(request.target) == path ? 1 : 0;
    }
    return count;
}

std::uint16_t LoopbackHttpServer::refusedPort() {
    asio::io_context context;
    tcp::acceptor acceptor(context, tcp::endpoint(asio::ip::address_v4::loopback(), 0));
    return acceptor.local_endpoint().port();  // closed on return: nothing listens there any more
}

}  // namespace ferrywise::testing
