#include "text/lineindex.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "common/diskfile.h"
#include "common/ioerror.h"
#include "common/utf8check.h"

namespace pal {

namespace {

constexpr std::size_t kReadChunk = 1 << 20;  // bytes read at once by the indexer and the search
constexpr std::size_t kCachedBlocks = 8;
constexpr std::size_t kBlockTail = 258;  // bytes a block reads beyond its 64 KiB

using FoldTable = std::array<unsigned char, 256>;

FoldTable makeFold(bool caseSensitive, bool latin1Letters) {
    FoldTable t{};
    for (int c = 0; c < 256; ++c) {
        int f = c;
        if (!caseSensitive) {
            if (c >= 'A' && c <= 'Z') f = c + 32;
            else if (latin1Letters && c >= 0xC0 && c <= 0xDE && c != 0xD7) f = c + 32;
        }
        t[static_cast<std::size_t>(c)] = static_cast<unsigned char>(f);
    }
    return t;
}

void foldInPlace(std::string& s, const FoldTable& t) {
    for (char& c : s) c = static_cast<char>(t[static_cast<unsigned char>(c)]);
}

// Latin-1 letters written in UTF-8 are C3 80..9E (capitals, but C3 97 is the
// multiplication sign) and C3 A0..BE: the capital's second byte is folded to the
// small letter's. before is the byte in front of s in the file (0 at its start).
void foldUtf8Latin1Letters(std::string& s, char before) {
    char prev = before;
    for (char& c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (static_cast<unsigned char>(prev) == 0xC3 && u >= 0x80 && u <= 0x9E && u != 0x97) c = static_cast<char>(u + 0x20);
        prev = c;
    }
}

// A word-at-a-time hash that can be fed in pieces (a line may cross a read).
class LineHasher {
public:
    void add(const char* p, std::size_t n) {
        length_ += n;
        while (pending_ && n) take(static_cast<unsigned char>(*p++)), --n;
        for (; n >= 8; p += 8, n -= 8) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            mix(w);
        }
        while (n) take(static_cast<unsigned char>(*p++)), --n;
    }
    std::uint64_t finish() {
        if (pending_) mix(word_);
        mix(length_);
        std::uint64_t h = h_;
        h ^= h >> 33;
        h *= 0xFF51AFD7ED558CCDull;
        h ^= h >> 33;
        return h;
    }

private:
    void take(unsigned char c) {
        word_ |= std::uint64_t(c) << (8 * pending_);
        if (++pending_ == 8) {
            mix(word_);
            word_ = 0;
            pending_ = 0;
        }
    }
    void mix(std::uint64_t w) {
        h_ ^= w * 0x9E3779B97F4A7C15ull;
        h_ = ((h_ << 31) | (h_ >> 33)) * 0xC2B2AE3D27D4EB4Full;
    }
    std::uint64_t h_ = 0x27D4EB2F165667C5ull;
    std::uint64_t word_ = 0;
    std::uint64_t length_ = 0;
    unsigned pending_ = 0;
};

bool isAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

LineIndex::LineIndex(const std::string& path, std::size_t shownBytes) : path_(path), shown_(std::max<std::size_t>(shownBytes, 1)) {
    fd_ = openForReading(path);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        const IoError e = IoError::fromErrno(path);
        ::close(fd_);
        throw e;
    }
    fileSize_ = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    device_ = static_cast<std::uint64_t>(st.st_dev);
    inode_ = static_cast<std::uint64_t>(st.st_ino);
    checkpoints_.push_back({0, 0});
    cache_.reserve(kCachedBlocks);  // blocks handed out by loadBlock never move
    if (fileSize_ == 0) finish();
}

LineIndex::~LineIndex() {
    if (fd_ >= 0) ::close(fd_);
}

std::size_t LineIndex::readAt(std::uint64_t offset, char* buffer, std::size_t n) const {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::pread(fd_, buffer + done, n - done, static_cast<off_t>(offset + done));
        if (r < 0) {
            if (errno == EINTR) continue;
            throw IoError::fromErrno(path_);
        }
        if (r == 0) break;  // the file became shorter than it was
        done += static_cast<std::size_t>(r);
    }
    return done;
}

