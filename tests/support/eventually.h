#pragma once

#include <chrono>
#include <thread>

namespace kaz::test {

// Polls until cond holds or `limit` has passed (generous for sanitizer builds); returns whether it
// holds. Conditions test the atomic flags first: a worker sets them after its other writes, so
// later reads see those writes.
template <typename Cond>
bool eventually(Cond cond, std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace kaz::test
