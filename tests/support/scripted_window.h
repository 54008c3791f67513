#pragma once

#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "game/window_port.h"

namespace kaz::test {

// A window whose answers are queued in advance and which records everything it is asked to
// show. repaint() may come from the worker threads, so every record is guarded.
class ScriptedWindow : public WindowPort {
  public:
    struct Message {
        std::string text, caption;
        bool operator==(const Message&) const = default;
        friend std::ostream& operator<<(std::ostream& os, const Message& m) {
            return os << '"' << m.text << "\" / \"" << m.caption << '"';
        }
    };

    // Answers, consumed in order; an empty queue answers No / Cancel.
    void queueYesNo(bool yes) {
        std::lock_guard g(mutex_);
        answers_.push_back(yes);
    }
    void queueFile(std::optional<std::string> path) {
        std::lock_guard g(mutex_);
        files_.push_back(std::move(path));
    }

    void repaint() override {
        std::lock_guard g(mutex_);
        ++repaints_;
    }
    void showMessage(std::string_view text, std::string_view caption) override {
        std::lock_guard g(mutex_);
        messages_.push_back({std::string(text), std::string(caption)});
    }
    // Runs inside every question, as events arriving in a modal dialog's loop would.
    std::function<void()> duringQuestion;

    bool askYesNo(std::string_view text, std::string_view caption) override {
        if (duringQuestion) duringQuestion();
        std::lock_guard g(mutex_);
        questions_.push_back({std::string(text), std::string(caption)});
        if (answers_.empty()) return false;
        const bool yes = answers_.front();
        answers_.pop_front();
        return yes;
    }
    std::optional<std::string> chooseOpenFile(const FileFilter& filter) override {
        return nextFile(filter);
    }
    std::optional<std::string> chooseSaveFile(const FileFilter& filter) override {
        return nextFile(filter);
    }
    void setButtonCaption(GameButton button, std::string_view caption) override {
        std::lock_guard g(mutex_);
        if (button == GameButton::Pause) pauseCaption_ = caption;
    }
    std::string clipboardText() override { return read(clipboard_); }
    void setClipboardText(std::string_view text) override {
        std::lock_guard g(mutex_);
        clipboard_ = text;
    }

    int repaints() const { return read(repaints_); }
    std::vector<Message> questions() const { return read(questions_); }
    std::string pauseCaption() const { return read(pauseCaption_); }
    std::string lastFilter() const { return read(lastFilter_); }
    // The messages shown so far, forgotten once returned.
    std::vector<Message> takeMessages() {
        std::lock_guard g(mutex_);
        return std::exchange(messages_, {});
    }

  private:
    template <typename T>
    T read(const T& field) const {
        std::lock_guard g(mutex_);
        return field;
    }

    std::optional<std::string> nextFile(const FileFilter& filter) {
        std::lock_guard g(mutex_);
        lastFilter_ = std::string(filter.label) + "|" + std::string(filter.pattern);
        if (files_.empty()) return std::nullopt;
        std::optional<std::string> path = files_.front();
        files_.pop_front();
        return path;
    }

    mutable std::mutex mutex_;
    std::deque<bool> answers_;
    std::deque<std::optional<std::string>> files_;
    int repaints_ = 0;
    std::vector<Message> messages_, questions_;
    std::string pauseCaption_, lastFilter_, clipboard_;
};

}  // namespace kaz::test