std::uint64_t LineIndex::hashLine(const char* bytes, std::size_t length) {
    LineHasher h;
    h.add(bytes, length);
    return h.finish();
}

void LineIndex::hashLineAt(std::uint64_t start, std::uint64_t end, const char* buffer, std::uint64_t bufferOffset,
                           std::size_t bufferLength) {
    if (start >= bufferOffset && end <= bufferOffset + bufferLength) {
        hashes_.push_back(hashLine(buffer + (start - bufferOffset), static_cast<std::size_t>(end - start)));
        return;
    }
    // A line that began in an earlier read: its bytes read again, a piece at a time.
    LineHasher h;
    std::string piece;
    for (std::uint64_t at = start; at < end;) {
        piece.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kReadChunk, end - at)));
        const std::size_t n = readAt(at, piece.data(), piece.size());
        if (n == 0) break;
        h.add(piece.data(), n);
        at += n;
    }
    hashes_.push_back(h.finish());
}

void LineIndex::grownTo(std::uint64_t size) {
    if (size <= std::max(scanPos_, fileSize_)) return;
    if (complete_ && lastUnterminated_) {
        // The line counted without its end goes on: it is counted again when it ends.
        --lineCount_;
        if (hashes_.size() > lineCount_) hashes_.pop_back();
        lastUnterminated_ = false;
    }
    complete_ = false;
    fileSize_ = size;
}

void LineIndex::release() {
    holdUnterminated_ = false;
    if (complete_ && openLineStart_ < scanPos_) {
        complete_ = false;
        finish();
    }
}

void LineIndex::finish() {
    if (complete_) return;
    if (holdUnterminated_) {
        // The file ends for now at its last complete line.
        fileSize_ = openLineStart_;
        complete_ = true;
        cache_.clear();
        return;
    }
    if (openLineStart_ < scanPos_) {
        // The last line has no line end.
        std::size_t len = static_cast<std::size_t>(scanPos_ - openLineStart_);
        char last = 0;
        if (readAt(scanPos_ - 1, &last, 1) == 1 && last == '\r') --len;
        if (keepHashes_) hashLineAt(openLineStart_, openLineStart_ + len, nullptr, 0, 0);
        longest_ = std::max(longest_, std::min(len, shown_));
        linesCut_ = linesCut_ || len > shown_;
        ++lineCount_;
        lastUnterminated_ = true;
    }
    fileSize_ = scanPos_;
    complete_ = true;
    cache_.clear();
}

bool LineIndex::indexMore(std::size_t budget) {
    if (complete_) return true;
    std::string buf;
    std::size_t used = 0;
    do {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(kReadChunk, fileSize_ - scanPos_));
        buf.resize(want);
        const std::size_t n = want ? readAt(scanPos_, buf.data(), want) : 0;
        const char* base = buf.data();
        const char* p = base;
        const char* end = base + n;
        while (p < end) {
            const void* hit = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
            if (!hit) break;
            const char* nl = static_cast<const char*>(hit);
            const std::uint64_t nlOffset = scanPos_ + static_cast<std::uint64_t>(nl - base);
            std::uint64_t contentEnd = nlOffset;
            if (contentEnd > openLineStart_) {
                char before;
                if (nl > base) before = nl[-1];
                else if (readAt(contentEnd - 1, &before, 1) != 1) before = 0;
                if (before == '\r') --contentEnd;
            }
            const std::uint64_t len = contentEnd - openLineStart_;
            if (keepHashes_) hashLineAt(openLineStart_, contentEnd, base, scanPos_, n);
            longest_ = std::max<std::size_t>(longest_, static_cast<std::size_t>(std::min<std::uint64_t>(len, shown_)));
            linesCut_ = linesCut_ || len > shown_;
            ++lineCount_;
            openLineStart_ = nlOffset + 1;
            const Checkpoint& cp = checkpoints_.back();
            if (lineCount_ - cp.line >= kCheckpointLines || openLineStart_ - cp.offset >= kCheckpointBytes)
                checkpoints_.push_back({openLineStart_, lineCount_});
            p = nl + 1;
        }
        scanPos_ += n;
        used += n;
        if (n < want || scanPos_ >= fileSize_) {
            finish();
            return true;
        }
    } while (used < budget);
    return false;
}

