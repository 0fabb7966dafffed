// LineIndex: random access by line number to a text file of any size without
// loading it. The file is read in chunks; the index keeps a checkpoint every 256
// lines or 64 KiB, so its memory stays a small fraction of the file, and lines are
// found from the nearest checkpoint. Lines end in LF or CR LF; each is shown
// whole up to a bound of a mebibyte (kShownBytes). Indexing can run in slices so
// the first screen comes fast.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pal {

// One line as shown: its bytes up to the index's bound (a UTF-8 line cut on a
// character boundary), and whether they are UTF-8 (else Latin-1).
struct DisplayLine {
    std::string bytes;
    bool utf8 = true;
};

struct TextMatch {
    std::size_t line = 0;
    std::size_t column = 0;   // byte offset within the shown bytes of the line
    std::size_t length = 0;   // bytes
};

struct FindRequest {
    std::string utf8;         // the find text encoded as UTF-8
    std::string latin1;       // the same text in Latin-1 ("" when not representable)
    bool caseSensitive = false;
    bool forward = true;
    std::uint64_t from = 0;   // forward: matches starting at or after; backward: before
    // Called after each megabyte searched with the bytes searched so far and the
    // bytes to search in all; returning false stops the search (find() then
    // answers nothing and findCancelled() tells why).
    std::function<bool(std::uint64_t done, std::uint64_t total)> progress;
};

class LineIndex {
public:
    static constexpr std::size_t kShownBytes = 1u << 20;
    static constexpr std::size_t kCheckpointLines = 256;
    static constexpr std::uint64_t kCheckpointBytes = 65536;

    // Opens the file and indexes nothing yet; lines are shown up to shownBytes
    // of them. Throws IoError (also for what is not a regular file).
    explicit LineIndex(const std::string& path, std::size_t shownBytes = kShownBytes);
    ~LineIndex();
    LineIndex(const LineIndex&) = delete;
    LineIndex& operator=(const LineIndex&) = delete;

    const std::string& path() const { return path_; }
    // The identity of the file opened (it stays this file when the name is
    // given to another one).
    std::uint64_t fileDevice() const { return device_; }
    std::uint64_t fileInode() const { return inode_; }
    std::uint64_t fileSize() const { return fileSize_; }
    bool complete() const { return complete_; }
    std::uint64_t indexedBytes() const { return scanPos_; }

    // Following a file that is still being written: a last line without its end
    // is not counted (it waits for the end); grownTo() takes in what the file
    // has gained since. release() ends that: the file is complete as it is.
    void holdUnterminated(bool hold) { holdUnterminated_ = hold; }
    void grownTo(std::uint64_t size);
    void release();

    // Indexes about budget more bytes; true when the whole file is indexed.
    // Throws IoError when the file cannot be read.
    bool indexMore(std::size_t budget);
    void indexAll();
    void indexUntilLine(std::size_t line);       // until lineCount() > line or complete
    void indexUntilOffset(std::uint64_t offset); // until offset is inside a counted line or complete

    // Lines counted so far (all lines once complete). "a\nb\n" and "a\nb" have
    // two lines, an empty file none.
    std::size_t lineCount() const { return lineCount_; }
    // The longest shown line seen so far, in bytes (at most the bound).
    std::size_t longestLine() const { return longest_; }
    // Whether a line seen so far is longer than the bound (shown cut).
    bool linesCut() const { return linesCut_; }
    std::size_t shownBytes() const { return shown_; }

    // Line i < lineCount().
    std::uint64_t lineStart(std::size_t i);
    std::size_t lineLength(std::size_t i);  // bytes, without the line end
    DisplayLine displayLine(std::size_t i);
    // The line holding a byte offset (its line end counts to it); indexes as needed.
    std::size_t lineOfOffset(std::uint64_t offset);

    // Searches the file's bytes for the find text: a match must lie within the
    // shown part of one line, and a non-ASCII text matches only in its encoding of
    // that line (UTF-8 text in UTF-8 lines, Latin-1 text in Latin-1 lines). Case is
    // folded for ASCII letters and for the letters of Latin-1 in either encoding;
    // other letters match only as written.
    std::optional<TextMatch> find(const FindRequest& request);
    // Whether the last find() was stopped by its progress callback.
    bool findCancelled() const { return findCancelled_; }

    // Heap bytes held by the index and its caches (for the memory bound).
    std::size_t memoryBytes() const;

    // Keeps a 64-bit hash of each line's bytes (its line end left out) as the
    // lines are indexed, so that two files can be compared line by line without
    // reading them again. Call before indexing starts.
    void keepLineHashes() { keepHashes_ = true; }
    // The hashes of the lines counted so far (empty unless kept).
    const std::vector<std::uint64_t>& lineHashes() const { return hashes_; }
    // The hash the index keeps for a line of these bytes.
    static std::uint64_t hashLine(const char* bytes, std::size_t length);

private:
    struct Checkpoint {
        std::uint64_t offset;
        std::size_t line;
    };
    struct Block {
        std::size_t index = SIZE_MAX;
        std::size_t lines = 0;       // lines of the block when it was loaded
        std::uint64_t begin = 0;
        std::uint64_t end = 0;       // start of the first line after the block
        std::string data;            // bytes from begin, up to 64 KiB + one shown line
        std::vector<std::uint32_t> starts;  // line starts relative to begin
        std::uint64_t lastUse = 0;
    };
    struct LineSpan {
        std::uint64_t start;
        std::size_t length;
        const Block* block;
    };
    enum class PatternKind { Any, Utf8Only, Latin1Only };

    std::size_t readAt(std::uint64_t offset, char* buffer, std::size_t n) const;
    void finish();
    std::size_t blockOfLine(std::size_t line) const;
    std::size_t blockOfOffset(std::uint64_t offset) const;
    std::uint64_t blockEnd(std::size_t b) const;
    std::size_t blockLines(std::size_t b) const;
    const Block& loadBlock(std::size_t b);
    LineSpan span(std::size_t i);
    bool validMatch(std::uint64_t at, std::size_t length, PatternKind kind);
    std::optional<std::uint64_t> search(const std::string& pattern, PatternKind kind, bool caseSensitive,
                                        bool forward, std::uint64_t from,
                                        const std::function<bool(std::uint64_t)>& step = {});

    void hashLineAt(std::uint64_t start, std::uint64_t end, const char* buffer, std::uint64_t bufferOffset,
                    std::size_t bufferLength);

    std::string path_;
    std::size_t shown_;
    bool linesCut_ = false;
    int fd_ = -1;
    bool keepHashes_ = false;
    std::vector<std::uint64_t> hashes_;
    std::uint64_t fileSize_ = 0;
    std::uint64_t scanPos_ = 0;        // bytes examined by the indexer
    std::uint64_t openLineStart_ = 0;  // start of the line not yet ended
    std::size_t lineCount_ = 0;
    std::size_t longest_ = 0;
    bool complete_ = false;
    bool findCancelled_ = false;
    bool lastUnterminated_ = false;
    bool holdUnterminated_ = false;
    std::uint64_t device_ = 0, inode_ = 0;
    std::vector<Checkpoint> checkpoints_;
    std::vector<Block> cache_;
    std::uint64_t useClock_ = 0;
    // The shown bytes of the line validated last (searches meet the same line often).
    std::size_t validLine_ = SIZE_MAX;
    DisplayLine validShown_;
};

}  // namespace pal
