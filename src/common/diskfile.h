// What the program checks of a file on disk before it reads or writes it: that
// the name is a regular file (a named pipe or a device would hang a read), and
// which version of the file a window holds (to notice another program's change).
#pragma once
#include <cstdint>
#include <string>

#include "common/ioerror.h"

namespace pal {

// Opens path for reading. Anything but a regular file (a directory, a named
// pipe, a device, a socket) is refused with an IoError that says what it is; a
// named pipe is never waited on. Returns the descriptor (close it). Throws IoError.
int openForReading(const std::string& path);
// Throws the IoError openForReading gives when mode is not that of a regular file.
void requireRegularFile(unsigned mode, const std::string& path);
// What a file of that mode is, for messages: "a named pipe", "a directory", ...
const char* fileKindOf(unsigned mode);

// A file's identity and version: device and inode, size and modification time.
struct FileVersion {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;
    friend bool operator==(const FileVersion&, const FileVersion&) = default;
};

// The stamp of the file a path names, links followed (exists false when none).
FileVersion fileVersion(const std::string& path);

// The absolute path of the file a path names, with links, "." and ".." resolved;
// for a file that does not exist, its directory resolved and its name kept.
std::string canonicalFilePath(const std::string& path);

// Thrown by replaceFile, which writes nothing, when an OverwriteGuard is alive
// for the file and the file on disk is no longer the version the guard saw.
class ChangedOnDisk : public IoError {
public:
    explicit ChangedOnDisk(const std::string& path);
};

// Thrown by a window's save that the user cancelled or whose failure has been
// shown already: callers stop without another message.
class SaveNotDone : public IoError {
public:
    explicit SaveNotDone(const std::string& path);
};

// While alive on this thread, replaceFile refuses to overwrite the file path
// names when the file there is not the version seen (nothing is checked when
// seen.exists is false, or when the file is gone: saving makes it again).
class OverwriteGuard {
public:
    OverwriteGuard(const std::string& path, const FileVersion& seen);
    ~OverwriteGuard();
    OverwriteGuard(const OverwriteGuard&) = delete;
    OverwriteGuard& operator=(const OverwriteGuard&) = delete;

    // Called by replaceFile before it writes target (a path links resolved).
    static void check(const std::string& target);

private:
    std::string canonical_;
    FileVersion seen_;
    OverwriteGuard* outer_;
};

}  // namespace pal
