#pragma once

#include <mutex>
#include <string>
#include <string_view>

namespace kaz {

// The status line under the board (UTF-8). Written by the window and turn threads, read by the
// painter, so every access takes its own small lock.
class StatusLine {
  public:
    void set(std::string_view text) {
        std::lock_guard lock(mutex_);
        text_.assign(text);
    }
    std::string get() const {
        std::lock_guard lock(mutex_);
        return text_;
    }

  private:
    mutable std::mutex mutex_;
    std::string text_;
};

}  // namespace kaz
