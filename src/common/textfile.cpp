#include "common/textfile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/bytes.h"
#include "common/filelookup.h"
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

namespace {

// Writes all of data at offset 0 of fd; false with errno set on failure.
bool writeAll(int fd, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::pwrite(fd, data.data() + done, data.size() - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

[[noreturn]] void throwErrno(int e, const std::string& path) {
    errno = e;
    throw IoError::fromErrno(path);
}

// The file a save really writes: a symbolic link is followed to its final
// target (which may not exist yet), so the link itself stays a link.
std::string finalTarget(const std::string& path) {
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
        std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096), '\0');
        const ssize_t n = ::readlink(p.c_str(), link.data(), link.size());
        if (n < 0) return p;
        link.resize(static_cast<std::size_t>(n));
        p = link.front() == '/' ? link : joinPath(directoryPart(p), link);
    }
    throwErrno(ELOOP, path);
}

// Rewrites an existing file in place, for the files a rename would damage (several
// hard links) or cannot replace (a directory that refuses new entries, a sticky
// directory). The old content is kept in memory so that a failed write (a full
// disk) puts it back.
void writeInPlace(const std::string& target, std::string_view content, const std::string& shownPath) {
    int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC);
    std::string old;
    bool haveOld = false;
    if (fd >= 0) {
        try {
            old = readFileBytes(target);
            haveOld = true;
        } catch (const IoError&) {
        }
    } else if (errno == EACCES) {
        fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);  // a write-only file: no copy to fall back on
    }
    if (fd < 0) throwErrno(errno, shownPath);
    if (!writeAll(fd, content) || ::ftruncate(fd, static_cast<off_t>(content.size())) != 0 || ::fsync(fd) != 0) {
        const int e = errno;
        if (haveOld && writeAll(fd, old)) {
            if (::ftruncate(fd, static_cast<off_t>(old.size())) == 0) ::fsync(fd);
        }
        ::close(fd);
        throwErrno(e, shownPath);
    }
    if (::close(fd) != 0) throwErrno(errno, shownPath);
}

}  // namespace

void replaceFile(const std::string& path, std::string_view content) {
    const std::string target = finalTarget(path);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode)) throwErrno(EISDIR, path);
        // A file the user may not write is refused, never replaced by a rename.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) throwErrno(errno, path);
        if (st.st_nlink > 1) return writeInPlace(target, content, path);
    }
    std::string dir = directoryPart(target);
    if (dir.empty()) dir = ".";
    std::string tmpl = dir + "/.palumaro-XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        // A write-protected directory: the file itself may still be written.
        if (exists && (errno == EACCES || errno == EPERM)) return writeInPlace(target, content, path);
        throwErrno(errno, path);
    }
    auto fail = [&](int e) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        throwErrno(e, path);
    };
    // Keep an existing file's mode, owner and group; a new file gets the usual
    // 0666 less umask. When the owner cannot be kept (another user's file in a
    // shared directory), the file is written in place instead.
    mode_t mode;
    if (exists) {
        mode = st.st_mode & 07777;
        struct stat tmpSt {};
        if (::fstat(fd, &tmpSt) != 0) fail(errno);
        if ((tmpSt.st_uid != st.st_uid || tmpSt.st_gid != st.st_gid) && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
            ::close(fd);
            ::unlink(tmpl.c_str());
            return writeInPlace(target, content, path);
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0) fail(errno);
    if (!writeAll(fd, content)) fail(errno);
    if (::fsync(fd) != 0) fail(errno);
    if (::close(fd) != 0) {
        const int e = errno;
        ::unlink(tmpl.c_str());
        throwErrno(e, path);
    }
    if (::rename(tmpl.c_str(), target.c_str()) != 0) {
        const int e = errno;
        ::unlink(tmpl.c_str());
        // A sticky directory refuses to replace another user's file by a rename.
        if (exists && (e == EPERM || e == EACCES)) return writeInPlace(target, content, path);
        throwErrno(e, path);
    }
}

}  // namespace pal
