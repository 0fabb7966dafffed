#include "study/collect.h"

#include <charconv>
#include <cmath>

#include <sys/stat.h>

#include "common/bytes.h"
#include "common/filelookup.h"
#include "common/ioerror.h"
#include "common/textfile.h"
#include "plot/plotdata.h"
#include "run/runplan.h"
#include "table/rundecks.h"

namespace study {

namespace {

// Rows per block: a few hundred kilobytes of values, however long the run.
constexpr std::size_t kBlockRows = 8192;

std::string csvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string tabField(std::string s) {
    for (char& c : s)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return s;
}

std::vector<std::vector<std::string>> rowsOf(const StudyResults& r, const std::vector<std::size_t>& order) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> head{"run"};
    head.insert(head.end(), r.variables.begin(), r.variables.end());
    for (const Metric& m : r.metrics) head.push_back(m.text());
    head.push_back("status");
    rows.push_back(std::move(head));
    const auto add = [&](std::size_t i) {
        const RunResult& run = r.runs[i];
        std::vector<std::string> row{std::to_string(run.run)};
        for (std::size_t k = 0; k < r.variables.size(); ++k) {
            const long double v = i < r.inputs.size() && k < r.inputs[i].size() ? r.inputs[i][k] : pal::kUndefinedValue;
            row.push_back(std::fabs(v) < table::kDefinedLimit ? inputText(v) : std::string());
        }
        for (std::size_t k = 0; k < r.metrics.size(); ++k)
            row.push_back(!run.failed && k < run.values.size() && run.values[k] ? valueText(*run.values[k]) : std::string());
        row.push_back(run.status);
        rows.push_back(std::move(row));
    };
    if (order.empty())
        for (std::size_t i = 0; i < r.runs.size(); ++i) add(i);
    else
        for (std::size_t i : order)
            if (i < r.runs.size()) add(i);
    return rows;
}

}  // namespace

RunResult collectRun(const std::string& plotFile, const std::vector<Metric>& metrics) {
    RunResult r;
    r.plotFile = plotFile;
    r.values.assign(metrics.size(), std::nullopt);
    const auto fail = [&](const std::string& why) {
        r.failed = true;
        r.status = "failed: " + why;
        r.values.assign(metrics.size(), std::nullopt);
        return r;
    };
    if (plotFile.empty()) return fail("no plot data");
    try {
        plot::PlotDataStream in(plotFile);
        MetricCollector collector(metrics, in.names());
        std::vector<std::vector<double>> block;
        bool more = true;
        while (more) {
            for (auto& c : block) c.clear();
            more = in.next(block, kBlockRows);
            collector.add(block);
        }
        if (collector.rows() == 0) return fail(pal::fileNamePart(plotFile) + " holds no rows of plot data");
        std::string notes;
        const std::vector<MetricValue> values = collector.results();
        for (std::size_t i = 0; i < values.size(); ++i) {
            r.values[i] = values[i].value;
            if (!values[i].note.empty()) notes += (notes.empty() ? "" : "; ") + values[i].note;
        }
        r.status = notes.empty() ? "ok" : notes;
    } catch (const pal::IoError& e) {
        std::string why = e.what();
        if (e.code() == ENOENT) why = "no plot data (" + pal::fileNamePart(plotFile) + " is missing)";
        else if (why.find(pal::fileNamePart(plotFile)) == std::string::npos) why = pal::fileNamePart(plotFile) + ": " + why;
        return fail(why);
    } catch (const MetricError& e) {
        return fail(e.what());
    }
    return r;
}

std::vector<std::string> runPlotFiles(const table::TableData& t) {
    std::vector<std::string> out(static_cast<std::size_t>(std::max(t.runs(), 0)) + 1);
    if (t.deckPath.empty()) return out;
    std::vector<std::string> deck;
    try {
        deck = pal::readLines(pal::findFile(t.deckPath).value_or(t.deckPath));
    } catch (const pal::IoError&) {
        // Without the deck its ASSIGN names are unknown: the default names stand.
    }
    for (int i = 1; i <= t.runs(); ++i) {
        const std::string runDeck = table::runDeckPath(t.deckPath, i);
        const std::vector<std::string> lines = table::runDeckLines(deck, t.deckPath, i, {}, {});
        const std::string plotFile = run::resultFiles(runDeck, lines).plot;
        if (const auto found = pal::findFile(plotFile)) out[std::size_t(i)] = *found;
    }
    return out;
}

