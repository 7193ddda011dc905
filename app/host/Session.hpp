#pragma once

// What every `ferrywise` command shares: the exit codes, the errors that end a command, the host context
// made on first use (so `--help` and usage errors touch no file), and running the library's awaitables to
// their end on this thread.

#include <exception>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>

#include <boost/asio/awaitable.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/io_context.hpp>

#include "HostContext.hpp"

namespace ferrywise::host {

enum ExitCode : int { exitDone = 0, exitFailure = 1, exitUsage = 2, exitCancelled = 3 };

// Ends a command with exit code 1; what() is the one-line reason, saying what was wrong and what to do.
class CommandFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Ends a command with exit code 2 (a value the command line cannot take).
class UsageFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Session {
  public:
    using MakeHost = std::function<std::unique_ptr<HostContext>()>;

    // `makeHost` builds the context on first use; `out` and `err` are where commands write.
    Session(MakeHost makeHost, std::ostream& out, std::ostream& err);

    [[nodiscard]] HostContext& host();
    [[nodiscard]] std::ostream& out() noexcept { return out_; }
    [[nodiscard]] std::ostream& err() noexcept { return err_; }

    // Runs `operation` to its end on a fresh io_context and returns its result; rethrows what it threw.
    template <typename T>
    T await(boost::asio::awaitable<T> operation) {
        std::optional<T> result;
        await(keep(std::move(operation), result));
        return std::move(*result);
    }
    void await(boost::asio::awaitable<void> operation);

  private:
    // Asio hands a coroutine's result to a handler only for default-constructible types; the result is
    // kept here instead.
    template <typename T>
    static boost::asio::awaitable<void> keep(boost::asio::awaitable<T> operation, std::optional<T>& result) {
        result.emplace(co_await std::move(operation));
    }

    MakeHost makeHost_;
    std::unique_ptr<HostContext> host_;
    std::ostream& out_;
    std::ostream& err_;
};

}  // namespace ferrywise::host
