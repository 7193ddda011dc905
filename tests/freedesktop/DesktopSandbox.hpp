#pragma once

// A private freedesktop registry for one test process. GIO reads the XDG folders and indexes the
// installed applications once per process, so SetUp points HOME, the XDG folders, the session bus and the
// GIO module folder into a temporary folder and writes every entry there before the first test touches
// GLib. Register it as a GoogleTest global environment.
//
// The registry (ids without ".desktop"):
//   org.example.Alpha    https handler, records its arguments as "alpha", Icon is an absolute file
//   org.example.Beta     https and x-ferrywise-test handler, records its arguments as "beta", themed Icon
//   org.example.Gamma    https handler in the system data folder
//   org.example.MailOne / org.example.MailTwo   mailto handlers
//   org.example.Recorder records its arguments as "recorder"; its Exec uses quoting and field codes
//   org.example.Launched writes "<its pid> <its child's pid>" to output "launched" and keeps running
//   org.example.Sleeper  runs a private copy of sleep (sleeperProgram) with the argument 20
//   org.example.Missing  its program does not exist; org.example.Broken: its script's interpreter does not
//   org.example.NoName   has no Name
// plus elsewhere/Portable.desktop outside the data folders. mimeapps.list adds Beta to the https handlers
// (first) and sets the defaults: https Alpha, mailto MailOne, x-ferrywise-test Beta.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "support/TemporaryFolder.hpp"

namespace ferrywise::testing {

class DesktopSandbox : public ::testing::Environment {
  public:
    void SetUp() override;
    void TearDown() override;

    [[nodiscard]] const std::filesystem::path& root() const { return folder_->path(); }
    [[nodiscard]] std::filesystem::path userApplications() const;          // XDG_DATA_HOME/applications
    [[nodiscard]] std::filesystem::path userConfig() const;                // XDG_CONFIG_HOME
    [[nodiscard]] std::filesystem::path entry(std::string_view id) const;  // a user entry by id
    [[nodiscard]] std::filesystem::path sleeperProgram() const;
    // Where the recording entries write their arguments, one per line.
    [[nodiscard]] std::filesystem::path output(std::string_view name) const;

    // Waits up to five seconds for a child to write output `name`; its lines, or none on time-out.
    [[nodiscard]] std::optional<std::vector<std::string>> awaitOutput(std::string_view name) const;

  private:
    std::unique_ptr<TemporaryFolder> folder_;
};

// Calls `condition` every 20 ms until it holds or `timeout` has passed; returns whether it held.
bool pollUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));

}  // namespace ferrywise::testing
