#include "compare/textcompare.h"

#include <dtl/dtl.hpp>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "common/ioerror.h"

namespace cmp {

namespace {

constexpr std::size_t kLongestComparedLine = 64 << 10;
constexpr std::size_t kFirstWindow = 8;  // most differences are a line or two
constexpr std::size_t kLargestWindow = 1 << 16;
constexpr std::size_t kResyncRun = 4;  // equal lines in a row that end a difference

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isWordChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return isDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || u >= 0x80;
}

// The end of a number starting at i, or i when none starts there. A number
// starts at a digit, a point before a digit or a sign before either, and not
// inside a word ("X2", "V1") or after a point.
std::size_t numberEnd(std::string_view s, std::size_t i) {
    if (i > 0 && (isWordChar(s[i - 1]) || s[i - 1] == '.')) return i;
    std::size_t p = i;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
    const std::size_t body = p;
    while (p < s.size() && isDigit(s[p])) ++p;
    bool digits = p > body;
    if (p < s.size() && s[p] == '.') {
        const std::size_t q = p + 1;
        std::size_t r = q;
        while (r < s.size() && isDigit(s[r])) ++r;
        if (digits || r > q) {
            digits = true;
            p = r;
        }
    }
    if (!digits) return i;
    if (p < s.size() && (s[p] == 'E' || s[p] == 'e')) {
        std::size_t q = p + 1;
        if (q < s.size() && (s[q] == '+' || s[q] == '-')) ++q;
        std::size_t r = q;
        while (r < s.size() && isDigit(s[r])) ++r;
        if (r > q) p = r;
    }
    return p;
}

double numberValue(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        // Beyond a double: the sign decides, and the digits are compared as text.
        return text.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return v;
}

// A line as the line diff sees it: equal to another when their bytes are
// equal, or, unless the comparison is exact, when the line with its numbers
// replaced by '#' and its blank runs by one blank is the same and each number
// lies within the tolerance of its partner.
struct LineKey {
    std::uint64_t hash = 0, shape = 0;
    const double* numbers = nullptr;
    std::uint32_t count = 0;
};
struct LineMatch {
    const Tolerance* tolerance = nullptr;
    bool exact = true;
    bool impl(const LineKey& a, const LineKey& b) const {
        if (a.hash == b.hash) return true;
        if (exact || a.shape != b.shape || a.count != b.count) return false;
        for (std::uint32_t k = 0; k < a.count; ++k)
            if (tolerance->outside(a.numbers[k], b.numbers[k])) return false;
        return true;
    }
};

// The shape of a line and its numbers in order.
std::uint64_t shapeOf(std::string_view line, std::vector<double>& numbers) {
    std::string shape;
    shape.reserve(line.size());
    for (const TextToken& t : tokenize(line)) {
        switch (t.kind) {
        case TextToken::Number:
            shape += '#';
            numbers.push_back(t.value);
            break;
        case TextToken::Blank:
            if (!shape.empty() && t.start + t.length < line.size()) shape += ' ';
            break;
        default: shape.append(line.substr(t.start, t.length));
        }
    }
    return pal::LineIndex::hashLine(shape.data(), shape.size());
}

// A word of a line as the word diff sees it: numbers match numbers whatever
// their value (the values are judged after the alignment).
struct Word {
    const TextToken* token;
    std::string_view text;
};
struct WordMatch {
    bool impl(const Word& a, const Word& b) const {
        if (a.token->kind == TextToken::Number && b.token->kind == TextToken::Number) return true;
        return a.text == b.text;
    }
};

std::vector<Word> words(std::string_view line, const std::vector<TextToken>& tokens) {
    std::vector<Word> out;
    for (const TextToken& t : tokens)
        if (t.kind != TextToken::Blank) out.push_back({&t, line.substr(t.start, t.length)});
    return out;
}

}  // namespace

std::vector<TextToken> tokenize(std::string_view s) {
    std::vector<TextToken> out;
    std::size_t i = 0;
    while (i < s.size()) {
        TextToken t;
        t.start = i;
        if (isBlank(s[i])) {
            t.kind = TextToken::Blank;
            while (i < s.size() && isBlank(s[i])) ++i;
        } else if (const std::size_t e = numberEnd(s, i); e > i) {
            t.kind = TextToken::Number;
            t.value = numberValue(s.substr(i, e - i));
            i = e;
        } else if (isWordChar(s[i])) {
            t.kind = TextToken::Word;
            while (i < s.size() && isWordChar(s[i])) ++i;
        } else {
            t.kind = TextToken::Other;
            ++i;
        }
        t.length = i - t.start;
        out.push_back(t);
    }
    return out;
}

