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

// Runs the program on a new pseudo-terminal (its standard input, output and error), as a user at a
// terminal runs it. Each of `keys` is typed once the terminal has shown `prompt` once more than before the
// previous key, so that every key reaches a screen drawn for it. Standard output and error arrive together
// in `out`. Gives up (ending the child) after ten seconds.
[[nodiscard]] ChildRun runInTerminal(const std::filesystem::path& program,
                                     const std::vector<std::string>& arguments,
                                     const std::vector<std::string>& keys, const std::string& prompt);

}  // namespace ferrywise::testing
