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
#include "common/diskfile.h"
#include "common/ioerror.h"
#include "common/utf8check.h"
#include "common/textfile.h"

namespace plot {

namespace {


std::string trimSpaces(std::string_view s) {
    std::size_t a = 0, b = s.size();
    while (a < b && s[a] == ' ') ++a;
    while (b > a && s[b - 1] == ' ') --b;
    return std::string(s.substr(a, b - a));
}

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool isUpperLetter(char c) { return c >= 'A' && c <= 'Z'; }

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

std::vector<std::string> splitNames(std::string line) {
    std::vector<std::string> out;
    while (!line.empty() && out.size() < static_cast<std::size_t>(kMaxColumns)) {
        std::string tok = NextToken(line);
        if (!tok.empty()) out.push_back(tok.substr(0, kMaxColumnName));
    }
    return out;
}

bool gap(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

// A header line as read: without its end, cut to 255 characters.
std::string headLine(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return std::string(line.substr(0, 255));
}


enum class ValueRead { Ok, NotANumber, TooLarge };

// The number starting at p (not a gap), as a 6-byte real; p moves past it, or
// past the whole word when it is not a number.
ValueRead readValue(const char*& p, const char* end, double& v) {
    const char* const start = p;
    if (const char* q = quickDecimal(p, end, v)) {
        // Plain short decimals such as the engine's E15.7 (exact, see quickDecimal).
        p = q;
        return ValueRead::Ok;
    }
    // Only plain decimal notation: a sign, then a digit or a point (no inf, nan
    // or hex, which from_chars would take).
    const char* q = *p == '+' || *p == '-' ? p + 1 : p;
    const bool ok = q < end && ((*q >= '0' && *q <= '9') || *q == '.');
    auto res = std::from_chars(*p == '+' ? p + 1 : p, end, v);
    if (!ok) res.ptr = q;
    p = res.ptr;
    if (ok && res.ec == std::errc::result_out_of_range) {
        // Beyond the range of a double: far too large for a plot, or tiny (0).
        while (p < end && !gap(*p)) ++p;
        v = std::fabs(std::strtold(std::string(start, p).c_str(), nullptr)) > 1 ? HUGE_VAL : 0.0;
    } else if (!ok || res.ec != std::errc() || (p < end && !gap(*p))) {
        while (p < end && !gap(*p)) ++p;
        return ValueRead::NotANumber;
    }
    // The 6-byte real rounding inline where neither limit of its range can be
    // reached (binary exponents -128 to 125).
    const unsigned exponent = static_cast<unsigned>(std::bit_cast<std::uint64_t>(v) >> 52) & 0x7FF;
    if (exponent - 895u < 1149u - 895u) {
        v = roundToReal6Bits(v);
        return ValueRead::Ok;
    }
    try {
        v = toReal6Precision(v);
    } catch (const std::range_error&) {
        return ValueRead::TooLarge;
    }
    return ValueRead::Ok;
}

std::string badValueText(ValueRead why, std::string_view word, std::uint64_t row) {
    const std::string w = pal::printableQuote(word);
    return why == ValueRead::TooLarge
               ? "The number " + w + " in row " + std::to_string(row) + " is too large for a plot (at most about 1.7E38)"
               : "Invalid numeric format \"" + w + "\" in row " + std::to_string(row);
}

// The number reading of the row stream (PlotDataStream) on the reader's own.
enum class NumberFault { None, Invalid, TooLarge };

bool isGap(char ch) { return gap(ch); }

const char* readNumber(const char* p, const char* end, double& v, NumberFault& fault) {
    const ValueRead r = readValue(p, end, v);
    fault = r == ValueRead::Ok ? NumberFault::None : r == ValueRead::TooLarge ? NumberFault::TooLarge : NumberFault::Invalid;
    return p;
}

pal::IoError numberError(NumberFault fault, const std::string& path, std::string_view word, const std::string& where) {
    const std::string text = pal::printableQuote(word);
    if (fault == NumberFault::TooLarge)
        return pal::IoError(0, path, "The number " + text + " in " + where + " is too large for a plot (at most about 1.7E38)");
    return pal::IoError(0, path, "Invalid numeric format \"" + text + "\" in " + where);
}

constexpr std::size_t kBlockRows = 4096;

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

PlotDataReader::PlotDataReader(std::string path, Rows mode, std::uint64_t sizeHint)
    : path_(std::move(path)), mode_(mode), sizeHint_(sizeHint) {}

void PlotDataReader::readHead(std::string_view& piece) {
    // Line 1, then line 2 when line 1 is a header. A line is taken once it has
    // its end (the last piece before finish() may lack it); a line read as data
    // stays in the piece for the rows.
    const auto nextLine = [&](std::string_view& line) {
        const std::size_t nl = piece.find('\n');
        if (nl == std::string_view::npos && !finished_) return false;
        line = piece.substr(0, nl == std::string_view::npos ? piece.size() : nl + 1);
        return true;
    };
    std::string_view line;
    if (!t_.hasHeader) {
        if (!nextLine(line)) return;
        const std::string line1 = trimSpaces(headLine(line));
        t_.names = splitNames(line1);
        const auto letterAt = [&](std::size_t i) { return i < line1.size() && isUpperLetter(upperAscii(line1[i])); };
        if (!letterAt(0) && !letterAt(1)) {
            for (int k = 0; k < t_.columnCount(); ++k)
                t_.names[k] = k == 0 ? std::string("TIME") : "Col " + std::to_string(k + 1);
            t_.units.assign(t_.names.size(), std::string());
            rowsBefore_ = 1;
            headDone_ = true;
        } else {
            t_.hasHeader = true;
            piece.remove_prefix(line.size());
            bytes_ += line.size();
            ++lineNumber_;
        }
    }
    if (!headDone_) {
        if (!nextLine(line)) return;
        const std::string line2 = headLine(line);
        t_.units.assign(t_.names.size(), std::string());
        const std::vector<std::string> units = splitNames(line2);
        for (std::size_t k = 0; k < units.size() && k < t_.units.size(); ++k) t_.units[k] = units[k];
        t_.hasUnits = true;
        if (!line2.empty() && std::string_view("0123456789.+-").find(line2[0]) != std::string_view::npos) {
            std::fill(t_.units.begin(), t_.units.end(), std::string());
            t_.hasUnits = false;
            rowsBefore_ = 1;
        } else {
            piece.remove_prefix(line.size());
            bytes_ += line.size();
            ++lineNumber_;
        }
        headDone_ = true;
    }
    const int cols = t_.columnCount();
    t_.minimum.assign(cols, toReal6Precision(9.0E30L));
    t_.maximum.assign(cols, toReal6Precision(-9.0E30L));
    t_.values.assign(cols, RealColumn());
    block_.assign(kBlockRows * static_cast<std::size_t>(std::max(cols, 1)), 0.0);
    reserveRows(piece);
}

void PlotDataReader::reserveRows(std::string_view firstRow) {
    // As many rows as lines of the first row's length fill the file (never more
    // than its bytes could fill).
    const int cols = t_.columnCount();
    if (cols == 0 || sizeHint_ <= bytes_) return;
    const std::size_t nl = firstRow.find('\n');
    const std::uint64_t rest = sizeHint_ - bytes_;
    std::uint64_t guess = nl != std::string_view::npos ? rest / (nl + 1) + 16 : 16;
    guess = std::min<std::uint64_t>(guess, (sizeHint_ + 64) / static_cast<std::uint64_t>(cols) + 16);
    for (auto& column : t_.values) column.reserve(static_cast<std::size_t>(guess));
}

void PlotDataReader::feed(std::string_view piece) {
    std::string joined;
    if (!headDone_) {
        // A header line is read whole: a piece may end inside it only when it is
        // the last one (finish() takes it then).
        if (!headPending_.empty()) {
            joined = std::move(headPending_) + std::string(piece);
            headPending_.clear();
            piece = joined;
        }
        readHead(piece);
        if (!headDone_) {
            headPending_.assign(piece);
            return;
        }
    }
    feedRows(piece);
}

void PlotDataReader::feedRows(std::string_view piece) {
    if (piece.empty()) return;
    bytes_ += piece.size();
    const std::uint64_t ends = static_cast<std::uint64_t>(std::count(piece.begin(), piece.end(), '\n'));
    dataLines_ += ends + (piece.back() != '\n' ? 1 : 0);
    if (mode_ == Rows::Stream)
        streamRows(piece.data(), piece.data() + piece.size());
    else
        lineRows(piece.data(), piece.data() + piece.size());
    flushRows();  // the table holds every complete row read so far
}

void PlotDataReader::streamRows(const char* p, const char* end) {
    if (!error_.empty()) return;  // after a bad number only the lines are counted
    const int cols = t_.columnCount();
    if (cols == 0) return;  // no columns: every line is an empty row
    double* row = block_.data() + blockRows_ * static_cast<std::size_t>(cols);
    // The hot loop: straight over the bytes, one conversion per number.
    while (p < end) {
        while (p < end && gap(*p)) ++p;
        if (p == end) break;
        const char* const start = p;
        const ValueRead r = readValue(p, end, row[column_]);
        if (r != ValueRead::Ok) {
            error_ = badValueText(r, std::string_view(start, static_cast<std::size_t>(p - start)),
                                  static_cast<std::uint64_t>(t_.rowCount) + 1);
            return;
        }
        if (++column_ < cols) continue;
        column_ = 0;
        commitRow();
        row = block_.data() + blockRows_ * static_cast<std::size_t>(cols);
        // The rest of the line (numbers beyond the columns) is skipped.
        const void* nl = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
        p = nl ? static_cast<const char*>(nl) + 1 : end;
    }
}

void PlotDataReader::lineRows(const char* p, const char* end) {
    const int cols = t_.columnCount();
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* const lineEnd = nl ? nl : end;
        ++lineNumber_;
        double* const row = block_.data() + blockRows_ * static_cast<std::size_t>(std::max(cols, 1));
        int held = 0;
        std::string bad;
        // Numbers beyond the named columns are passed over, as a whole read does.
        for (const char* q = p; held < cols;) {
            while (q < lineEnd && gap(*q)) ++q;
            if (q == lineEnd) break;
            const char* const start = q;
            double v = 0;
            if (readValue(q, lineEnd, v) != ValueRead::Ok) {
                bad = pal::printableQuote(std::string_view(start, static_cast<std::size_t>(q - start)));
                break;
            }
            row[held++] = v;
        }
        if (!bad.empty())
            refuse("\"" + bad + "\" is not a number");
        else if (held != cols)
            refuse("it holds " + std::to_string(held) + " values, not " + std::to_string(cols));
        else
            commitRow();
        p = nl ? nl + 1 : end;
    }
}

void PlotDataReader::refuse(const std::string& why) {
    if (refusals_.size() < kNamedRefusals)
        refusals_.push_back("Line " + std::to_string(lineNumber_) + " of " + path_ + " is left out: " + why + ".");
    ++refused_;
}

void PlotDataReader::commitRow() {
    ++t_.rowCount;
    if (++blockRows_ == kBlockRows) flushRows();
}

void PlotDataReader::flushRows() {
    const std::size_t cols = t_.values.size();
    for (std::size_t c = 0; c < cols; ++c) {
        const double* const first = block_.data() + c;
        double lo = t_.minimum[c], hi = t_.maximum[c];
        for (std::size_t r = 0; r < blockRows_; ++r) {
            lo = std::min(lo, first[r * cols]);
            hi = std::max(hi, first[r * cols]);
        }
        t_.minimum[c] = lo;
        t_.maximum[c] = hi;
        t_.values[c].appendExact(first, blockRows_, cols);
    }
    // A row under way (Stream) goes on at the block's start.
    if (column_ > 0 && blockRows_ > 0)
        std::memmove(block_.data(), block_.data() + blockRows_ * cols, static_cast<std::size_t>(column_) * sizeof(double));
    blockRows_ = 0;
}

int PlotDataReader::checkedRows() {
    // Every line after the header lines is a row, and one more is counted when
    // none is left; header lines read as data are rows before those.
    const std::uint64_t left = std::max<std::uint64_t>(dataLines_ - std::min<std::uint64_t>(dataLines_, static_cast<std::uint64_t>(rowsBefore_)), 1);
    if (left > 100'000'000)
        throw pal::IoError(0, path_, "The plot data file has more rows than a plot can take (" + std::to_string(left) + ")");
    const int rows = rowsBefore_ + static_cast<int>(left);
    // A damaged file (a long run of empty lines under a wide header) would ask for
    // rows far beyond what its bytes can fill; a real file needs two bytes a value.
    const std::uint64_t wanted = static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(t_.columnCount());
    if (wanted > bytes_ + 64)
        throw pal::IoError(0, path_, "The plot data file is damaged: it has " + std::to_string(rows) +
                                         " lines but too few numbers for its " + std::to_string(t_.columnCount()) + " columns");
    return rows;
}

void PlotDataReader::finish() {
    if (finished_) return;
    finished_ = true;
    if (!headDone_) {
        const std::string rest = std::move(headPending_);
        headPending_.clear();
        std::string_view piece = rest;
        readHead(piece);
        feedRows(piece);
    }
    // Reading past the end gives 0: a row cut short is completed with zeros.
    if (mode_ == Rows::Stream && error_.empty() && column_ > 0) {
        double* const row = block_.data() + blockRows_ * t_.values.size();
        for (int c = column_; c < t_.columnCount(); ++c) row[c] = 0.0;
        column_ = 0;
        commitRow();
    }
    flushRows();
    // Each committed row began with a number of the file; the rows added below
    // (no row at all, empty lines at the end) hold none.
    t_.rowsRead = t_.rowCount;
    if (mode_ == Rows::Lines && refused_ > 0) return;  // the rows stand as read
    const int rows = checkedRows();  // a damaged file is told before a bad number in it
    if (!error_.empty()) throw pal::IoError(0, path_, error_);
    // Rows beyond the numbers (empty lines at the end) are rows of zeros.
    for (int c = 0; c < t_.columnCount(); ++c) {
        if (t_.values[c].size() >= static_cast<std::size_t>(rows)) continue;
        t_.values[c].resize(static_cast<std::size_t>(rows), 0.0);
        t_.minimum[c] = std::min(t_.minimum[c], 0.0);
        t_.maximum[c] = std::max(t_.maximum[c], 0.0);
    }
    t_.rowCount = rows;
}

PlotDataTable parsePlotData(std::string_view bytes, const std::string& path) {
    PlotDataReader reader(path, PlotDataReader::Rows::Stream, bytes.size());
    reader.feed(bytes);
    reader.finish();
    return reader.take();
}

PlotDataTable ReadPlt(const std::string& path) { return *ReadPlt(path, {}); }

std::optional<PlotDataTable> ReadPlt(const std::string& path, const std::function<bool(double)>& progress) {
    // Read in pieces of whole lines: memory holds the values, never the text (a
    // year of one-minute rows is some 80 MB of text).
    const int fd = pal::openForReading(path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size <= 0) {
        ::close(fd);
        return parsePlotData(pal::readFileBytes(path), path);  // the general reader's rules and messages
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    PlotDataReader reader(path, PlotDataReader::Rows::Stream, static_cast<std::uint64_t>(st.st_size));
    constexpr std::size_t kPiece = 4u << 20;
    std::vector<char> buffer(kPiece);
    std::size_t held = 0;  // bytes of a line not yet ended at the buffer's start
    std::uint64_t done = 0;
    for (;;) {
        if (held == buffer.size()) buffer.resize(buffer.size() * 2);  // a line longer than a piece
        const ssize_t n = ::read(fd, buffer.data() + held, buffer.size() - held);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw pal::IoError::fromErrno(path);
        if (n == 0) break;
        const std::size_t filled = held + static_cast<std::size_t>(n);
        const void* last = ::memrchr(buffer.data(), '\n', filled);
        const std::size_t take = last ? static_cast<std::size_t>(static_cast<const char*>(last) - buffer.data()) + 1 : 0;
        if (take) reader.feed(std::string_view(buffer.data(), take));
        held = filled - take;
        if (held) std::memmove(buffer.data(), buffer.data() + take, held);
        done += static_cast<std::uint64_t>(n);
        if (progress && !progress(static_cast<double>(done) / static_cast<double>(st.st_size))) return std::nullopt;
    }
    if (held) reader.feed(std::string_view(buffer.data(), held));
    reader.finish();
    return reader.take();
}

namespace {
constexpr std::size_t kStreamBlock = 1 << 20;
constexpr std::size_t kLongestRow = 16 << 20;  // far beyond any row of numbers
}  // namespace

PlotDataStream::PlotDataStream(const std::string& path) : path_(path) {
    fd_ = pal::openForReading(path);  // a pipe or a device named like the file is refused
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        const pal::IoError e = pal::IoError::fromErrno(path);
        ::close(fd_);
        throw e;
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
    if (n < cols) {
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
