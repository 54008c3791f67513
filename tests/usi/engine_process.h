#pragma once

// A USI engine run as a child process behind pipes, as a GUI runs it: lines in, lines out, with a
// timeout on every wait so that a hung engine fails the test instead of hanging it.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
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
        int in[2], out[2], err[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            posix_spawn_file_actions_addclose(&actions, fd);
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        ::close(err[1]);
        in_ = in[1];
        out_ = out[0];
        err_ = err[0];
        ::fcntl(in_, F_SETFD, FD_CLOEXEC);
        ::fcntl(out_, F_SETFD, FD_CLOEXEC);
        ::fcntl(err_, F_SETFD, FD_CLOEXEC);
    }

    EngineProcess(const EngineProcess&) = delete;
    EngineProcess& operator=(const EngineProcess&) = delete;

    ~EngineProcess() {
        closeInput();
        if (pid_ > 0 && !exited_) {
            if (!waitExit(5000)) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
            }
        }
        if (out_ >= 0) ::close(out_);
        if (err_ >= 0) ::close(err_);
    }

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    void sendRaw(const std::string& bytes) {
        std::size_t done = 0;
        while (in_ >= 0 && done < bytes.size()) {
            const ssize_t n = ::write(in_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) return;
            done += static_cast<std::size_t>(n);
        }
    }
    void send(const std::string& line) { sendRaw(line + "\n"); }

    void closeInput() {
        if (in_ >= 0) ::close(in_);
        in_ = -1;
    }

    // The next line on standard output, or nothing if none came within the time.
    std::optional<std::string> readLine(int timeoutMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const std::size_t eol = outText_.find('\n');
            if (eol != std::string::npos) {
                std::string line = outText_.substr(0, eol);
                outText_.erase(0, eol + 1);
                return line;
            }
            if (!pump(deadline)) return std::nullopt;
        }
    }

    // Lines up to and including the first that starts with `prefix`; empty if it never came.
    std::vector<std::string> readUntil(const std::string& prefix, int timeoutMs) {
        std::vector<std::string> lines;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count());
            std::optional<std::string> line = readLine(left > 0 ? left : 0);
            if (!line) return {};
            lines.push_back(*line);
            if (line->rfind(prefix, 0) == 0) return lines;
        }
    }

    // Waits until standard error has shown `needle` (counting what came before).
    bool waitForError(const std::string& needle, int timeoutMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (errText_.find(needle) == std::string::npos)
            if (!pump(deadline)) return false;
        return true;
    }
    // Everything standard error has shown so far.
    const std::string& errorText() {
        pump(Clock::now());
        return errText_;
    }

    std::optional<int> waitExit(int timeoutMs) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            int status = 0;
            const pid_t r = ::waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (Clock::now() >= deadline) return std::nullopt;
            pump(Clock::now() + std::chrono::milliseconds(10));  // keep the pipes drained
        }
    }

    // CPU time the process has used, in clock ticks, from /proc.
    long cpuTicks() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string f;
        long utime = 0, stime = 0;
        for (int i = 3; i <= 15 && fields >> f; ++i) {
            if (i == 14) utime = std::stol(f);
            if (i == 15) stime = std::stol(f);
        }
        return utime + stime;
    }

  private:
    using Clock = std::chrono::steady_clock;

    // Reads whatever either pipe has until the deadline; false if nothing arrived.
    bool pump(Clock::time_point deadline) {
        for (;;) {
            pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            const int r = ::poll(fds, 2, left.count() > 0 ? static_cast<int>(left.count()) : 0);
            if (r <= 0) return false;
            bool got = false;
            got |= drain(fds[0], out_, outText_);
            got |= drain(fds[1], err_, errText_);
            if (got) return true;
            if (out_ < 0 && err_ < 0) return false;
            if (Clock::now() >= deadline) return false;
        }
    }

    static bool drain(const pollfd& p, int& fd, std::string& into) {
        if (fd < 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) return false;
        char buf[65536];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) {
            ::close(fd);
            fd = -1;
            return false;
        }
        into.append(buf, static_cast<std::size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1;
    bool exited_ = false;
    std::string outText_, errText_;
};

}  // namespace kaz::testing
