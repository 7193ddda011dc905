#pragma once

// BuildInfo is the version and build stamp of the running build, read from the information dictionary
// generated when the build is configured (cmake/BuildInfo.cmake). The overloads taking a dictionary
// apply the same reading rules to any dictionary, so the rules can be checked without rebuilding.
//
//   BuildInfo::version();  // "0.1.0"
//   BuildInfo::stamp();    // "0.1.0 (1a2b3c4, 2026-12-06)", or none for an unrecorded build

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace ferrywise {

class BuildInfo {
  public:
    BuildInfo() = delete;

    // The stamp a build records when it was told not to record one.
    static constexpr std::string_view unrecordedStamp = "unrecorded build";

    // The build's dictionary: a JSON object with "CFBundleShortVersionString" and "BuildStamp".
    [[nodiscard]] static const nlohmann::json& informationDictionary();

    // The build's version, or "1.0" when the dictionary has no usable one.
    [[nodiscard]] static std::string version();
    // The build's stamp; none when it has no usable one or it is the unrecorded stamp.
    [[nodiscard]] static std::optional<std::string> stamp();

    // The same, read from `dictionary`. A value is usable when it is a string that is not blank (spaces
    // and tabs) and not an unexpanded "$(...)" reference; it is returned as stored, untrimmed. Anything
    // but a JSON object counts as a missing dictionary.
    [[nodiscard]] static std::string version(const nlohmann::json& dictionary);
    [[nodiscard]] static std::optional<std::string> stamp(const nlohmann::json& dictionary);

  private:
    [[nodiscard]] static std::optional<std::string> value(const nlohmann::json& dictionary,
                                                          std::string_view key);
};

}  // namespace ferrywise
