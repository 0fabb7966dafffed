#include "plot/plotdata.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <stdexcept>

#include "common/codecs.h"
#include "common/ioerror.h"
#include "common/textfile.h"

namespace plot {

namespace {

constexpr int kInvalidNumber = 106;  // the file layer's "Invalid numeric format"

std::string trimSpaces(std::string_view s) {
    std::size_t a = 0, b = s.size();
    while (a < b && s[a] == ' ') ++a;
    while (b > a && s[b - 1] == ' ') --b;
    return std::string(s.substr(a, b - a));
}

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool isUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }

// A cursor over the file's bytes with the text-file operations the reader needs.
class TextCursor {
public:
    explicit TextCursor(std::string_view bytes) : b_(bytes) {}
    bool eof() const { return p_ >= b_.size(); }
    // One line without its end (LF or CR LF), cut to 255 characters.
    std::string readLine() {
        const std::size_t start = p_;
        while (p_ < b_.size() && b_[p_] != '\n') ++p_;
        std::size_t end = p_;
        if (end > start && b_[end - 1] == '\r') --end;
        if (p_ < b_.size()) ++p_;
        return std::string(b_.substr(start, std::min<std::size_t>(end - start, 255)));
    }
    void skipLine() {
        if (p_ >= b_.size()) return;
        const void* nl = std::memchr(b_.data() + p_, '\n', b_.size() - p_);
        p_ = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - b_.data()) + 1 : b_.size();
    }
    std::size_t position() const { return p_; }
    // Blank- or tab-separated words on the next line, which is not consumed.
    std::size_t wordsOnLine() const {
        std::size_t n = 0;
        bool inWord = false;
        for (std::size_t i = p_; i < b_.size() && b_[i] != '\n'; ++i) {
            const bool blank = b_[i] == ' ' || b_[i] == '\t' || b_[i] == '\r';
            if (!blank && !inWord) ++n;
            inWord = !blank;
        }
        return n;
    }

private:
    std::string_view b_;
    std::size_t p_ = 0;
};

// The double's 52-bit fraction rounded to the 39 bits of the 6-byte real: ties
// to even without a branch, the carry out of the 13 dropped bits moving into
// the exponent as it should. The range of the 6-byte real is not checked.
double roundToReal6Bits(double v) {
    std::uint64_t b = std::bit_cast<std::uint64_t>(v);
    const std::uint64_t low = b & 0x1FFF, even = (b >> 13) & 1;
    b = (b & ~std::uint64_t(0x1FFF)) + ((low + 0xFFF + even) & 0x2000);
    return std::bit_cast<double>(b);
}