WordDifference wordDifference(std::string_view left, std::string_view right, const Tolerance& tolerance, bool exact) {
    WordDifference out;
    const std::vector<TextToken> lt = tokenize(left), rt = tokenize(right);
    const std::vector<Word> a = words(left, lt), b = words(right, rt);
    dtl::Diff<Word, std::vector<Word>, WordMatch> diff(a, b);
    diff.compose();
    const auto mark = [](std::vector<std::pair<std::size_t, std::size_t>>& spans, const Word& w) {
        if (!spans.empty() && spans.back().first + spans.back().second >= w.token->start) {
            spans.back().second = w.token->start + w.token->length - spans.back().first;  // one span over neighbours
        } else {
            spans.emplace_back(w.token->start, w.token->length);
        }
    };
    for (const auto& [word, info] : diff.getSes().getSequence()) {
        if (info.type == dtl::SES_DELETE) {
            mark(out.left, a[static_cast<std::size_t>(info.beforeIdx - 1)]);
        } else if (info.type == dtl::SES_ADD) {
            mark(out.right, b[static_cast<std::size_t>(info.afterIdx - 1)]);
        } else {
            const Word& l = a[static_cast<std::size_t>(info.beforeIdx - 1)];
            const Word& r = b[static_cast<std::size_t>(info.afterIdx - 1)];
            if (l.text == r.text) continue;
            const double lv = l.token->value, rv = r.token->value;
            if (!exact && !tolerance.outside(lv, rv)) continue;
            mark(out.left, l);
            mark(out.right, r);
            if (std::isfinite(lv) && std::isfinite(rv)) {
                out.largestAbs = std::max(out.largestAbs, std::fabs(rv - lv));
                out.largestRel = std::max(out.largestRel, relativeDifference(lv, rv));
            }
        }
    }
    return out;
}

TextComparison::TextComparison(const std::string& leftPath, const std::string& rightPath, const Tolerance& tolerance,
                               bool exact)
    : tolerance_(tolerance), exact_(exact) {
    for (auto [side, path] : {std::pair{&left_, &leftPath}, std::pair{&right_, &rightPath}}) {
        side->index = std::make_unique<pal::LineIndex>(*path);
        side->index->keepLineHashes();
        side->fd = ::open(path->c_str(), O_RDONLY | O_CLOEXEC);
        if (side->fd < 0) {
            const pal::IoError e = pal::IoError::fromErrno(*path);
            if (left_.fd >= 0) ::close(left_.fd);
            throw e;
        }
    }
}

TextComparison::~TextComparison() {
    for (Side* s : {&left_, &right_})
        if (s->fd >= 0) ::close(s->fd);
}

double TextComparison::progress() const {
    if (complete_) return 1;
    const double total = double(left_.index->fileSize()) + double(right_.index->fileSize());
    if (total <= 0) return 0;
    // The indexed part of each side, in the share of its lines compared so far.
    const auto part = [](const pal::LineIndex& x, std::size_t at) {
        return x.lineCount() ? double(x.indexedBytes()) * double(std::min(at, x.lineCount())) / double(x.lineCount()) : 0.0;
    };
    return std::clamp((part(*left_.index, i_) + part(*right_.index, j_)) / total, 0.0, 1.0);
}

namespace {
std::size_t readAt(int fd, const std::string& path, std::uint64_t at, char* out, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd, out + got, n - got, static_cast<off_t>(at + got));
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) throw pal::IoError::fromErrno(path);
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return got;
}
}  // namespace

std::string TextComparison::lineText(Side& s, std::size_t line) {
    std::string text(std::min(s.index->lineLength(line), kLongestComparedLine), '\0');
    text.resize(readAt(s.fd, s.index->path(), s.index->lineStart(line), text.data(), text.size()));
    return text;
}

std::string_view TextComparison::cachedLine(Side& s, std::size_t k, std::size_t ahead) {
    if (k < s.first || k >= s.first + s.spans.size()) {
        // The lines from k on that fit in a megabyte (at least line k, cut to
        // what a comparison reads of a line), read at once.
        const std::size_t last = std::min(k + std::max<std::size_t>(ahead, 1), s.index->lineCount());
        const std::uint64_t start = s.index->lineStart(k);
        s.first = k;
        s.spans.clear();
        std::uint64_t end = start;
        for (std::size_t i = k; i < last; ++i) {
            const std::uint64_t at = s.index->lineStart(i);
            const std::size_t length = std::min(s.index->lineLength(i), kLongestComparedLine);
            if (i > k && at + length - start > (1u << 20) && i - k >= 2 * kFirstWindow) break;
            s.spans.emplace_back(static_cast<std::size_t>(at - start), length);
            end = at + length;
        }
        const bool longLines = end - start > (64u << 20);
        s.text.resize(longLines ? 0 : static_cast<std::size_t>(end - start));
        if (longLines) {
            // Long lines far apart: each read by itself.
            for (std::size_t i = 0; i < s.spans.size(); ++i) {
                const std::string t = lineText(s, k + i);
                s.spans[i] = {s.text.size(), t.size()};
                s.text += t;
            }
        } else {
            s.text.resize(readAt(s.fd, s.index->path(), start, s.text.data(), s.text.size()));
        }
    }
    const auto [offset, length] = s.spans[k - s.first];
    if (offset >= s.text.size()) return {};
    return std::string_view(s.text).substr(offset, length);
}

