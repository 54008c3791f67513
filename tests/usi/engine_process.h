#pragma once

// A USI engine run as a child process, as a GUI runs it: lines in and out through pipes, with a
// timeout on every wait so that a hung engine fails the test instead of hanging it. Standard
// error goes to a temporary file. Below it, the checks the protocol tests share.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "engine/position/rules.h"
#include "engine/position/sfen.h"
#include "engine/position/usi_notation.h"

extern char** environ;

namespace kaz::testing {

// Long enough for a sanitizer build on a busy machine, short against a hang.
constexpr int PROMPT_MS = 5000;

class EngineProcess {
  public:
    explicit EngineProcess(std::string path, std::vector<std::string> args = {}) {
        ::signal(SIGPIPE, SIG_IGN);
        int in[2], out[2];
        if (err_ == nullptr || ::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, ::fileno(err_), 2);
        std::vector<char*> argv{path.data()};
        for (std::string& a : args) argv.push_back(a.data());
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

    ~EngineProcess() {
        closeInput();
        if (pid_ > 0 && !exited_ && !waitExit(5000)) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
        if (err_ != nullptr) std::fclose(err_);
    }

    void send(const std::string& line) {
        const std::string bytes = line + "\n";
        for (ssize_t done = 0, n = 0; in_ >= 0 && done < ssize_t(bytes.size()); done += n)
            if ((n = ::write(in_, bytes.data() + done, bytes.size() - done)) <= 0) return;
    }

    void closeInput() {
        if (in_ >= 0) ::close(in_);
        in_ = -1;
    }

    // The next line on standard output, or nothing if none came within the time.
    std::optional<std::string> readLine(int timeoutMs) {
        const long long deadline = nowMs() + timeoutMs;
        std::size_t eol;
        while ((eol = outText_.find('\n')) == std::string::npos) {
            pollfd p{out_, POLLIN, 0};
            char buf[65536];
            const ssize_t n = ::poll(&p, 1, std::max(0LL, deadline - nowMs())) > 0
                                  ? ::read(out_, buf, sizeof buf)
                                  : -1;
            if (n == 0) ::close(std::exchange(out_, -1));  // poll now just waits out the time
            if (n <= 0) return std::nullopt;
            outText_.append(buf, n);
        }
        std::string line = outText_.substr(0, eol);
        outText_.erase(0, eol + 1);
        return line;
    }

    // Lines up to and including the first that starts with `prefix`; empty if it never came.
    std::vector<std::string> readUntil(const std::string& prefix, int timeoutMs) {
        std::vector<std::string> lines;
        for (const long long end = nowMs() + timeoutMs; auto line = readLine(end - nowMs());) {
            lines.push_back(*line);
            if (line->starts_with(prefix)) return lines;
        }
        return {};
    }

    // Everything standard error has shown so far.
    std::string errorText() const {
        std::ifstream in("/proc/self/fd/" + std::to_string(::fileno(err_)));
        return {std::istreambuf_iterator<char>(in), {}};
    }

    // The exit status (128 + signal when killed), or nothing if still running after the time.
    // Output that comes meanwhile is dropped, so that a full pipe cannot hold the process up.
    std::optional<int> waitExit(int timeoutMs) {
        for (const long long deadline = nowMs() + timeoutMs; nowMs() < deadline; readLine(10)) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) != pid_) continue;
            exited_ = true;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        return std::nullopt;
    }

    // CPU time of all the process's threads, in clock ticks (fields 14 and 15 of its stat).
    long cpuTicks() const {
        std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
        stat.ignore(4096, ')');
        std::string skip;
        long utime = 0, stime = 0;
        for (int i = 3; i < 14; ++i) stat >> skip;
        stat >> utime >> stime;
        return utime + stime;
    }

  private:
    static long long nowMs() {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }

    pid_t pid_ = -1;
    int in_ = -1, out_ = -1;
    std::FILE* err_ = std::tmpfile();
    bool exited_ = false;
    std::string outText_;
};

// Closes the engine's input, as a GUI that goes away does, and expects status 0 and no sanitizer
// report.
inline void expectCleanExit(EngineProcess& e) {
    e.closeInput();
    EXPECT_EQ(e.waitExit(PROMPT_MS), 0) << e.errorText();
    for (const char* report : {"Sanitizer", "runtime error"})
        EXPECT_EQ(e.errorText().find(report), std::string::npos) << e.errorText();
}

// Sends isready and expects readyok as the very next line: nothing else was said before it.
inline void expectQuiet(EngineProcess& e) {
    e.send("isready");
    EXPECT_EQ(e.readLine(PROMPT_MS).value_or("(nothing)"), "readyok");
}

// The lines of one think after `go ...`, the bestmove last.
inline std::vector<std::string> think(EngineProcess& e, const std::string& go = "go",
                                      int timeoutMs = PROMPT_MS) {
    e.send(go);
    std::vector<std::string> lines = e.readUntil("bestmove", timeoutMs);
    EXPECT_FALSE(lines.empty()) << "no bestmove after " << go;
    return lines;
}

inline std::string bestmoveOf(const std::vector<std::string>& lines) {
    return lines.empty() ? "" : lines.back().substr(std::string("bestmove ").size());
}

// The number after `key` in an "info ..." line ("score cp" for a value in centipawns).
inline std::optional<long long> infoNumber(const std::string& line, const std::string& key) {
    std::smatch m;
    if (!std::regex_search(line, m, std::regex(" " + key + " (-?[0-9]+)"))) return std::nullopt;
    return std::stoll(m[1]);
}

inline bool legalIn(const std::string& sfen, const std::string& usi) {
    SfenPosition s{};
    EngineMove m{};
    return parseSfen(sfen, s).empty() && parseUsiMove(usi, s.pos, s.sideToMove, m).empty() &&
           isLegal(s.pos, s.sideToMove, m);
}

}  // namespace kaz::testing
