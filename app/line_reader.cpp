#include "app/line_reader.h"

#include <unistd.h>

#include <cerrno>

namespace kaz {

bool LineReader::fill() {
    if (ended_) return false;
    if (start_ > 0) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n > 0) {
            buffer_.append(chunk, static_cast<std::size_t>(n));
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        ended_ = true;
        return false;
    }
}

LineReader::Status LineReader::next(std::string& line) {
    for (;;) {
        const std::size_t eol = buffer_.find('\n', start_);
        if (eol != std::string::npos) {
            const std::size_t length = eol - start_;
            const bool tooLong = skipping_ || length > maxLength_;
            if (!tooLong) line.assign(buffer_, start_, length);
            start_ = eol + 1;
            skipping_ = false;
            if (tooLong) return Status::TooLong;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return Status::Line;
        }
        // No line end yet: a line already over the limit is dropped as it comes.
        if (buffer_.size() - start_ > maxLength_) {
            skipping_ = true;
            buffer_.clear();
            start_ = 0;
        }
        if (!fill()) {
            if (skipping_) {
                skipping_ = false;
                buffer_.clear();
                start_ = 0;
                return Status::TooLong;
            }
            if (start_ < buffer_.size()) {  // a last line without its line end
                line.assign(buffer_, start_, std::string::npos);
                buffer_.clear();
                start_ = 0;
                if (!line.empty() && line.back() == '\r') line.pop_back();
                return Status::Line;
            }
            return Status::End;
        }
    }
}

}  // namespace kaz
