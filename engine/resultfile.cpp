#include "resultfile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "common/ioerror.h"
#include "common/textfile.h"

namespace kalvex {

ResultFile::~ResultFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool ResultFile::begin(const std::string& path, const std::vector<std::string>& head, std::vector<DeckMessage>& messages) {
    path_ = path;
    buffer_.clear();
    add(head);
    try {
        // A new file (a new inode where the directory allows it): a program that
        // follows the old one sees it replaced and reads again from the start.
        pal::replaceFile(path, buffer_);
    } catch (const pal::IoError& e) {
        messages.push_back({0, true, "cannot write " + path + ": " + e.what()});
        buffer_.clear();
        return false;
    }
    buffer_.clear();
    fd_ = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd_ < 0) {
        messages.push_back({0, true, "cannot write " + path + ": " + std::strerror(errno)});
        return false;
    }
    return true;
}

void ResultFile::add(std::string_view line) {
    buffer_.append(line);
    buffer_ += "\r\n";
}

void ResultFile::add(const std::vector<std::string>& lines) {
    for (const auto& l : lines) add(l);
}

void ResultFile::flush(std::vector<DeckMessage>& messages) {
    if (fd_ < 0) {
        buffer_.clear();
        return;
    }
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            messages.push_back({0, true, "cannot write " + path_ + ": " + std::strerror(n < 0 ? errno : ENOSPC) +
                                             "; the file ends before the run did"});
            ::close(fd_);
            fd_ = -1;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

void ResultFile::close(std::vector<DeckMessage>& messages) {
    flush(messages);
    if (fd_ >= 0 && ::close(fd_) != 0) messages.push_back({0, true, "cannot write " + path_ + ": " + std::strerror(errno)});
    fd_ = -1;
}

}  // namespace kalvex
