#include "run/runplan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include "common/bytes.h"
#include "common/textfile.h"

namespace run {

namespace {

std::string normal(const std::string& path) { return std::filesystem::path(path).lexically_normal().string(); }

// An ASSIGN file name as the engine reads it: "\" as "/", no drive, relative to
// the deck's directory.
std::string assigned(std::string name, const std::string& deckPath) {
    for (char& c : name)
        if (c == '\\') c = '/';
    if (name.size() >= 2 && name[1] == ':') name.erase(0, 2);
    if (!name.empty() && name[0] == '/') return normal(name);
    const std::string dir = pal::directoryPart(deckPath);
    return normal(dir.empty() ? name : dir + "/" + name);
}

std::string plural(int n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

}  // namespace

RunResultFiles resultFiles(const std::string& runDeckPath, const std::vector<std::string>& runDeckLines) {
    const std::string base = pal::baseName(runDeckPath);
    RunResultFiles f{normal(base + ".LST"), normal(base + ".OUT"), normal(base + ".PLT")};
    for (const std::string& line : runDeckLines) {
        if (pal::upper(line.substr(0, 3)) != "ASS") continue;
        const std::vector<std::string> w = pal::splitWords(line);
        if (w.size() < 2) continue;
        const std::string ext = pal::extensionTest(pal::fileNamePart(w[1]));
        if (ext == ".LST")
            f.listing = assigned(w[1], runDeckPath);
        else if (ext == ".PLT")
            f.plot = assigned(w[1], runDeckPath);
        else if (ext.rfind(".O", 0) == 0)
            f.output = assigned(w[1], runDeckPath);
    }
    return f;
}

std::vector<OutputClash> findOutputClashes(const std::vector<RunResultFiles>& runs) {
    std::map<std::string, int> writer;  // file -> first run writing it
    std::vector<OutputClash> clashes;
    std::map<std::string, bool> reported;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const int run = static_cast<int>(i) + 1;
        std::vector<std::string> files{runs[i].listing, runs[i].output, runs[i].plot};
        std::sort(files.begin(), files.end());
        files.erase(std::unique(files.begin(), files.end()), files.end());
        for (const std::string& f : files) {
            if (f.empty()) continue;
            const auto [it, fresh] = writer.emplace(f, run);
            if (!fresh && !reported[f]) {
                reported[f] = true;
                clashes.push_back({f, it->second, run});
            }
        }
    }
    std::stable_sort(clashes.begin(), clashes.end(),
                     [](const OutputClash& a, const OutputClash& b) { return a.firstRun < b.firstRun; });
    return clashes;
}

std::string clashMessage(const std::vector<OutputClash>& clashes) {
    std::string text = "The runs of this table would overwrite each other's results, so no run was started:";
    const std::size_t shown = std::min<std::size_t>(clashes.size(), 10);
    for (std::size_t i = 0; i < shown; ++i)
        text += "\n" + clashes[i].file + " (runs " + std::to_string(clashes[i].firstRun) + " and " +
                std::to_string(clashes[i].secondRun) + ")";
    if (clashes.size() > shown) text += "\nand " + plural(static_cast<int>(clashes.size() - shown), "more file", "more files");
    text += "\nGive these files the deck's own base name in its ASSIGN statements, so that each run numbers them.";
    return text;
}

TableRunPlan planRuns(const std::vector<std::string>& runDecks) {
    TableRunPlan plan;
    for (const std::string& deck : runDecks) plan.results.push_back(resultFiles(deck, pal::readLines(deck)));
    plan.clashes = findOutputClashes(plan.results);
    return plan;
}

bool hasEnded(RunPhase p) {
    switch (p) {
    case RunPhase::Waiting:
    case RunPhase::Pending:
    case RunPhase::Running: return false;
    default: return true;
    }
}

std::string clockText(double seconds) {
    const long long s = seconds > 0 ? static_cast<long long>(std::floor(seconds + 0.5)) : 0;
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

std::string statusText(const RunStatus& s, double now) {
    const std::string on = s.node.empty() ? std::string() : " on " + s.node;
    const double took = s.started >= 0 && s.ended >= 0 ? s.ended - s.started : -1;
    const std::string time = took >= 0 ? ", " + clockText(took) : std::string();
    switch (s.phase) {
    case RunPhase::Waiting: return "waiting";
    case RunPhase::Pending: return s.reason.empty() ? "pending" : "pending (" + s.reason + ")";
    case RunPhase::Running: return "running" + on + (s.started >= 0 ? " " + clockText(now - s.started) : std::string());
    case RunPhase::Done:
        return (s.node.empty() ? "done, exit code 0" : "completed" + on + ", exit code 0") + time;
    case RunPhase::Failed:
        if (s.exitCode < 0 && !s.reason.empty()) return "failed" + on + ": " + s.reason + time;
        return "failed" + on + ", exit code " + std::to_string(s.exitCode) + time;
    case RunPhase::NotStarted: return "failed to start: " + s.reason;
    case RunPhase::Stopped: return "stopped" + on + (took >= 0 ? " after " + clockText(took) : std::string());
    case RunPhase::Cancelled: return "cancelled" + on;
    case RunPhase::Lost: return "lost" + on + (s.reason.empty() ? std::string() : ": " + s.reason);
    }
    return {};
}

std::optional<double> estimateSecondsLeft(const std::vector<RunStatus>& runs, double now, int parallel) {
    double sum = 0;
    int ended = 0, waiting = 0, running = 0;
    double runningLeft = 0;
    for (const RunStatus& r : runs)
        if (r.phase == RunPhase::Done || r.phase == RunPhase::Failed) {
            if (r.started >= 0 && r.ended >= r.started) sum += r.ended - r.started, ++ended;
        }
    if (ended == 0) return std::nullopt;
    const double mean = sum / ended;
    for (const RunStatus& r : runs) {
        if (r.phase == RunPhase::Waiting || r.phase == RunPhase::Pending) {
            ++waiting;
        } else if (r.phase == RunPhase::Running) {
            ++running;
            runningLeft += std::max(0.0, mean - (r.started >= 0 ? now - r.started : 0.0));
        }
    }
    if (waiting + running == 0) return 0.0;
    const int lanes = std::max(1, std::min(parallel, waiting + running));
    return (waiting * mean + runningLeft) / lanes;
}

std::string summaryText(const std::vector<RunStatus>& runs, double elapsed) {
    const int total = static_cast<int>(runs.size());
    int normal = 0;
    std::vector<std::string> others;
    for (int i = 0; i < total; ++i) {
        const RunStatus& r = runs[static_cast<std::size_t>(i)];
        if (endedNormally(r)) {
            ++normal;
        } else if (r.phase == RunPhase::Failed || r.phase == RunPhase::NotStarted || r.phase == RunPhase::Lost) {
            others.push_back(std::to_string(i + 1));
        }
    }
    std::string text = std::to_string(normal) + " of " + plural(total, "run", "runs") + " ended normally in " +
                       clockText(elapsed);
    if (!others.empty()) {
        text += others.size() == 1 ? "; run " : "; runs ";
        for (std::size_t k = 0; k < others.size(); ++k) text += (k ? ", " : "") + others[k];
        text += " failed";
    }
    int stopped = 0;
    for (const RunStatus& r : runs) stopped += r.phase == RunPhase::Stopped || r.phase == RunPhase::Cancelled;
    if (stopped) text += "; " + plural(stopped, "run was", "runs were") + " cancelled";
    return text + ".";
}

std::string endLine(int run, const RunStatus& s, const std::string& listing) {
    std::string line = "Run " + std::to_string(run) + ": " + statusText(s, s.ended);
    if (s.phase == RunPhase::Failed && !listing.empty()) line += " (listing " + listing + ")";
    return line;
}

}  // namespace run