bool TextComparison::ready(Side& s, std::size_t k) { return k < s.index->lineCount() || s.index->complete(); }

std::size_t TextComparison::rowCount() const {
    return blocks_.empty() ? 0 : blocks_.back().firstRow + blocks_.back().rows();
}

void TextComparison::append(TextBlock::Kind kind, std::size_t leftCount, std::size_t rightCount) {
    if (!blocks_.empty()) {
        TextBlock& last = blocks_.back();
        const bool next = last.left + last.leftCount == i_ && last.right + last.rightCount == j_;
        if (next && last.kind == kind) {
            last.leftCount += leftCount;
            last.rightCount += rightCount;
            i_ += leftCount;
            j_ += rightCount;
            return;
        }
    }
    TextBlock b;
    b.kind = kind;
    b.left = i_;
    b.right = j_;
    b.leftCount = leftCount;
    b.rightCount = rightCount;
    b.firstRow = rowCount();
    blocks_.push_back(b);
    if (kind == TextBlock::Changed) ++differences_;
    i_ += leftCount;
    j_ += rightCount;
}

bool TextComparison::closeLines(std::size_t i, std::size_t j) {
    if (exact_) return false;
    const std::string_view l = cachedLine(left_, i), r = cachedLine(right_, j);
    const std::vector<TextToken> lt = tokenize(l), rt = tokenize(r);
    std::size_t a = 0, b = 0;
    for (;;) {
        while (a < lt.size() && lt[a].kind == TextToken::Blank) ++a;
        while (b < rt.size() && rt[b].kind == TextToken::Blank) ++b;
        if (a == lt.size() || b == rt.size()) return a == lt.size() && b == rt.size();
        const TextToken& x = lt[a++];
        const TextToken& y = rt[b++];
        if (l.substr(x.start, x.length) == r.substr(y.start, y.length)) continue;
        if (x.kind != TextToken::Number || y.kind != TextToken::Number || tolerance_.outside(x.value, y.value))
            return false;
    }
}

bool TextComparison::resync() {
    for (std::size_t w = window_;; w *= 4) {
        if (!ready(left_, i_ + w - 1) || !ready(right_, j_ + w - 1)) {
            window_ = w;
            return false;
        }
        const std::size_t aEnd = std::min(i_ + w, left_.index->lineCount());
        const std::size_t bEnd = std::min(j_ + w, right_.index->lineCount());
        const bool toEnds = aEnd == left_.index->lineCount() && left_.index->complete() &&
                            bEnd == right_.index->lineCount() && right_.index->complete();
        // The keys of the window's lines; the numbers of each side in one pool.
        std::vector<LineKey> keys[2];
        std::vector<double> pools[2];
        std::vector<std::size_t> offsets[2];
        const auto build = [&](Side& side, std::size_t from, std::size_t to, int n) {
            const auto& hashes = side.index->lineHashes();
            for (std::size_t k = from; k < to; ++k) {
                LineKey key;
                key.hash = hashes[k];
                offsets[n].push_back(pools[n].size());
                if (!exact_) key.shape = shapeOf(cachedLine(side, k, to - k), pools[n]);
                key.count = static_cast<std::uint32_t>(pools[n].size() - offsets[n].back());
                keys[n].push_back(key);
            }
            for (std::size_t k = 0; k < keys[n].size(); ++k) keys[n][k].numbers = pools[n].data() + offsets[n][k];
        };
        build(left_, i_, aEnd, 0);
        build(right_, j_, bEnd, 1);
        dtl::Diff<LineKey, std::vector<LineKey>, LineMatch> diff(keys[0], keys[1], LineMatch{&tolerance_, exact_});
        diff.compose();
        const auto ses = diff.getSes().getSequence();
        // The difference ends where a run of equal lines begins that lies in the
        // first half of the window (the end of a window may cut a difference short).
        const bool last = toEnds || w >= kLargestWindow;
        std::size_t stop = ses.size(), runStart = 0, run = 0;
        bool found = false;
        for (std::size_t k = 0; k < ses.size() && !found; ++k) {
            if (ses[k].second.type != dtl::SES_COMMON) {
                run = 0;
                continue;
            }
            if (run++ == 0) runStart = k;
            const auto& info = ses[runStart].second;
            const bool early = std::size_t(info.beforeIdx) <= w / 2 && std::size_t(info.afterIdx) <= w / 2;
            if (run >= kResyncRun && (early || last)) {
                stop = runStart;
                found = true;
            }
        }
        if (!found && !toEnds) {
            if (!last) continue;
            // The largest window without a resting point: its first half is taken.
            std::size_t k = 0;
            for (; k < ses.size(); ++k) {
                const auto& info = ses[k].second;
                if (std::size_t(std::max<long long>(info.beforeIdx, 0)) > w / 2 ||
                    std::size_t(std::max<long long>(info.afterIdx, 0)) > w / 2)
                    break;
            }
            stop = std::max<std::size_t>(k, 1);
        }
        for (std::size_t k = 0; k < stop; ++k) {
            switch (ses[k].second.type) {
            case dtl::SES_DELETE: append(TextBlock::Changed, 1, 0); break;
            case dtl::SES_ADD: append(TextBlock::Changed, 0, 1); break;
            default:
                append(left_.index->lineHashes()[i_] == right_.index->lineHashes()[j_] ? TextBlock::Same : TextBlock::Close, 1, 1);
                break;
            }
        }
        window_ = kFirstWindow;
        return true;
    }
}

