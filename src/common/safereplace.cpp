#include "common/safereplace.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "common/bytes.h"
#include "common/configdir.h"
#include "common/diskfile.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"

namespace pal {

namespace {

constexpr std::string_view kTempMark = ".palumaro-";
constexpr std::string_view kBackupMark = ".palumaro-backup";
constexpr std::size_t kNameRoom = 200;  // of a file name in a temporary's or backup's name
constexpr std::size_t kTempRandom = 6;  // the XXXXXX of mkstemp

[[noreturn]] void throwErrno(int e, const std::string& path) {
    errno = e;
    throw IoError::fromErrno(path);
}

std::string folderOf(const std::string& path) {
    const std::string dir = directoryPart(path);
    return dir.empty() ? std::string(".") : dir;
}

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

// The whole content of an open file; false with errno set on failure.
bool readAll(int fd, std::string& out) {
    out.clear();
    char buf[65536];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(fd, buf, sizeof buf, at);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        out.append(buf, static_cast<std::size_t>(n));
        at += n;
    }
}

// A rename is on the disk only once its directory is synced.
void syncFolder(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Creates the temporary file for a save of target and locks it for as long as
// the descriptor is open; -1 with errno set when the folder refuses it.
int createTemporary(const std::string& target, std::string& path) {
    path = temporaryTemplate(target);
    const int fd = ::mkstemp(path.data());
    if (fd < 0) return -1;
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::flock(fd, LOCK_EX);
    return fd;
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

// Writes a new file of the given mode through a temporary renamed over path.
void writeNewFile(const std::string& path, std::string_view content, mode_t mode) {
    std::string tmp;
    const int fd = createTemporary(path, tmp);
    if (fd < 0) throwErrno(errno, path);
    if (::fchmod(fd, mode) != 0 || !writeAll(fd, content) || ::fsync(fd) != 0) {
        const int e = errno;
        ::close(fd);
        ::unlink(tmp.c_str());
        throwErrno(e, path);
    }
    ::close(fd);
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        const int e = errno;
        ::unlink(tmp.c_str());
        throwErrno(e, path);
    }
    syncFolder(folderOf(path));
}

// A 64-bit FNV-1a hash, for cache names made from full paths.
std::uint64_t pathHash(std::string_view s) {
    std::uint64_t h = 1469598103934665603ull;
    for (const char c : s) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

// The name of target's backup in a backup folder: a hash of its full path and
// its file name.
std::string cachedBackupName(const std::string& target) {
    static const char* hex = "0123456789abcdef";
    std::string tag;
    for (std::uint64_t h = pathHash(target), k = 0; k < 16; ++k, h >>= 4) tag.insert(tag.begin(), hex[h & 15]);
    return tag + "-" + fileNamePart(target).substr(0, kNameRoom);
}

// The folders a backup goes to when the file's own folder takes no new files:
// the user's cache folder, else a private folder in the system's temporary one
// (a user without a writable home still gets a copy).
std::vector<std::string> backupFolders() {
    const char* tmp = std::getenv("TMPDIR");
    const std::string temp = joinPath(tmp && *tmp == '/' ? tmp : "/tmp", "palumaro-" + std::to_string(::geteuid()));
    return {joinPath(userCacheDir(), "backups"), joinPath(temp, "backups")};
}

// Makes dir and its parent as folders of this user; false when that is not
// possible or one of them is not this user's folder (another user's, a link).
bool privateFolder(const std::string& dir) {
    ::mkdir(directoryPart(directoryPart(dir)).c_str(), 0700);  // ~/.cache itself may be missing
    for (const std::string& d : {directoryPart(dir), dir}) {
        if (::mkdir(d.c_str(), 0700) != 0 && errno != EEXIST) return false;
        struct stat st {};
        if (::lstat(d.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
    }
    return true;
}

// A complete, synced copy of target's old content, beside it when its folder
// takes new files, else in a backup folder. Returns the backup's path.
std::string writeBackup(const std::string& target, std::string_view old) {
    const std::string beside = backupBeside(target);
    removeStaleTemporaries(beside);
    try {
        writeNewFile(beside, old, 0600);
        return beside;
    } catch (const IoError& e) {
        if (e.code() != EACCES && e.code() != EPERM && e.code() != EROFS) throw;
    }
    int failure = EACCES;
    for (const std::string& folder : backupFolders()) {
        if (!privateFolder(folder)) continue;
        const std::string cached = joinPath(folder, cachedBackupName(target));
        removeStaleTemporaries(cached);
        try {
            writeNewFile(cached, old, 0600);
            return cached;
        } catch (const IoError& e) {
            failure = e.code();
        }
    }
    throwErrno(failure, backupInCache(target));
}

// Rewrites an existing file in place, for the files a rename would damage (several
// hard links) or cannot replace (a folder that refuses new entries, a sticky
// folder). The old content is first kept as a backup (unless keepBackup is false:
// a restore from a backup), removed once the new content is synced; a failed write
// (a full disk) puts the old content back at once.
void writeInPlace(const std::string& target, std::string_view content, const std::string& shownPath,
                  bool keepBackup) {
    int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    std::string old;
    bool haveOld = false;
    if (fd >= 0) {
        haveOld = readAll(fd, old);
    } else if (errno == EACCES) {
        fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);  // a write-only file: nothing to keep
    }
    if (fd < 0) throwErrno(errno, shownPath);
    std::string backup;
    if (haveOld && keepBackup) {
        try {
            backup = writeBackup(canonicalFilePath(target), old);
        } catch (const IoError& e) {
            ::close(fd);
            throw IoError(e.code(), shownPath,
                          std::string("No copy of the old content could be kept before writing in place: ") + e.what());
        }
    }
    if (!writeAll(fd, content) || ::ftruncate(fd, static_cast<off_t>(content.size())) != 0 || ::fsync(fd) != 0) {
        const int e = errno;
        bool restored = false;
        if (haveOld && writeAll(fd, old))
            restored = ::ftruncate(fd, static_cast<off_t>(old.size())) == 0 && ::fsync(fd) == 0;
        ::close(fd);
        if (restored && !backup.empty()) ::unlink(backup.c_str());
        throwErrno(e, shownPath);
    }
    const int closed = ::close(fd);
    const int e = errno;
    if (!backup.empty()) ::unlink(backup.c_str());
    if (closed != 0) throwErrno(e, shownPath);
}

void replaceFileKeeping(const std::string& path, std::string_view content, bool keepBackup) {
    const std::string target = finalTarget(path);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        requireRegularFile(st.st_mode, path);
        // A file the user may not write is refused, never replaced by a rename.
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) throwErrno(errno, path);
        OverwriteGuard::check(target);
    }
    removeStaleTemporaries(target);
    if (exists && st.st_nlink > 1) return writeInPlace(target, content, path, keepBackup);
    std::string tmp;
    const int fd = createTemporary(target, tmp);
    if (fd < 0) {
        // A write-protected folder: the file itself may still be written.
        if (exists && (errno == EACCES || errno == EPERM)) return writeInPlace(target, content, path, keepBackup);
        throwErrno(errno, path);
    }
    auto fail = [&](int e) {
        ::close(fd);
        ::unlink(tmp.c_str());
        throwErrno(e, path);
    };
    // Keep an existing file's mode, owner and group; a new file gets the usual
    // 0666 less umask. When the owner cannot be kept (another user's file in a
    // shared folder), the file is written in place instead.
    mode_t mode;
    if (exists) {
        mode = st.st_mode & 07777;
        struct stat tmpSt {};
        if (::fstat(fd, &tmpSt) != 0) fail(errno);
        if ((tmpSt.st_uid != st.st_uid || tmpSt.st_gid != st.st_gid) && ::fchown(fd, st.st_uid, st.st_gid) != 0) {
            ::close(fd);
            ::unlink(tmp.c_str());
            return writeInPlace(target, content, path, keepBackup);
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0) fail(errno);
    if (!writeAll(fd, content)) fail(errno);
    if (::fsync(fd) != 0) fail(errno);
    // The lock goes with the descriptor: the file is complete, and the rename
    // follows at once.
    if (::close(fd) != 0) {
        const int e = errno;
        ::unlink(tmp.c_str());
        throwErrno(e, path);
    }
    if (::rename(tmp.c_str(), target.c_str()) != 0) {
        const int e = errno;
        ::unlink(tmp.c_str());
        // A sticky folder refuses to replace another user's file by a rename.
        if (exists && (e == EPERM || e == EACCES)) return writeInPlace(target, content, path, keepBackup);
        throwErrno(e, path);
    }
    syncFolder(folderOf(target));
}

}  // namespace

void replaceFile(const std::string& path, std::string_view content) { replaceFileKeeping(path, content, true); }

std::string userCacheDir() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && *xdg == '/') return joinPath(xdg, "palumaro");
    const char* home = std::getenv("HOME");
    return joinPath(joinPath(home && *home ? home : "/tmp", ".cache"), "palumaro");
}