void checkMetricColumns(const std::vector<Metric>& metrics, const std::vector<std::string>& files) {
    for (const std::string& f : files) {
        if (f.empty()) continue;
        std::vector<std::string> names;
        try {
            names = plot::PlotDataStream(f).names();
        } catch (const pal::IoError&) {
            continue;  // that run fails on its own
        }
        MetricCollector(metrics, names);
        return;
    }
}

StudyResults collectTable(const table::TableData& t, const std::vector<std::string>& files,
                          const std::vector<Metric>& metrics,
                          const std::vector<std::optional<std::string>>& knownFailure,
                          const std::function<void(int, int)>& progress) {
    StudyResults s;
    s.metrics = metrics;
    for (const table::TableColumn& c : t.columns) s.variables.push_back(c.name);
    for (int i = 1; i <= t.runs(); ++i) {
        if (progress) progress(i, t.runs());
        std::vector<long double> in;
        for (int c = 1; c <= t.variables(); ++c) in.push_back(t.value(c, i));
        s.inputs.push_back(std::move(in));
        const std::size_t at = static_cast<std::size_t>(i);
        RunResult r;
        if (at < knownFailure.size() && knownFailure[at]) {
            r.failed = true;
            r.status = "failed: " + *knownFailure[at];
            r.values.assign(metrics.size(), std::nullopt);
            r.plotFile = at < files.size() ? files[at] : std::string();
        } else {
            r = collectRun(at < files.size() ? files[at] : std::string(), metrics);
        }
        r.run = i;
        s.runs.push_back(std::move(r));
    }
    return s;
}

std::optional<std::string> failureOfStatus(const std::string& status) {
    const std::string s = pal::trim(status);
    if (s.empty() || s.rfind("done", 0) == 0 || s.rfind("completed", 0) == 0) return std::nullopt;
    for (const char* going : {"waiting", "pending", "running"})
        if (s.rfind(going, 0) == 0) return "not ended (" + s + ")";
    return s;
}

std::string valueText(double v) {
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string inputText(long double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string resultsCsv(const StudyResults& results, const std::vector<std::size_t>& order) {
    std::string out;
    for (const auto& row : rowsOf(results, order)) {
        for (std::size_t i = 0; i < row.size(); ++i) out += (i ? "," : "") + csvField(row[i]);
        out += "\r\n";
    }
    return out;
}

std::string resultsTabText(const StudyResults& results, const std::vector<std::size_t>& order) {
    std::string out;
    const auto rows = rowsOf(results, order);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r) out += "\r\n";
        for (std::size_t i = 0; i < rows[r].size(); ++i) out += (i ? "\t" : "") + tabField(rows[r][i]);
    }
    return out;
}

std::string metricsFilePath(const std::string& tablePath) {
    const std::string dir = pal::directoryPart(tablePath);
    const std::string name = pal::fileNamePart(tablePath);
    const std::string base = name.substr(0, name.find('.')) + ".MET";
    return dir.empty() ? base : tablePath.substr(0, tablePath.size() - name.size()) + base;
}

std::vector<Metric> readMetricsFile(const std::string& path) {
    std::vector<Metric> out;
    const auto found = pal::findFile(path);
    if (!found) return out;
    // A list of metrics is a few lines: anything far larger is not one.
    struct stat st {};
    if (::stat(found->c_str(), &st) == 0 && st.st_size > (1 << 20))
        throw pal::IoError(0, *found, "The file is too large to be a list of metrics");
    for (const std::string& line : pal::readLines(*found)) {
        if (pal::trim(line).empty() || out.size() >= 200) continue;
        try {
            out.push_back(parseMetric(line));
        } catch (const MetricError&) {
        }
    }
    return out;
}

void writeMetricsFile(const std::string& path, const std::vector<Metric>& metrics) {
    std::vector<std::string> lines;
    for (const Metric& m : metrics) lines.push_back(m.text());
    pal::writeLinesCRLF(pal::findFile(path).value_or(path), lines);
}

}  // namespace study
