#include "engine/search/deadline.h"

namespace kaz {

void Deadline::arm(std::atomic<bool>& stop, std::int64_t budgetMs, bool held) {
    if (thread_.joinable()) disarm();
    std::lock_guard lock(mutex_);
    stop_ = &stop;
    budget_ = std::chrono::milliseconds(budgetMs < 0 ? 0 : budgetMs);
    if (!held && !started_) {
        started_ = true;
        startedAt_ = Clock::now();
    }
    ended_ = false;
    expired_.store(false, std::memory_order_relaxed);
    thread_ = std::thread([this] { watch(); });
}

void Deadline::startClock() {
    {
        std::lock_guard lock(mutex_);
        if (started_) return;
        started_ = true;
        startedAt_ = Clock::now();
    }
    changed_.notify_all();
}

void Deadline::disarm() {
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    started_ = false;
}

void Deadline::watch() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (ended_) return;
        if (!started_) {
            changed_.wait(lock);
            continue;
        }
        const Clock::time_point at = startedAt_ + budget_;
        if (Clock::now() >= at) break;
        changed_.wait_until(lock, at);
    }
    expired_.store(true, std::memory_order_release);
    stop_->store(true);
}

}  // namespace kaz
