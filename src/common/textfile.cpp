#include "common/textfile.h"

#include <cerrno>
#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/bytes.h"
#include "common/diskfile.h"
#include "common/filelookup.h"
#include "common/ioerror.h"

namespace pal {

std::string readFileBytes(const std::string& path) {
    const int fd = openForReading(path);
    struct stat st {};
    std::string data;
    if (::fstat(fd, &st) == 0 && st.st_size > 0) data.reserve(static_cast<std::size_t>(st.st_size));
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
    const int fd = openForReading(path);
    std::string head;
    char buf[1024];
    // Only the first line is wanted: a file without line ends is read no further
    // than the longest line it may start with.
    while (head.size() < kFirstLineBytes && head.find('\n') == std::string::npos) {
        const ssize_t n = ::read(fd, buf, std::min(sizeof buf, kFirstLineBytes - head.size()));
        if (n < 0) {
            if (errno == EINTR) continue;
            const IoError err = IoError::fromErrno(path);
            ::close(fd);
            throw err;
        }
        if (n == 0) break;
        head.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    std::string line = head.substr(0, head.find('\n'));
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

}  // namespace pal