bool TextComparison::alignSome() {
    pal::LineIndex& li = *left_.index;
    pal::LineIndex& ri = *right_.index;
    for (;;) {
        const std::size_t nl = li.lineCount(), nr = ri.lineCount();
        const bool leftEnd = i_ >= nl && li.complete(), rightEnd = j_ >= nr && ri.complete();
        if (leftEnd && rightEnd) {
            complete_ = true;
            return true;
        }
        if ((i_ >= nl && !li.complete()) || (j_ >= nr && !ri.complete())) return false;
        if (leftEnd) {
            append(TextBlock::Changed, 0, nr - j_);
            continue;
        }
        if (rightEnd) {
            append(TextBlock::Changed, nl - i_, 0);
            continue;
        }
        // Equal lines, as many as both sides have.
        const auto& lh = li.lineHashes();
        const auto& rh = ri.lineHashes();
        std::size_t n = 0;
        while (i_ + n < nl && j_ + n < nr && lh[i_ + n] == rh[j_ + n]) ++n;
        if (n) {
            append(TextBlock::Same, n, n);
            continue;
        }
        if (closeLines(i_, j_)) {
            append(TextBlock::Close, 1, 1);
            continue;
        }
        if (!resync()) return false;
    }
}

void TextComparison::indexAhead(std::size_t budget) {
    // The side that is behind the other (in lines ahead of the alignment) reads first.
    pal::LineIndex* sides[2] = {left_.index.get(), right_.index.get()};
    if (sides[0]->lineCount() - std::min(i_, sides[0]->lineCount()) >
        sides[1]->lineCount() - std::min(j_, sides[1]->lineCount()))
        std::swap(sides[0], sides[1]);
    for (pal::LineIndex* s : sides)
        if (!s->complete()) s->indexMore(budget / 2);
}

bool TextComparison::advance(std::size_t budget) {
    if (complete_) return true;
    if (!alignSome()) {
        indexAhead(budget);
        alignSome();
    }
    return complete_;
}

void TextComparison::runToEnd() {
    while (!advance(8u << 20)) {
    }
}

void TextComparison::advanceToRow(std::size_t rows) {
    while (!complete_ && rowCount() < rows) advance(1u << 20);
}

TextComparison::Row TextComparison::row(std::size_t i) const {
    auto it = std::upper_bound(blocks_.begin(), blocks_.end(), i,
                               [](std::size_t r, const TextBlock& b) { return r < b.firstRow; });
    const std::size_t bi = static_cast<std::size_t>(it - blocks_.begin()) - 1;
    const TextBlock& b = blocks_[bi];
    const std::size_t k = i - b.firstRow;
    Row r;
    r.block = bi;
    r.kind = b.kind;
    if (k < b.leftCount) r.left = b.left + k;
    if (k < b.rightCount) r.right = b.right + k;
    return r;
}

std::optional<std::size_t> TextComparison::nextDifference(std::size_t row) const {
    auto it = std::upper_bound(blocks_.begin(), blocks_.end(), row,
                               [](std::size_t r, const TextBlock& b) { return r < b.firstRow; });
    for (; it != blocks_.end(); ++it)
        if (it->kind == TextBlock::Changed) return it->firstRow;
    return std::nullopt;
}

std::optional<std::size_t> TextComparison::previousDifference(std::size_t row) const {
    auto it = std::lower_bound(blocks_.begin(), blocks_.end(), row,
                               [](const TextBlock& b, std::size_t r) { return b.firstRow < r; });
    while (it != blocks_.begin()) {
        --it;
        if (it->kind == TextBlock::Changed) return it->firstRow;
    }
    return std::nullopt;
}

}  // namespace cmp
