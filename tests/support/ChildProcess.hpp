#pragma once

// Running a program as a child and collecting what it said: its exit code, standard output and standard
// error. Standard input is fed from a string (never a terminal). The environment is this process's.

#include <filesystem>
#include <string>
#include <vector>

namespace ferrywise::testing {

struct ChildRun {
    int exitCode = -1;  // 128 + the signal when a signal ended it
    std::string out;
    std::string err;
};

[[nodiscard]] ChildRun runChild(const std::filesystem::path& program,
                                const std::vector<std::string>& arguments, const std::string& input = {});

}  // namespace ferrywise::testing
