#include "common/diskfile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/bytes.h"
#include "common/filelookup.h"

namespace pal {

namespace {

const char* kindText(unsigned mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

thread_local OverwriteGuard* activeGuard = nullptr;

}  // namespace

const char* fileKindOf(unsigned mode) { return S_ISREG(mode) ? "a file" : kindText(mode); }

void requireRegularFile(unsigned mode, const std::string& path) {
    if (S_ISREG(mode)) return;
    throw IoError(S_ISDIR(mode) ? EISDIR : 0, path, std::string("It is ") + kindText(mode) + ", not a file");
}

int openForReading(const std::string& path) {
    // Looked at before opening: opening some devices does something by itself.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw IoError::fromErrno(path);
    requireRegularFile(st.st_mode, path);
    // Non-blocking, so that a pipe put in the file's place meanwhile is not waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) throw IoError::fromErrno(path);
    if (::fstat(fd, &st) != 0) {
        const IoError e = IoError::fromErrno(path);
        ::close(fd);
        throw e;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        requireRegularFile(st.st_mode, path);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

FileVersion fileVersion(const std::string& path) {
    FileVersion s;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return s;
    s.exists = true;
    s.device = static_cast<std::uint64_t>(st.st_dev);
    s.inode = static_cast<std::uint64_t>(st.st_ino);
    s.size = static_cast<std::int64_t>(st.st_size);
    s.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

std::string canonicalFilePath(const std::string& path) {
    if (char* full = ::realpath(path.c_str(), nullptr)) {
        std::string out(full);
        std::free(full);
        return out;
    }
    std::string dir = directoryPart(path);
    if (dir.empty()) dir = ".";
    if (char* full = ::realpath(dir.c_str(), nullptr)) {
        std::string out = joinPath(full, fileNamePart(path));
        std::free(full);
        return out;
    }
    return path;
}

ChangedOnDisk::ChangedOnDisk(const std::string& path)
    : IoError(0, path, "The file has been changed by another program since it was read") {}

SaveNotDone::SaveNotDone(const std::string& path) : IoError(0, path, "The file was not saved") {}

OverwriteGuard::OverwriteGuard(const std::string& path, const FileVersion& seen)
    : canonical_(canonicalFilePath(path)), seen_(seen), outer_(activeGuard) {
    activeGuard = this;
}

OverwriteGuard::~OverwriteGuard() { activeGuard = outer_; }

void OverwriteGuard::check(const std::string& target) {
    if (!activeGuard) return;
    const std::string canonical = canonicalFilePath(target);
    for (const OverwriteGuard* g = activeGuard; g; g = g->outer_) {
        if (!g->seen_.exists || g->canonical_ != canonical) continue;
        const FileVersion now = fileVersion(target);
        if (now.exists && now != g->seen_) throw ChangedOnDisk(target);
    }
}

}  // namespace pal
