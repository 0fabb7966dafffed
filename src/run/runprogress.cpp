#include "run/runprogress.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/bytes.h"

namespace run {

namespace {

std::optional<double> number(const std::string& word) {
    double v = 0;
    const char* b = word.data() + (!word.empty() && word[0] == '+' ? 1 : 0);
    const char* e = word.data() + word.size();
    const auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::string w;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r') {
            if (!w.empty()) out.push_back(std::move(w));
            w.clear();
        } else {
            w += c;
        }
    }
    if (!w.empty()) out.push_back(std::move(w));
    return out;
}

// A number as a short text: "72", "0.05", "1.5E+06".
std::string shortText(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

}  // namespace

std::optional<SimulationSpan> simulationSpan(const std::string& deckText) {
    // NAME = number lines (CONSTANTS or EQUATIONS that are plain numbers), the
    // last definition of a name counting, as in the engine.
    std::map<std::string, double> constants;
    std::optional<SimulationSpan> span;
    std::size_t at = 0;
    while (at < deckText.size()) {
        std::size_t end = deckText.find('\n', at);
        if (end == std::string::npos) end = deckText.size();
        std::string line = deckText.substr(at, end - at);
        at = end + 1;
        if (line.empty() || line[0] == '*') continue;
        std::string remark;
        if (const std::size_t bang = line.find('!'); bang != std::string::npos) {
            remark = line.substr(bang + 1);
            line.erase(bang);
        }
        const std::vector<std::string> w = words(line);
        if (w.empty()) continue;
        if (pal::upper(w[0].substr(0, 3)) == "SIM" && w.size() >= 3) {
            const auto value = [&](const std::string& word) -> std::optional<double> {
                if (auto v = number(word)) return v;
                const auto found = constants.find(pal::upper(word));
                return found == constants.end() ? std::nullopt : std::optional<double>(found->second);
            };
            const auto start = value(w[1]), stop = value(w[2]);
            if (!start || !stop || !(*stop > *start)) return std::nullopt;
            SimulationSpan s{*start, *stop, {}};
            const std::size_t open = remark.find('['), close = remark.find(']');
            if (open != std::string::npos && close != std::string::npos && close > open)
                s.unit = pal::trim(remark.substr(open + 1, close - open - 1));
            span = s;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string name = pal::upper(pal::trim(line.substr(0, eq)));
        if (const auto v = number(pal::trim(line.substr(eq + 1)))) constants[name] = *v;
    }
    return span;
}

std::optional<double> lastRowTime(const std::string& plotDataPath) {
    const int fd = ::open(plotDataPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::string tail(512, '\0');
    ssize_t n = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        const off_t from = std::max<off_t>(0, st.st_size - static_cast<off_t>(tail.size()));
        n = ::pread(fd, tail.data(), tail.size(), from);
    }
    ::close(fd);
    if (n <= 0) return std::nullopt;
    tail.resize(static_cast<std::size_t>(n));
    // The last line that has its end; the bytes after it are still being written.
    const std::size_t lastEnd = tail.rfind('\n');
    if (lastEnd == std::string::npos || lastEnd == 0) return std::nullopt;
    const std::size_t before = tail.rfind('\n', lastEnd - 1);
    if (before == std::string::npos && tail.size() == 512) return std::nullopt;  // a line longer than the tail
    const std::string line = tail.substr(before == std::string::npos ? 0 : before + 1, lastEnd - (before == std::string::npos ? 0 : before + 1));
    const std::vector<std::string> w = words(line);
    if (w.empty()) return std::nullopt;
    return number(w[0]);
}

RunProgress runProgress(std::optional<double> time, const std::optional<SimulationSpan>& span, double elapsedSeconds) {
    RunProgress p;
    if (!time) return p;
    p.text = "TIME " + shortText(*time);
    if (!span) return p;
    const double done = std::clamp((*time - span->start) / (span->stop - span->start), 0.0, 1.0);
    p.permille = static_cast<int>(std::floor(done * 1000));
    p.text += " of " + shortText(span->stop) + (span->unit.empty() ? "" : " " + span->unit) + " (" +
              std::to_string(p.permille / 10) + " %)";
    // The pace so far, once there is some of it to judge by.
    if (done > 0 && done < 1 && elapsedSeconds >= 1) {
        const double left = elapsedSeconds * (1 - done) / done;
        const long seconds = std::lround(left);
        p.text += seconds < 60    ? ", about " + std::to_string(std::max(1L, seconds)) + " s left"
                  : seconds < 3600 ? ", about " + std::to_string((seconds + 30) / 60) + " min left"
                                   : ", about " + shortText(std::round(left / 360) / 10) + " h left";
    }
    return p;
}

}  // namespace run
