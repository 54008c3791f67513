#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kaz {

// A file-dialog filter: the text shown to the user and the name pattern it selects.
struct FileFilter {
    std::string_view label;
    std::string_view pattern;
};

// Game records: KIF, or CSA when the name ends in ".csa".
constexpr FileFilter RECORD_FILE_FILTER{"KIF/CSA files {*.kif *.csa}", "*.kif *.csa"};

// The two buttons whose captions the game changes.
enum class GameButton { Start, Pause };

// What the game needs from a window system. Texts are UTF-8. `repaint` may be called from any
// thread and must only schedule a paint of the window thread (it must not block on the window
// thread); every other call comes from the thread that runs the game operations (the window
// thread) and may block until the user answers.
class WindowPort {
  public:
    virtual ~WindowPort() = default;

    // Redraws board, hands and status line from the game state.
    virtual void repaint() = 0;
    // A modal message box with an OK button.
    virtual void showMessage(std::string_view text, std::string_view caption) = 0;
    // A modal Yes/No question with the question icon; true for Yes.
    virtual bool askYesNo(std::string_view text, std::string_view caption) = 0;
    // The open-file dialog (the file must exist); nullopt when cancelled.
    virtual std::optional<std::string> chooseOpenFile(const FileFilter& filter) = 0;
    // The save-file dialog with the overwrite prompt; the name is used as typed, no extension is
    // added; nullopt when cancelled.
    virtual std::optional<std::string> chooseSaveFile(const FileFilter& filter) = 0;
    virtual void setButtonCaption(GameButton button, std::string_view caption) = 0;
    // The system clipboard's text, and replacing it.
    virtual std::string clipboardText() = 0;
    virtual void setClipboardText(std::string_view text) = 0;
};

// A port that shows nothing and answers No and Cancel; the default until a window attaches.
class NullWindowPort final : public WindowPort {
  public:
    void repaint() override {}
    void showMessage(std::string_view, std::string_view) override {}
    bool askYesNo(std::string_view, std::string_view) override { return false; }
    std::optional<std::string> chooseOpenFile(const FileFilter&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const FileFilter&) override { return std::nullopt; }
    void setButtonCaption(GameButton, std::string_view) override {}
    std::string clipboardText() override { return {}; }
    void setClipboardText(std::string_view) override {}
};

}  // namespace kaz