void LineIndex::indexAll() {
    while (!indexMore(64u << 20)) {
    }
}

void LineIndex::indexUntilLine(std::size_t line) {
    while (!complete_ && lineCount_ <= line) indexMore(kReadChunk);
}

void LineIndex::indexUntilOffset(std::uint64_t offset) {
    while (!complete_ && openLineStart_ <= offset) indexMore(kReadChunk);
}

std::size_t LineIndex::blockOfLine(std::size_t line) const {
    auto it = std::upper_bound(checkpoints_.begin(), checkpoints_.end(), line,
                               [](std::size_t l, const Checkpoint& c) { return l < c.line; });
    return static_cast<std::size_t>(it - checkpoints_.begin()) - 1;
}

std::size_t LineIndex::blockOfOffset(std::uint64_t offset) const {
    auto it = std::upper_bound(checkpoints_.begin(), checkpoints_.end(), offset,
                               [](std::uint64_t o, const Checkpoint& c) { return o < c.offset; });
    return static_cast<std::size_t>(it - checkpoints_.begin()) - 1;
}

std::uint64_t LineIndex::blockEnd(std::size_t b) const {
    if (b + 1 < checkpoints_.size()) return checkpoints_[b + 1].offset;
    return complete_ ? fileSize_ : openLineStart_;
}

std::size_t LineIndex::blockLines(std::size_t b) const {
    const std::size_t next = b + 1 < checkpoints_.size() ? checkpoints_[b + 1].line : lineCount_;
    return next > checkpoints_[b].line ? next - checkpoints_[b].line : 0;
}

const LineIndex::Block& LineIndex::loadBlock(std::size_t b) {
    const std::size_t lines = blockLines(b);
    const std::uint64_t end = blockEnd(b);
    for (Block& c : cache_)
        if (c.index == b && c.lines == lines && c.end == end) {
            c.lastUse = ++useClock_;
            return c;
        }
    Block* slot;
    if (cache_.size() < kCachedBlocks) {
        slot = &cache_.emplace_back();
    } else {
        slot = &*std::min_element(cache_.begin(), cache_.end(),
                                  [](const Block& x, const Block& y) { return x.lastUse < y.lastUse; });
    }
    Block& blk = *slot;
    blk.index = b;
    blk.lines = lines;
    blk.begin = checkpoints_[b].offset;
    blk.end = end;
    blk.lastUse = ++useClock_;
    // Every line start of a block lies within 64 KiB of its checkpoint, so this
    // much holds all of them and the start of the block's last line; the rest
    // of a long line is read when it is shown.
    const std::uint64_t want = std::min<std::uint64_t>(end - blk.begin, kCheckpointBytes + kBlockTail);
    blk.data.resize(static_cast<std::size_t>(want));
    blk.data.resize(readAt(blk.begin, blk.data.data(), blk.data.size()));
    blk.starts.clear();
    blk.starts.reserve(lines);
    if (lines) blk.starts.push_back(0);
    std::size_t pos = 0;
    while (blk.starts.size() < lines) {
        const void* hit = pos < blk.data.size() ? std::memchr(blk.data.data() + pos, '\n', blk.data.size() - pos) : nullptr;
        if (!hit) break;
        pos = static_cast<std::size_t>(static_cast<const char*>(hit) - blk.data.data()) + 1;
        blk.starts.push_back(static_cast<std::uint32_t>(pos));
    }
    // A file changed on disk since it was indexed: the missing lines come out empty.
    while (blk.starts.size() < lines) blk.starts.push_back(static_cast<std::uint32_t>(blk.data.size()));
    return blk;
}

LineIndex::LineSpan LineIndex::span(std::size_t i) {
    const std::size_t b = blockOfLine(i);
    const Block& blk = loadBlock(b);
    const std::size_t k = i - checkpoints_[b].line;
    const std::uint64_t start = blk.begin + blk.starts[k];
    std::uint64_t next = k + 1 < blk.starts.size() ? blk.begin + blk.starts[k + 1] : blk.end;
    next = std::max(next, start);
    const bool terminated = !(complete_ && lastUnterminated_ && i + 1 == lineCount_);
    std::uint64_t contentEnd = terminated && next > start ? next - 1 : next;
    if (contentEnd > start) {
        const std::uint64_t at = contentEnd - 1 - blk.begin;
        char c = 0;
        if (at < blk.data.size()) c = blk.data[static_cast<std::size_t>(at)];
        else if (readAt(contentEnd - 1, &c, 1) != 1) c = 0;
        if (c == '\r') --contentEnd;
    }
    return {start, static_cast<std::size_t>(contentEnd - start), &blk};
}

