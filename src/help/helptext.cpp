#include "help/helptext.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/bytes.h"
#include "common/diskfile.h"
#include "common/ioerror.h"
#include "common/textfile.h"

namespace pal {

namespace {
std::size_t findNoCase(const std::string& hay, const std::string& needle, std::size_t from) {
    if (needle.empty() || hay.size() < needle.size()) return std::string::npos;
    for (std::size_t i = from; i + needle.size() <= hay.size(); ++i) {
        bool same = true;
        for (std::size_t k = 0; k < needle.size() && same; ++k) {
            char a = hay[i + k], b = needle[k];
            if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
            if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
            same = a == b;
        }
        if (same) return i;
    }
    return std::string::npos;
}

// The next ".TOPIC" that begins a line (after blanks); the word inside a line
// of text is text.
std::size_t findMarkerLine(const std::string& bytes, std::size_t from) {
    for (std::size_t at = findNoCase(bytes, ".TOPIC", from); at != std::string::npos;
         at = findNoCase(bytes, ".TOPIC", at + 1)) {
        std::size_t k = at;
        while (k > 0 && (bytes[k - 1] == ' ' || bytes[k - 1] == '\t')) --k;
        if (k == 0 || bytes[k - 1] == '\n' || bytes[k - 1] == '\r') return at;
    }
    return std::string::npos;
}
}  // namespace

std::optional<std::string> topicText(const std::string& bytes, int topic) {
    const std::size_t marker = findNoCase(bytes, ".TOPIC", 0);
    if (marker == std::string::npos) return std::nullopt;
    // The first "=" directly followed by the topic's digits (compared over their
    // length, so "=12" also answers topic 1 when it comes first).
    const std::string digits = std::to_string(topic);
    std::size_t eq = marker;
    for (;;) {
        eq = bytes.find('=', eq);
        if (eq == std::string::npos) return std::nullopt;
        if (bytes.compare(eq + 1, digits.size(), digits) == 0) break;
        ++eq;
    }
    const std::size_t lineEnd = bytes.find('\n', eq);
    if (lineEnd == std::string::npos) return std::string();
    const std::size_t start = lineEnd + 1;
    std::size_t end = findMarkerLine(bytes, start);
    if (end == std::string::npos) end = bytes.size();
    // The marker's own line is not part of the text: stop at the start of that line.
    const std::size_t markerLine = bytes.rfind('\n', end == 0 ? 0 : end - 1);
    if (end != bytes.size() && markerLine != std::string::npos && markerLine + 1 >= start) end = markerLine + 1;

    // A line ends with CR LF or with a lone LF (files written on Linux).
    std::string out;
    for (std::size_t i = start; i < end; ++i) {
        const char c = bytes[i];
        const bool crlf = c == '\r' && i + 1 < end && bytes[i + 1] == '\n';
        if (crlf || c == '\n') {
            if (crlf) ++i;
            const char next = i + 1 < end ? bytes[i + 1] : '\0';
            if (next == ' ' || next == '\r' || next == '\n')
                out += '\n';
            else if (i + 1 < end)
                out += ' ';
        } else {
            out += c;
        }
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '\n')) out.pop_back();
    return out;
}

std::string topicFileFor(const std::string& quivetPath) {
    return baseName(quivetPath) + ".HLP";
}

IndexEntry parseIndexEntry(const std::string& title, const std::string& fileLine) {
    IndexEntry e;
    e.title = title;
    std::string s = fileLine;
    std::replace(s.begin(), s.end(), ',', ' ');
    std::replace(s.begin(), s.end(), '\t', ' ');
    std::size_t i = s.find_first_not_of(' ');
    if (i == std::string::npos) return e;
    std::size_t j = s.find(' ', i);
    e.file = s.substr(i, j == std::string::npos ? std::string::npos : j - i);
    if (j == std::string::npos) return e;
    i = s.find_first_not_of(' ', j);
    if (i == std::string::npos) return e;
    j = s.find(' ', i);
    e.picture = s.substr(i, j == std::string::npos ? std::string::npos : j - i);
    if (j == std::string::npos) return e;
    e.help = trim(s.substr(j));
    return e;
}

IndexFile readIndexFile(const std::string& path) {
    const auto lines = readLines(path);
    IndexFile f;
    for (std::size_t i = 0; i < 3 && i < lines.size(); ++i) f.titles[i] = lines[i];
    for (std::size_t i = 3; i < lines.size(); i += 2) {
        const std::string fileLine = i + 1 < lines.size() ? lines[i + 1] : std::string();
        if (trim(lines[i]).empty() && trim(fileLine).empty()) continue;
        f.entries.push_back(parseIndexEntry(lines[i], fileLine));
    }
    return f;
}

std::string reflowHelpText(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& raw : lines) {
        std::string line = raw;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) {
            out += "\n\n";
        } else {
            if (line.front() == ' ' && !out.empty() && out.back() != '\n') out += '\n';
            out += line;
            if (line.back() == '.')
                out += "  ";
            else if (line.back() != ' ')
                out += ' ';
        }
        if (out.size() >= kMaxHelpText) {
            out.resize(kMaxHelpText);
            break;
        }
    }
    return out;
}

bool isSystemHelpFile(const std::string& firstBytes) { return firstBytes.size() >= 2 && firstBytes[0] == '?' && firstBytes[1] == '_'; }

}  // namespace pal

namespace pal {

FileHead readFileHead(const std::string& path, std::size_t bytes) {
    const int fd = openForReading(path);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const IoError err = IoError::fromErrno(path);
        ::close(fd);
        throw err;
    }
    FileHead h;
    h.size = static_cast<std::uint64_t>(st.st_size);
    h.head.resize(bytes);
    std::size_t got = 0;
    while (got < bytes) {
        const ssize_t n = ::read(fd, h.head.data() + got, bytes - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const IoError err = IoError::fromErrno(path);
            ::close(fd);
            throw err;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    h.head.resize(got);
    return h;
}

}  // namespace pal
