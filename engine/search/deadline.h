#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace kaz {

// Raises a stop flag when a think's time is up. The watch runs on a thread of its own, so the
// search pays nothing for it beyond the stop test it already makes at every node. The clock of a
// held think (a ponder) starts at startClock(), which may even come before arm().
class Deadline {
  public:
    using Clock = std::chrono::steady_clock;

    Deadline() = default;
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;
    ~Deadline() { disarm(); }

    // Starts watching: `stop` is set budgetMs after the clock starts, which is now unless held.
    void arm(std::atomic<bool>& stop, std::int64_t budgetMs, bool held);
    // Starts a held clock; no effect on a running one.
    void startClock();
    // Ends the watch and forgets the clock; `stop` is left as it is.
    void disarm();
    // Whether the watch raised the flag (the time ran out) since arm().
    bool expired() const { return expired_.load(std::memory_order_acquire); }

  private:
    void watch();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread thread_;
    std::atomic<bool>* stop_ = nullptr;
    std::chrono::milliseconds budget_{0};
    bool started_ = false;
    Clock::time_point startedAt_{};
    bool ended_ = false;
    std::atomic<bool> expired_{false};
};

}  // namespace kaz
