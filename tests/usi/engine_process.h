#pragma once

// A USI engine run as a child process, as a GUI runs it: lines in and out through pipes, with a
// timeout on every wait so that a hung engine fails the test instead of hanging it. Standard
// error goes to an unlinked temporary file.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace kaz::testing {

class EngineProcess {
  public:
    explicit EngineProcess(const std::string& path, const std::vector<std::string>& args = {}) {
        ::signal(SIGPIPE, SIG_IGN);
        char errName[] = "/tmp/kaz_engine_err_XXXXXX";
        int in[2], out[2];
        err_ = ::mkostemp(errName, O_CLOEXEC);
        if (err_ < 0 || ::unlink(errName) != 0 || ::pipe2(in, O_CLOEXEC) != 0 ||
            ::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err_, 2);
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        in_ = in[1];
        out_ = out[0];
    }

    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    ~EngineProcess() {
        closeInput();
        if (pid_ > 0 && !exited_ && !waitExit(5000)) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        for (int fd : {out_, err_})
            if (fd >= 0) ::close(fd);
    }

    bool started() const { return pid_ > 0; }

    void send(const std::string& line) {
        const std::string bytes = line + "\n";
        for (std::size_t done = 0; in_ >= 0 && done < bytes.size();) {
            const ssize_t n = ::write(in_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) return;
            done += static_cast<std::size_t>(n);
        }
    }

    void closeInput() {
        if (in_ >= 0) ::close(in_);
        in_ = -1;
    }

    // The next line on standard output, or nothing if none came within the time.
    std::optional<std::string> readLine(int timeoutMs) { return readLineBy(after(timeoutMs)); }

    // Lines up to and including the first that starts with `prefix`; empty if it never came.
    std::vector<std::string> readUntil(const std::string& prefix, int timeoutMs) {
        std::vector<std::string> lines;
        const Clock::time_point deadline = after(timeoutMs);
        while (std::optional<std::string> line = readLineBy(deadline)) {
            lines.push_back(*line);
            if (line->starts_with(prefix)) return lines;
        }
        return {};
    }

    // Everything standard error has shown so far.
    std::string errorText() const {
        std::string text;
        char buf[65536];
        for (ssize_t n; (n = ::pread(err_, buf, sizeof buf, text.size())) > 0;) text.append(buf, n);
        return text;
    }
    // Waits until standard error has shown `needle`.
    bool waitForError(const std::string& needle, int timeoutMs) {
        for (const auto deadline = after(timeoutMs); Clock::now() < deadline;) {
            if (errorText().find(needle) != std::string::npos) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    // The exit status (128 + signal when killed), or nothing if still running after the time.
    std::optional<int> waitExit(int timeoutMs) {
        const Clock::time_point deadline = after(timeoutMs);
        for (;;) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (Clock::now() >= deadline) return std::nullopt;
            if (!fill(after(10))) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    // CPU time of all the process's threads, in clock ticks (fields 14 and 15 of its stat).
    long cpuTicks() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        const std::string text{std::istreambuf_iterator<char>(stat), {}};
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string skip;
        long utime = 0, stime = 0;
        for (int i = 3; i < 14; ++i) fields >> skip;
        fields >> utime >> stime;
        return utime + stime;
    }

  private:
    using Clock = std::chrono::steady_clock;
    static Clock::time_point after(int ms) { return Clock::now() + std::chrono::milliseconds(ms); }

    std::optional<std::string> readLineBy(Clock::time_point deadline) {
        std::size_t eol;
        while ((eol = outText_.find('\n')) == std::string::npos)
            if (!fill(deadline)) return std::nullopt;
        std::string line = outText_.substr(0, eol);
        outText_.erase(0, eol + 1);
        return line;
    }

    // Adds what the output pipe brings by the deadline to outText_; false if nothing came.
    bool fill(Clock::time_point deadline) {
        pollfd p{out_, POLLIN, 0};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (out_ < 0 || ::poll(&p, 1, std::max<int>(0, left.count())) <= 0) return false;
        char buf[65536];
        const ssize_t n = ::read(out_, buf, sizeof buf);
        if (n <= 0) {
            ::close(out_);
            out_ = -1;
            return false;
        }
        outText_.append(buf, static_cast<std::size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1;
    bool exited_ = false;
    std::string outText_;
};

}  // namespace kaz::testing