std::string temporaryTemplate(const std::string& target) {
    const std::string name = "." + fileNamePart(target).substr(0, kNameRoom) + std::string(kTempMark);
    return joinPath(folderOf(target), name + std::string(kTempRandom, 'X'));
}

void removeStaleTemporaries(const std::string& target) {
    const std::string dir = folderOf(target);
    const std::string own = fileNamePart(temporaryTemplate(target));
    const std::string_view prefix = std::string_view(own).substr(0, own.size() - kTempRandom);
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    const int dfd = ::dirfd(d);
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name = e->d_name;
        // This file's temporaries, and the nameless ones of older versions.
        const bool ours = name.size() == own.size() && name.substr(0, prefix.size()) == prefix;
        const bool older = name.size() == kTempMark.size() + kTempRandom && name.substr(0, kTempMark.size()) == kTempMark;
        if (!ours && !older) continue;
        const int fd = ::openat(dfd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) continue;
        struct stat st {};
        // A running save holds its lock; a killed one's lock went with it.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(dfd, e->d_name, 0);
        ::close(fd);
    }
    ::closedir(d);
}

std::string backupBeside(const std::string& target) {
    return joinPath(folderOf(target), "." + fileNamePart(target).substr(0, kNameRoom) + std::string(kBackupMark));
}

std::string backupInCache(const std::string& target) {
    return joinPath(backupFolders().front(), cachedBackupName(target));
}

std::optional<std::string> leftBackup(const std::string& path) {
    const std::string file = canonicalFilePath(path);
    std::vector<std::string> places = {backupBeside(file)};
    for (const std::string& folder : backupFolders()) places.push_back(joinPath(folder, cachedBackupName(file)));
    for (const std::string& backup : places) {
        struct stat st {};
        if (::stat(backup.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        try {
            if (readFileBytes(backup) == readFileBytes(file)) {
                ::unlink(backup.c_str());
                continue;
            }
        } catch (const IoError&) {
            // A file that cannot be read now: the backup is still worth offering.
        }
        return backup;
    }
    return std::nullopt;
}

void restoreBackup(const std::string& path, const std::string& backup) {
    replaceFileKeeping(path, readFileBytes(backup), false);
    ::unlink(backup.c_str());
}

void discardBackup(const std::string& backup) { ::unlink(backup.c_str()); }

}  // namespace pal
