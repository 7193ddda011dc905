#pragma once

// Running the library's awaitables to their end in tests: a fresh io_context, no threads, no sleeping.

#include <exception>
#include <optional>

#include <boost/asio/awaitable.hpp>
#include <boost/asio/co_spawn.hpp>
#include <boost/asio/io_context.hpp>
#include <gtest/gtest.h>

namespace ferrywise::testing {

// Runs the operation until it finishes and returns what it threw (null when it returned).
inline std::exception_ptr runToEnd(boost::asio::awaitable<void> operation) {
    boost::asio::io_context context;
    std::exception_ptr thrown;
    bool finished = false;
    boost::asio::co_spawn(context, std::move(operation), [&](std::exception_ptr error) {
        thrown = error;
        finished = true;
    });
    context.run();
    EXPECT_TRUE(finished) << "the operation did not finish";
    return thrown;
}

// The thrown error as `Error`; none when nothing was thrown or something else.
template <typename Error>
std::optional<Error> thrownAs(const std::exception_ptr& thrown) {
    try {
        if (thrown) {
            std::rethrow_exception(thrown);
        }
    } catch (const Error& error) {
        return error;
    } catch (...) {
    }
    return std::nullopt;
}

}  // namespace ferrywise::testing
