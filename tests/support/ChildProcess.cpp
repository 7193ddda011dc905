#include "support/ChildProcess.hpp"

#include <array>
#include <chrono>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ferrywise::testing {

namespace {

struct Pipe {
    std::array<int, 2> ends{-1, -1};
    Pipe() {
        if (::pipe2(ends.data(), O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe failed");
        }
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    ~Pipe() {
        closeEnd(0);
        closeEnd(1);
    }
    void closeEnd(int end) {
        if (ends.at(end) >= 0) {
            ::close(ends.at(end));
            ends.at(end) = -1;
        }
    }
};

// The argument vector exec takes: pointers into `argv`, ended by a null pointer.
std::vector<char*> pointersTo(std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (auto& argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

ChildRun runChild(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                  const std::string& input) {
    Pipe in;
    Pipe out;
    Pipe err;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.ends[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out.ends[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err.ends[1], 2);
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto pointers = pointersTo(argv);
    pid_t pid = 0;
    int spawned = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        throw std::runtime_error("cannot start " + program.string());
    }
    in.closeEnd(0);
    out.closeEnd(1);
    err.closeEnd(1);
    // Small inputs fit the pipe; the child reads them when it wants to.
    if (!input.empty() && ::write(in.ends[1], input.data(), input.size()) < 0) {
        throw std::runtime_error("cannot feed the child");
    }
    in.closeEnd(1);

    ChildRun run;
    std::array<pollfd, 2> watched{pollfd{out.ends[0], POLLIN, 0}, pollfd{err.ends[0], POLLIN, 0}};
    std::array<std::string*, 2> sinks{&run.out, &run.err};
    for (int open = 2; open > 0;) {
        ::poll(watched.data(), watched.size(), -1);
        for (std::size_t index = 0; index < watched.size(); ++index) {
            if (watched.at(index).fd < 0 || watched.at(index).revents == 0) {
                continue;
            }
            std::array<char, 4096> buffer{};
            auto count = ::read(watched.at(index).fd, buffer.data(), buffer.size());
            if (count <= 0) {
                watched.at(index).fd = -1;
                --open;
            } else {
                sinks.at(index)->append(buffer.data(), static_cast<std::size_t>(count));
            }
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

ChildRun runInTerminal(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& keys, const std::string& prompt) {
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto pointers = pointersTo(argv);
    int terminal = -1;
    pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid < 0) {
        throw std::runtime_error("forkpty failed");
    }
    if (pid == 0) {
        ::execv(program.c_str(), pointers.data());
        ::_exit(127);
    }
    ChildRun run;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::size_t typed = 0;
    auto shown = [&] {
        std::size_t count = 0;
        for (auto at = run.out.find(prompt); at != std::string::npos; at = run.out.find(prompt, at + 1)) {
            ++count;
        }
        return count;
    };
    for (;;) {
        if (typed < keys.size() && shown() > typed) {
            (void)::write(terminal, keys[typed].data(), keys[typed].size());
            ++typed;
        }
        pollfd watched{terminal, POLLIN, 0};
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            break;
        }
        if (::poll(&watched, 1, 100) <= 0) {
            continue;
        }
        std::array<char, 4096> buffer{};
        auto count = ::read(terminal, buffer.data(), buffer.size());
        if (count <= 0) {
            break;  // the child closed the terminal: it ended
        }
        run.out.append(buffer.data(), static_cast<std::size_t>(count));
    }
    ::close(terminal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

}  // namespace ferrywise::testing
