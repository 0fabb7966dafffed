// Following a file that another program is still writing (a running engine's
// results): each look reads only the bytes appended since the last one and
// hands over whole lines; a line still being written waits for its end. A file
// that was replaced (another inode), shortened, or rewritten under the part
// already read is read again from its start. The file is open only during a
// look, so the writer may replace or remove it at any time.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pal {

// A file's identity and size at one look, for a follower that reads the bytes
// itself (a text viewer keeps its own index of the lines).
struct FileStamp {
    bool exists = false;
    std::uint64_t dev = 0, ino = 0, size = 0;
};
FileStamp stampOf(const std::string& path);

enum class Growth {
    Same,      // nothing changed
    Grown,     // the same file, longer: read on from where the last look ended
    Replaced,  // another file now, or a shorter one: read it again from its start
    Gone,      // no file (or not a regular one) now: keep what was read
};
Growth growthOf(const FileStamp& before, const FileStamp& now);

class FollowedFile {
public:
    explicit FollowedFile(std::string path);

    enum class Change {
        None,       // nothing new since the last look
        Appended,   // lines that follow those handed over before
        Restarted,  // the file is another one now: its lines from the start
        Missing,    // the file is gone or cannot be read (error says why); nothing changed
    };

    // Whole lines, each with its line end, in pieces of at most about chunkBytes.
    using Sink = std::function<void(std::string_view lines)>;

    // Looks at the file now and hands the new lines to sink. final: the writer
    // has ended, so a last line without a line end counts as well. When the file
    // has to be read again from its start, restarted is called first, so the
    // receiver can drop what it had.
    Change poll(const Sink& sink, bool final = false, const std::function<void()>& restarted = {});

    const std::string& path() const { return path_; }
    // Bytes handed over so far: the offset up to which the file has been read.
    std::uint64_t consumed() const { return consumed_; }
    // The size of the file at the last look.
    std::uint64_t lastSize() const { return size_; }
    const std::string& error() const { return error_; }
    // The next look starts again from the beginning (reported as Restarted).
    void restart();

    static constexpr std::size_t chunkBytes = 4u << 20;
    // Bytes before the read position compared at each look to notice a rewrite.
    static constexpr std::size_t kWitnessBytes = 64;

private:
    std::string path_;
    bool known_ = false;     // dev_/ino_ describe the file read so far
    std::uint64_t dev_ = 0, ino_ = 0;
    std::uint64_t consumed_ = 0;
    std::uint64_t size_ = 0;
    bool unterminatedTaken_ = false;  // a final look took a line without its end
    std::string witness_;   // the last bytes handed over (at most kWitnessBytes)
    std::string error_;
};

}  // namespace pal
