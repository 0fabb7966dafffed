#include "common/textfile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/bytes.h"
#include "common/ioerror.h"

namespace pal {

std::string readFileBytes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw IoError::fromErrno(path);
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        throw IoError::fromErrno(path);
    }
    std::string data;
    if (st.st_size > 0) data.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            const IoError err = IoError::fromErrno(path);
            ::close(fd);
            throw err;
        }
        if (n == 0) break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

std::vector<std::string> readLines(const std::string& path, std::size_t maxLen) {
    const std::string data = readFileBytes(path);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < data.size()) {
        std::size_t nl = data.find('\n', start);
        const bool last = nl == std::string::npos;
        std::size_t end = last ? data.size() : nl;
        std::size_t lineEnd = end;
        if (lineEnd > start && data[lineEnd - 1] == '\r') --lineEnd;
        lines.emplace_back(data, start, std::min(lineEnd - start, maxLen));
        if (last) break;
        start = nl + 1;
    }
    return lines;
}

std::string readFirstLine(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw IoError::fromErrno(path);
    std::string line;
    int c;
    while ((c = std::fgetc(f)) != EOF && c != '\n')
        if (line.size() < kMaxLine + 1) line.push_back(static_cast<char>(c));
    const bool failed = std::ferror(f);
    std::fclose(f);
    if (failed) throw IoError(EIO, path, "I/O error");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return cut(line);
}

void writeLinesCRLF(const std::string& path, const std::vector<std::string>& lines, std::size_t maxLen) {
    std::string out;
    std::size_t total = 0;
    for (const auto& l : lines) total += std::min(l.size(), maxLen) + 2;
    out.reserve(total);
    for (const auto& l : lines) {
        out.append(l, 0, std::min(l.size(), maxLen));
        out += "\r\n";
    }
    replaceFile(path, out);
}

void replaceFile(const std::string& path, std::string_view content) {
    std::string dir = directoryPart(path);
    if (dir.empty()) dir = ".";
    std::string tmpl = dir + "/.palumaro-XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) throw IoError::fromErrno(path);
    auto fail = [&](int e) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        errno = e;
        throw IoError::fromErrno(path);
    };
    // Keep an existing file's permissions; a new file gets the usual 0666 less umask.
    struct stat st {};
    mode_t mode;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0) fail(errno);
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0) fail(errno);
    if (::close(fd) != 0) {
        const int e = errno;
        ::unlink(tmpl.c_str());
        errno = e;
        throw IoError::fromErrno(path);
    }
    if (::rename(tmpl.c_str(), path.c_str()) != 0) {
        const int e = errno;
        ::unlink(tmpl.c_str());
        errno = e;
        throw IoError::fromErrno(path);
    }
}

}  // namespace pal