// A number of the form [sign] digits [. digits] [E|e [sign] digits] with at
// most 15 significant digits and a power of ten within 10^22, converted in one
// correctly rounded operation (the integer of the digits and the power of ten
// are exact doubles), rounded to the 6-byte real as any other value and
// followed by a blank or the end: the very value from_chars gives, at a
// fraction of its cost. Returns the end of the number, or nullptr where the
// general path must decide (other forms, errors, zero, edge values).
const char* quickDecimal(const char* p, const char* end, double& out) {
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const bool negative = *p == '-';
    if (negative || *p == '+') ++p;
    std::uint64_t digits = 0;
    int count = 0, scale = 0;
    bool any = false;
    while (p < end && *p == '0') ++p, any = true;  // leading zeros are not significant
    for (; p < end && *p >= '0' && *p <= '9'; ++p, any = true) {
        if (++count > 15) return nullptr;
        digits = digits * 10 + static_cast<unsigned>(*p - '0');
    }
    if (p < end && *p == '.') {
        ++p;
        if (digits == 0)
            for (; p < end && *p == '0'; ++p, any = true) --scale;
        for (; p < end && *p >= '0' && *p <= '9'; ++p, any = true) {
            if (++count > 15) return nullptr;
            digits = digits * 10 + static_cast<unsigned>(*p - '0');
            --scale;
        }
    }
    if (!any || digits == 0) return nullptr;
    if (p < end && (*p == 'E' || *p == 'e')) {
        ++p;
        const bool minus = p < end && *p == '-';
        if (p < end && (*p == '-' || *p == '+')) ++p;
        int e = 0, n = 0;
        for (; p < end && *p >= '0' && *p <= '9'; ++p)
            if (++n > 3) return nullptr;
            else e = e * 10 + (*p - '0');
        if (n == 0) return nullptr;
        scale += minus ? -e : e;
    }
    if (p < end && !(*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')) return nullptr;
    if (scale < -22 || scale > 22) return nullptr;
    const double m = static_cast<double>(digits);
    double v = scale < 0 ? m / kPowers[-scale] : m * kPowers[scale];
    if (!(v < 1e37)) return nullptr;  // near the 6-byte real's limit: the general path
    v = roundToReal6Bits(v);
    out = negative ? -v : v;
    return p;
}

std::vector<std::string> splitNames(std::string line, std::size_t most = kMaxColumns) {
    std::vector<std::string> out;
    while (!line.empty() && out.size() < most) {
        std::string tok = NextToken(line);
        if (!tok.empty()) out.push_back(tok.substr(0, kMaxColumnName));
    }
    return out;
}

bool isGap(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

enum class NumberFault { None, Invalid, TooLarge };

// The general path of readNumber: any decimal notation from_chars takes, the
// 6-byte real's range checked.
[[gnu::noinline]] const char* readNumberSlowly(const char* p, const char* end, double& v, NumberFault& fault) {
    const char* const start = p;
    // Only plain decimal notation: a sign, then a digit or a point (no inf, nan
    // or hex, which from_chars would take).
    const char* q = *p == '+' || *p == '-' ? p + 1 : p;
    const bool ok = q < end && ((*q >= '0' && *q <= '9') || *q == '.');
    auto res = std::from_chars(*p == '+' ? p + 1 : p, end, v);
    if (!ok) res.ptr = q;
    p = res.ptr;
    if (ok && res.ec == std::errc::result_out_of_range) {
        // Beyond the range of a double: far too large for a plot, or tiny (0).
        while (p < end && !isGap(*p)) ++p;
        v = std::fabs(std::strtold(std::string(start, p).c_str(), nullptr)) > 1 ? HUGE_VAL : 0.0;
    } else if (!ok || res.ec != std::errc() || (p < end && !isGap(*p))) {
        while (p < end && !isGap(*p)) ++p;
        fault = NumberFault::Invalid;
        return p;
    }
    // The 6-byte real rounding inline where neither limit of its range can be
    // reached (binary exponents -128 to 125).
    const unsigned exponent = static_cast<unsigned>(std::bit_cast<std::uint64_t>(v) >> 52) & 0x7FF;
    if (exponent - 895u < 1149u - 895u) {
        v = roundToReal6Bits(v);
    } else {
        try {
            v = toReal6Precision(v);
        } catch (const std::range_error&) {
            fault = NumberFault::TooLarge;
        }
    }
    return p;
}

// One number at p (p < end, not a gap), rounded to the 6-byte real: returns
// its end, or on a fault the end of the word that is not a plot value.
inline const char* readNumber(const char* p, const char* end, double& v, NumberFault& fault) {
    fault = NumberFault::None;
    if (const char* q = quickDecimal(p, end, v)) return q;  // plain short decimals such as E15.7
    return readNumberSlowly(p, end, v, fault);
}

pal::IoError numberError(NumberFault fault, const std::string& path, std::string_view word, const std::string& where) {
    const std::string text(word.substr(0, 40));
    if (fault == NumberFault::TooLarge)
        return pal::IoError(0, path, "The number " + text + " in " + where + " is too large for a plot (at most about 1.7E38)");
    return pal::IoError(kInvalidNumber, path, "Invalid numeric format \"" + text + "\" in " + where);
}

}  // namespace

std::string NextToken(std::string& line) {
    const std::size_t pos = line.find_first_of(" ,\t");
    std::string token;
    if (pos == std::string::npos) {
        token = line;
        line.clear();
    } else {
        token = line.substr(0, pos);
        line = trimSpaces(std::string_view(line).substr(pos + 1));
    }
    return token;
}

double toReal6Precision(long double value) {
    // Rounds the double's 52-bit fraction to the 39 bits of the 6-byte real
    // (ties to even; a carry moves into the exponent as it should).
    const double v = static_cast<double>(value);
    if (std::isnan(v)) return 0.0;
    const double r = roundToReal6Bits(v);
    if (!(std::fabs(r) < 0x1p127)) throw std::range_error("value out of range of the 6-byte real");
    if (std::fabs(r) < 0x1p-128) return 0.0;
    return r;
}

PlotDataTable parsePlotData(std::string_view bytes, const std::string& path) {
    PlotDataTable t;
    TextCursor in(bytes);
    const std::string line1 = trimSpaces(in.readLine());
    t.names = splitNames(line1);
    t.hasHeader = true;
    const auto letterAt = [&](std::size_t i) { return i < line1.size() && isUpperLetter(upperAscii(line1[i])); };
    if (!letterAt(0) && !letterAt(1)) {
        for (int k = 0; k < t.columnCount(); ++k)
            t.names[k] = k == 0 ? std::string("TIME") : "Col " + std::to_string(k + 1);
        t.hasHeader = false;
        t.rowCount = 1;
    }
    t.units.assign(t.names.size(), std::string());
    if (t.hasHeader) {
        const std::string line2 = in.readLine();
        std::vector<std::string> units = splitNames(line2);
        t.hasUnits = true;
        for (std::size_t k = 0; k < units.size() && k < t.units.size(); ++k) t.units[k] = units[k];
        if (!line2.empty() && std::string_view("0123456789.+-").find(line2[0]) != std::string_view::npos) {
            std::fill(t.units.begin(), t.units.end(), std::string());
            t.hasUnits = false;
            t.rowCount += 1;
        }
    }
    // A header that names fewer columns than the rows hold (a name line cut at 255
    // characters) would put the names over the wrong columns: refused.
    if (t.hasHeader) {
        const std::size_t named = splitNames(line1, SIZE_MAX).size();
        TextCursor row(bytes);
        row.skipLine();
        if (t.hasUnits) row.skipLine();
        const std::size_t held = row.wordsOnLine();
        if (named < static_cast<std::size_t>(kMaxColumns) && held > named)
            throw pal::IoError(0, path, "The plot data file's header line names " + std::to_string(named) +
                                            " columns, but its first row holds " + std::to_string(held) +
                                            " values: the columns cannot be named");
    }
    // Every line left is a row, and one more is counted when none is left. The
    // lines are counted while the rows are read (no pass of its own); the rows
    // before the counted part are those of the header lines read as data.
    const int cols = t.columnCount();
    const int rowsBefore = t.rowCount;
    const std::size_t countFrom = in.position();
    const auto checkRows = [&](std::size_t left) {
        left = std::max<std::size_t>(left, 1);
        if (left > 100'000'000)
            throw pal::IoError(0, path, "The plot data file has more rows than a plot can take (" + std::to_string(left) + ")");
        const int rows = rowsBefore + static_cast<int>(left);
        // A damaged file (a long run of empty lines under a wide header) would ask for
        // rows far beyond what its bytes can fill; a real file needs two bytes a value.
        const std::size_t wanted = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
        if (wanted > bytes.size() + 64)
            throw pal::IoError(0, path, "The plot data file is damaged: it has " + std::to_string(rows) +
                                            " lines but too few numbers for its " + std::to_string(cols) + " columns");
        return rows;
    };

    const double lo0 = toReal6Precision(9.0E30L), hi0 = toReal6Precision(-9.0E30L);
    t.minimum.assign(cols, lo0);
    t.maximum.assign(cols, hi0);
    t.values.assign(cols, std::vector<double>());

    TextCursor data(bytes);
    if (t.hasHeader) data.skipLine();
    if (t.hasUnits) data.skipLine();
    const char* const begin = bytes.data();
    const char* p = begin + data.position();
    const char* const end = begin + bytes.size();
    // Line ends before the counted part are not rows of their own.
    const std::size_t endsBefore =
        static_cast<std::size_t>(std::count(p, begin + std::max(countFrom, data.position()), '\n'));
    // The columns are reserved once, for as many rows as lines of the first row's
    // length fit (never more than the bytes could fill).
    {
        const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        const std::size_t lineLength = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - p) + 1 : 0;
        const std::size_t rest = static_cast<std::size_t>(end - p);
        std::size_t guess = lineLength ? rest / lineLength + 16 : 16;
        guess = std::min(guess, (bytes.size() + 64) / static_cast<std::size_t>(std::max(cols, 1)) + 16);
        for (auto& column : t.values) column.reserve(guess);
    }
    std::vector<double>* const out = t.values.data();
    double* const lo = t.minimum.data();
    double* const hi = t.maximum.data();
    std::size_t ends = 0;  // line ends passed
    const auto linesLeftAt = [&](const char* at) {
        // Lines from the counted part's start, were the file read to its end from at.
        if (countFrom >= bytes.size()) return std::size_t(0);
        const std::size_t more = static_cast<std::size_t>(std::count(at, end, '\n'));
        return ends + more - endsBefore + (bytes.back() != '\n' ? 1 : 0);
    };
    // The hot loop: straight over the bytes, one conversion per number.
    for (int r = 0; p < end; ++r) {
        for (int c = 0; c < cols; ++c) {
            while (p < end && isGap(*p)) ends += *p++ == '\n';
            double v = 0;  // reading at the end of the file gives 0
            if (p < end) {
                const char* const start = p;
                NumberFault fault;
                p = readNumber(p, end, v, fault);
                if (fault != NumberFault::None) {
                    checkRows(linesLeftAt(p));  // a file too damaged to hold is reported as such first
                    throw numberError(fault, path, std::string_view(start, static_cast<std::size_t>(p - start)),
                                      "row " + std::to_string(r + 1));
                }
            }
            out[c].push_back(v);
            lo[c] = std::min(lo[c], v);
            hi[c] = std::max(hi[c], v);
        }
        // The rest of the line (numbers beyond the columns) is skipped.
        if (p < end) {
            const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
            p = nl ? static_cast<const char*>(nl) + 1 : end;
            ends += nl != nullptr;
        }
    }
    t.rowCount = checkRows(linesLeftAt(end));
    // Rows beyond the numbers (empty lines at the end) are rows of zeros.
    for (int c = 0; c < cols; ++c) {
        if (t.values[c].size() >= static_cast<std::size_t>(t.rowCount)) continue;
        t.values[c].resize(static_cast<std::size_t>(t.rowCount), 0.0);
        lo[c] = std::min(lo[c], 0.0);
        hi[c] = std::max(hi[c], 0.0);
    }
    return t;
}

PlotDataTable ReadPlt(const std::string& path) {
    // One read straight into a buffer of the file's size: a year of one-minute
    // rows is some 80 MB, and a second copy would cost as much as the parsing.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw pal::IoError::fromErrno(path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || st.st_size <= 0) {
        ::close(fd);
        return parsePlotData(pal::readFileBytes(path), path);  // the general reader's rules and messages
    }
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    std::unique_ptr<char[]> buf(new char[size]);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buf.get() + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const pal::IoError err = pal::IoError::fromErrno(path);
            ::close(fd);
            throw err;
        }
        if (n == 0) break;  // the file shrank meanwhile: read what is there
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return parsePlotData(std::string_view(buf.get(), got), path);
}

}  // namespace plot

