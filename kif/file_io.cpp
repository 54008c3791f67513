#include "kif/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace kaz {

namespace {

// Closes a descriptor when the scope ends.
struct FileDescriptor {
    int fd;
    ~FileDescriptor() {
        if (fd >= 0) close(fd);
    }
};

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

ReadFileError readWholeFile(const std::string& path, std::size_t maxBytes, std::string& out) {
    FileDescriptor file{open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    if (file.fd < 0) return ReadFileError::CannotOpen;
    struct stat info;
    // Only regular files: a FIFO or device could block or never end.
    if (fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return ReadFileError::CannotOpen;
    if (static_cast<std::size_t>(info.st_size) > maxBytes) return ReadFileError::TooLarge;
    out.clear();
    char buffer[65536];
    while (true) {
        const ssize_t n = read(file.fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return ReadFileError::CannotOpen;
        }
        if (n == 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
        if (out.size() > maxBytes) return ReadFileError::TooLarge;  // the file grew meanwhile
    }
    return ReadFileError::None;
}

SaveFileError replaceFile(const std::string& path, std::string_view bytes) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return SaveFileError::CannotCreate;

    struct stat existing;
    const bool exists = stat(path.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) return SaveFileError::CannotCreate;

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder + "." + name + "." + std::to_string(getpid()) + "." +
               std::to_string(counter.fetch_add(1)) + ".tmp";
        // 0666 lets the umask decide, as for any newly created file.
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return SaveFileError::CannotCreate;
    }
    if (fd < 0) return SaveFileError::CannotCreate;

    bool ok = writeAll(fd, bytes);
    if (ok && exists) ok = fchmod(fd, existing.st_mode & 07777) == 0;
    if (ok) ok = fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return SaveFileError::WriteFailed;
    }
    // Make the rename itself durable; a failure here no longer endangers either file.
    const std::string dir = folder.empty() ? "." : folder;
    FileDescriptor folderFd{open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (folderFd.fd >= 0) fsync(folderFd.fd);
    return SaveFileError::None;
}

}  // namespace kaz