std::uint64_t LineIndex::lineStart(std::size_t i) { return span(i).start; }

std::size_t LineIndex::lineLength(std::size_t i) { return span(i).length; }

DisplayLine LineIndex::displayLine(std::size_t i) {
    const LineSpan s = span(i);
    const std::size_t take = std::min(s.length, shown_);
    DisplayLine d;
    const std::uint64_t rel = s.start - s.block->begin;
    if (rel + take <= s.block->data.size()) {
        d.bytes.assign(s.block->data, static_cast<std::size_t>(rel), take);
    } else {
        d.bytes.resize(take);
        d.bytes.resize(readAt(s.start, d.bytes.data(), take));
    }
    if (s.length > shown_) {
        const std::size_t valid = validUtf8PrefixLength(d.bytes);
        d.utf8 = valid != std::string::npos;
        if (d.utf8) d.bytes.resize(valid);
    } else {
        d.utf8 = isValidUtf8(d.bytes);
    }
    return d;
}

std::size_t LineIndex::lineOfOffset(std::uint64_t offset) {
    indexUntilOffset(offset);
    if (lineCount_ == 0) return 0;
    std::size_t b = blockOfOffset(offset);
    while (b > 0 && blockLines(b) == 0) --b;
    const Block& blk = loadBlock(b);
    const std::uint64_t rel = offset - blk.begin;
    auto it = std::upper_bound(blk.starts.begin(), blk.starts.end(), rel,
                               [](std::uint64_t r, std::uint32_t s) { return r < s; });
    std::size_t k = it == blk.starts.begin() ? 0 : static_cast<std::size_t>(it - blk.starts.begin()) - 1;
    return std::min(checkpoints_[b].line + k, lineCount_ - 1);
}

bool LineIndex::validMatch(std::uint64_t at, std::size_t length, PatternKind kind) {
    const std::size_t line = lineOfOffset(at);
    if (line >= lineCount_) return false;
    const std::uint64_t start = lineStart(line);
    if (at < start) return false;
    if (validLine_ != line) {
        validShown_ = displayLine(line);
        validLine_ = line;
    }
    if (at - start + length > validShown_.bytes.size()) return false;
    if (kind == PatternKind::Utf8Only) return validShown_.utf8;
    if (kind == PatternKind::Latin1Only) return !validShown_.utf8;
    return true;
}

