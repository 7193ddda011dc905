#pragma once

// An AppleScriptRunning for tests: records every script it is given and, when `failure` is set, throws it
// for each run.

#include <exception>
#include <string>
#include <vector>

#include <boost/asio/awaitable.hpp>

#include "ferrywise/opening/AppleScriptRunning.hpp"

namespace ferrywise::testing {

class RecordingScriptRunner final : public AppleScriptRunning {
  public:
    mutable std::vector<std::string> scripts;
    std::exception_ptr failure;

    boost::asio::awaitable<void> run(std::string source) const override {
        scripts.push_back(std::move(source));
        if (failure) {
            std::rethrow_exception(failure);
        }
        co_return;
    }
};

}  // namespace ferrywise::testing
