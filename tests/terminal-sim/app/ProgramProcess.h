#pragma once
// Runs a program as a child process with its stdout and stderr on pipes; every wait has a
// deadline. A child still running at destruction is killed.

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kolmaris::testing {

class ProgramProcess {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    static Deadline In(std::chrono::milliseconds ms) { return std::chrono::steady_clock::now() + ms; }

    ProgramProcess(const std::string& program, std::vector<std::string> args)
    {
        int out[2];
        int err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        args.insert(args.begin(), program);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }

    ~ProgramProcess()
    {
        if (pid_ > 0 && !status_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0)
            close(out_);
        if (err_ >= 0)
            close(err_);
    }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Started() const { return pid_ > 0; }

    // The next line of stdout, without its newline; nullopt at the deadline or at the end.
    std::optional<std::string> ReadLine(Deadline deadline)
    {
        for (;;) {
            if (const auto newline = stdout_.find('\n'); newline != std::string::npos) {
                std::string line = stdout_.substr(0, newline);
                stdout_.erase(0, newline + 1);
                return line;
            }
            if (!ReadSome(out_, stdout_, deadline))
                return std::nullopt;
        }
    }

    // Reads both pipes to their end, then reaps the child: its exit code, or nullopt when
    // it did not end by the deadline or ended by a signal.
    std::optional<int> WaitExit(Deadline deadline)
    {
        while (ReadSome(out_, stdout_, deadline)) {
        }
        while (ReadSome(err_, stderr_, deadline)) {
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        int status = 0;
        if (waitpid(pid_, &status, 0) != pid_)
            return std::nullopt;
        status_ = status;
        return WIFEXITED(status) ? std::optional(WEXITSTATUS(status)) : std::nullopt;
    }

    // What is left of stdout, and stderr; complete after WaitExit.
    const std::string& Stdout() const { return stdout_; }
    const std::string& Stderr() const { return stderr_; }

private:
    // Appends what the pipe holds; false at its end or at the deadline.
    static bool ReadSome(int fd, std::string& into, Deadline deadline)
    {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, int(left.count())) != 1)
            return false;
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        into.append(buffer, std::size_t(n));
        return true;
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string stdout_;
    std::string stderr_;
    std::optional<int> status_;
};

}  // namespace kolmaris::testing