namespace plot {

namespace {
constexpr std::size_t kStreamBlock = 1 << 20;
constexpr std::size_t kLongestRow = 16 << 20;  // far beyond any row of numbers
}  // namespace

PlotDataStream::PlotDataStream(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw pal::IoError::fromErrno(path);
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int e = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd_);
        errno = e;
        throw pal::IoError::fromErrno(path);
    }
    fileSize_ = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    buffer_.resize(kStreamBlock);
    try {
        while (fill() && std::count(buffer_.data() + begin_, buffer_.data() + end_, '\n') < 3) {
        }
        // The header lines and the row after them, read by the whole-file rules
        // (no further row: a fault there is the row's, named by its line).
        const char* b = buffer_.data() + begin_;
        const std::size_t n = end_ - begin_;
        const auto firstLines = [&](int count) {
            std::size_t cut = 0;
            for (int lines = 0; lines < count && cut < n; ++lines) {
                const void* nl = std::memchr(b + cut, '\n', n - cut);
                cut = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - b) + 1 : n;
            }
            return parsePlotData(std::string_view(b, cut), path);
        };
        header_ = firstLines(1);
        if (header_.hasHeader) header_ = firstLines(2);
        if (header_.hasUnits) header_ = firstLines(3);
        header_.values.clear();
        header_.minimum.clear();
        header_.maximum.clear();
        header_.rowCount = 0;
        for (int skip = int(header_.hasHeader) + int(header_.hasUnits); skip > 0; --skip, ++line_) {
            const void* nl = std::memchr(buffer_.data() + begin_, '\n', end_ - begin_);
            begin_ = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - buffer_.data()) + 1 : end_;
        }
    } catch (...) {
        ::close(fd_);
        throw;
    }
}

