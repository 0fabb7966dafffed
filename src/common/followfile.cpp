#include "common/followfile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pal {

namespace {

// Reads up to n bytes at offset; fewer at the end of the file. -1 on failure.
ssize_t readAt(int fd, char* buffer, std::size_t n, std::uint64_t offset) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pread(fd, buffer + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        done += static_cast<std::size_t>(r);
    }
    return static_cast<ssize_t>(done);
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

FileStamp stampOf(const std::string& path) {
    FileStamp s;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return s;
    s.exists = true;
    s.dev = static_cast<std::uint64_t>(st.st_dev);
    s.ino = static_cast<std::uint64_t>(st.st_ino);
    s.size = static_cast<std::uint64_t>(st.st_size);
    return s;
}

Growth growthOf(const FileStamp& before, const FileStamp& now) {
    if (!now.exists) return Growth::Gone;
    if (!before.exists || now.dev != before.dev || now.ino != before.ino || now.size < before.size) return Growth::Replaced;
    return now.size > before.size ? Growth::Grown : Growth::Same;
}

FollowedFile::FollowedFile(std::string path) : path_(std::move(path)) {}

void FollowedFile::restart() {
    known_ = false;
    consumed_ = 0;
    witness_.clear();
    unterminatedTaken_ = false;
}

FollowedFile::Change FollowedFile::poll(const Sink& sink, bool final, const std::function<void()>& restarted) {
    // Non-blocking: a pipe or a device named like the file must not hang the look.
    const Descriptor fd(::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        error_ = std::strerror(errno);
        return Change::Missing;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        error_ = std::strerror(errno);
        return Change::Missing;
    }
    if (!S_ISREG(st.st_mode)) {
        error_ = "not a regular file";
        return Change::Missing;
    }
    error_.clear();
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    const bool sameFile = known_ && dev_ == static_cast<std::uint64_t>(st.st_dev) && ino_ == static_cast<std::uint64_t>(st.st_ino);
    bool again = known_ && (!sameFile || size < consumed_);
    // A line taken without its end at a final look that has grown since was not
    // complete after all.
    if (!again && unterminatedTaken_ && size > consumed_) again = true;
    // The same file rewritten in place: the bytes just before the read position
    // are no longer those handed over.
    if (!again && !witness_.empty()) {
        std::string now(witness_.size(), '\0');
        const ssize_t n = readAt(fd.get(), now.data(), now.size(), consumed_ - witness_.size());
        again = n != static_cast<ssize_t>(now.size()) || now != witness_;
    }
    Change change = Change::None;
    if (again) {
        restart();
        change = Change::Restarted;
        if (restarted) restarted();
    }
    known_ = true;
    dev_ = static_cast<std::uint64_t>(st.st_dev);
    ino_ = static_cast<std::uint64_t>(st.st_ino);
    size_ = size;
    if (size <= consumed_) return change;

    // Only what is there now is read: bytes appended meanwhile wait for the next look.
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0, held = 0;  // held: bytes of a line not yet ended, at the buffer's start
    std::uint64_t position = consumed_;
    while (position < size) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(chunkBytes, size - position));
        if (held + want > capacity) {
            capacity = held + want;
            std::unique_ptr<char[]> bigger(new char[capacity]);
            if (held) std::memcpy(bigger.get(), buffer.get(), held);
            buffer = std::move(bigger);
        }
        const ssize_t n = readAt(fd.get(), buffer.get() + held, want, position);
        if (n < 0) {
            error_ = std::strerror(errno);
            break;
        }
        if (n == 0) break;  // shortened meanwhile: the next look starts again
        position += static_cast<std::uint64_t>(n);
        const std::size_t filled = held + static_cast<std::size_t>(n);
        const char* const begin = buffer.get();
        const char* last = static_cast<const char*>(::memrchr(begin, '\n', filled));
        const bool atEnd = position >= size;
        std::size_t take = last ? static_cast<std::size_t>(last - begin) + 1 : 0;
        if (atEnd && final) take = filled;
        if (take > 0) {
            sink(std::string_view(begin, take));
            if (take >= kWitnessBytes) {
                witness_.assign(begin + take - kWitnessBytes, kWitnessBytes);
            } else {
                witness_.append(begin, take);
                if (witness_.size() > kWitnessBytes) witness_.erase(0, witness_.size() - kWitnessBytes);
            }
            consumed_ += take;
            unterminatedTaken_ = begin[take - 1] != '\n';
            if (change == Change::None) change = Change::Appended;
        }
        held = filled - take;
        if (held) std::memmove(buffer.get(), begin + take, held);
    }
    return change;
}

}  // namespace pal