std::optional<std::uint64_t> LineIndex::search(const std::string& pattern, PatternKind kind, bool caseSensitive,
                                               bool forward, std::uint64_t from,
                                               const std::function<bool(std::uint64_t)>& step) {
    // step gets the bytes searched so far after each chunk; false stops the search.
    std::uint64_t searched = 0;
    const auto stepped = [&](std::uint64_t n) {
        searched += n;
        if (!step || step(searched)) return true;
        findCancelled_ = true;
        return false;
    };
    const std::size_t m = pattern.size();
    if (m == 0) return std::nullopt;
    const FoldTable fold = makeFold(caseSensitive, kind == PatternKind::Latin1Only);
    std::string buf;
    const bool foldUtf8 = !caseSensitive && kind == PatternKind::Utf8Only;
    std::string pat = pattern;
    foldInPlace(pat, fold);
    if (foldUtf8) foldUtf8Latin1Letters(pat, 0);
    const auto foldBuffer = [&](std::uint64_t at) {
        if (caseSensitive) return;
        foldInPlace(buf, fold);
        if (foldUtf8) {
            char before = 0;
            if (at > 0 && readAt(at - 1, &before, 1) != 1) before = 0;
            foldUtf8Latin1Letters(buf, before);
        }
    };
    const std::boyer_moore_horspool_searcher searcher(pat.begin(), pat.end());
    const auto matchesIn = [&](std::size_t n, std::size_t limit, auto&& onMatch) {
        // Calls onMatch for each match starting before limit; stops when it returns true.
        auto first = buf.begin();
        const auto last = buf.begin() + static_cast<std::ptrdiff_t>(n);
        while (true) {
            const auto [b, e] = searcher(first, last);
            if (b == last) return false;
            const std::size_t q = static_cast<std::size_t>(b - buf.begin());
            if (q >= limit) return false;
            if (onMatch(q)) return true;
            first = b + 1;
        }
    };
    // The file beyond the indexed part is scanned too; the index follows as matches need it.
    const std::uint64_t size = complete_ ? fileSize_ : std::max(fileSize_, scanPos_);
    if (forward) {
        for (std::uint64_t pos = from; pos < size; pos += kReadChunk) {
            buf.resize(kReadChunk + m - 1);
            const std::size_t n = readAt(pos, buf.data(), buf.size());
            if (n < m) break;
            foldBuffer(pos);
            std::optional<std::uint64_t> found;
            matchesIn(n, kReadChunk, [&](std::size_t q) {
                if (!validMatch(pos + q, m, kind)) return false;
                found = pos + q;
                return true;
            });
            if (found) return found;
            if (n < buf.size() || !stepped(kReadChunk)) break;
        }
    } else {
        std::uint64_t end = std::min(from, size);
        std::vector<std::size_t> hits;
        while (end > 0) {
            const std::uint64_t begin = end > kReadChunk ? end - kReadChunk : 0;
            const std::size_t span = static_cast<std::size_t>(end - begin);
            buf.resize(span + m - 1);
            const std::size_t n = readAt(begin, buf.data(), buf.size());
            foldBuffer(begin);
            hits.clear();
            matchesIn(n, span, [&](std::size_t q) {
                hits.push_back(q);
                return false;
            });
            for (auto it = hits.rbegin(); it != hits.rend(); ++it)
                if (validMatch(begin + *it, m, kind)) return begin + *it;
            end = begin;
            if (!stepped(span)) break;
        }
    }
    return std::nullopt;
}

std::optional<TextMatch> LineIndex::find(const FindRequest& r) {
    findCancelled_ = false;
    if (r.utf8.empty()) return std::nullopt;
    std::optional<std::uint64_t> best;
    std::size_t bestLength = 0;
    // A text outside ASCII is searched twice, once per encoding.
    const int passes = isAscii(r.utf8) || r.latin1.empty() ? 1 : 2;
    const std::uint64_t size = complete_ ? fileSize_ : std::max(fileSize_, scanPos_);
    const std::uint64_t perPass = r.forward ? (size > r.from ? size - r.from : 0) : std::min(r.from, size);
    int pass = 0;
    const auto consider = [&](const std::string& pattern, PatternKind kind) {
        if (findCancelled_) return;
        std::function<bool(std::uint64_t)> step;
        if (r.progress)
            step = [&, done = pass * perPass](std::uint64_t n) {
                return r.progress(std::min(done + n, passes * perPass), passes * perPass);
            };
        ++pass;
        const auto at = search(pattern, kind, r.caseSensitive, r.forward, r.from, step);
        if (at && (!best || (r.forward ? *at < *best : *at > *best))) {
            best = at;
            bestLength = pattern.size();
        }
    };
    if (isAscii(r.utf8)) {
        consider(r.utf8, PatternKind::Any);
    } else {
        consider(r.utf8, PatternKind::Utf8Only);
        if (!r.latin1.empty()) consider(r.latin1, PatternKind::Latin1Only);
    }
    if (!best || findCancelled_) return std::nullopt;
    TextMatch m;
    m.line = lineOfOffset(*best);
    m.column = static_cast<std::size_t>(*best - lineStart(m.line));
    m.length = bestLength;
    return m;
}

std::size_t LineIndex::memoryBytes() const {
    std::size_t n = checkpoints_.capacity() * sizeof(Checkpoint) + validShown_.bytes.capacity() +
                    hashes_.capacity() * sizeof(std::uint64_t);
    for (const Block& b : cache_) n += b.data.capacity() + b.starts.capacity() * sizeof(std::uint32_t);
    return n;
}

}  // namespace pal
