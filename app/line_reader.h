#pragma once

#include <cstddef>
#include <string>

namespace kaz {

// Splits what arrives on a descriptor into lines, keeping at most maxLength bytes of any one line
// in memory: a longer line is reported and skipped to its end, whatever its size. Line ends may be
// LF or CR LF.
class LineReader {
  public:
    enum class Status { Line, TooLong, End };

    LineReader(int fd, std::size_t maxLength) : fd_(fd), maxLength_(maxLength) {}

    // Blocks until a whole line (or the end of input) is there.
    Status next(std::string& line);

  private:
    bool fill();  // reads more bytes; false at the end of input or on an error

    int fd_;
    std::size_t maxLength_;
    std::string buffer_;
    std::size_t start_ = 0;  // first unread byte of buffer_
    bool skipping_ = false;  // inside a line already found too long
    bool ended_ = false;
};

}  // namespace kaz