PlotDataStream::~PlotDataStream() {
    if (fd_ >= 0) ::close(fd_);
}

bool PlotDataStream::fill() {
    if (eof_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buffer_.size()) {
        if (buffer_.size() >= kLongestRow)
            throw pal::IoError(0, path_, "Line " + std::to_string(line_ + 1) + " is too long for a row of plot data");
        buffer_.resize(buffer_.size() * 2);
    }
    while (end_ < buffer_.size()) {
        const ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw pal::IoError::fromErrno(path_);
        if (n == 0) {
            eof_ = true;
            break;
        }
        end_ += static_cast<std::size_t>(n);
    }
    return true;
}

void PlotDataStream::parseLine(const char* p, const char* end, std::vector<std::vector<double>>& columns) {
    ++line_;
    const std::size_t cols = columns.size();
    std::size_t n = 0;
    for (;;) {
        while (p < end && isGap(*p)) ++p;
        if (p >= end) break;
        const char* const start = p;
        double v = 0;
        NumberFault fault;
        p = readNumber(p, end, v, fault);
        if (fault != NumberFault::None) {
            for (std::size_t c = 0; c < std::min(n, cols); ++c) columns[c].pop_back();
            throw numberError(fault, path_, std::string_view(start, static_cast<std::size_t>(p - start)),
                              "line " + std::to_string(line_));
        }
        if (n < cols) columns[n].push_back(v);
        ++n;
    }
    if (n == 0) return;  // an empty line
    if (n < cols || (n > cols && cols < static_cast<std::size_t>(kMaxColumns))) {
        for (std::size_t c = 0; c < std::min(n, cols); ++c) columns[c].pop_back();
        throw pal::IoError(0, path_, "Line " + std::to_string(line_) + " holds " + std::to_string(n) +
                                         (n == 1 ? " value" : " values") + ", but the file has " +
                                         std::to_string(cols) + " columns");
    }
    ++rows_;
}

bool PlotDataStream::next(std::vector<std::vector<double>>& columns, std::size_t mostRows) {
    columns.resize(static_cast<std::size_t>(columnCount()));
    if (begin_ == end_ && !fill()) return false;
    const char* const b = buffer_.data();
    const char* p = b + begin_;
    const char* const e = b + end_;
    const void* last = ::memrchr(p, '\n', static_cast<std::size_t>(e - p));
    if (last) {
        const char* const stop = static_cast<const char*>(last) + 1;
        const std::size_t until = mostRows == SIZE_MAX ? SIZE_MAX : rows_ + mostRows;
        while (p < stop && rows_ < until) {
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(stop - p)));
            parseLine(p, nl, columns);
            p = nl + 1;
        }
        begin_ = static_cast<std::size_t>(p - b);
    } else if (eof_) {
        parseLine(p, e, columns);  // the last line has no line end
        begin_ = end_;
        return false;
    }
    return fill() || begin_ < end_;
}

}  // namespace plot
