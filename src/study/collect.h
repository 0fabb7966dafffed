// Results across the runs of a table: one row per run (its values of the
// table's variables, then the metrics of its plot data), collected run by run
// so that memory holds one block of one run's rows; the CSV and tab-separated
// texts of the rows, and the chosen metrics kept beside the table.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "study/metrics.h"
#include "table/tabledata.h"

namespace study {

struct RunResult {
    int run = 0;
    std::string plotFile;
    // No metric could be had: no plot data, a damaged file, a failed run.
    bool failed = false;
    // "ok", why the run failed, or which metrics have no value.
    std::string status;
    std::vector<std::optional<double>> values;  // one per metric
};

struct StudyResults {
    std::vector<std::string> variables;                // the table's, in column order
    std::vector<Metric> metrics;
    std::vector<std::vector<long double>> inputs;      // per run: one value per variable
    std::vector<RunResult> runs;
};

// One run's metrics from its plot data file, a block of rows at a time. A
// missing, truncated or damaged file, or one that lacks a metric's column,
// gives a failed result with the reason; it never throws.
RunResult collectRun(const std::string& plotFile, const std::vector<Metric>& metrics);

// The plot data file each run of the table wrote (index = run, element 0
// unused; "" where the run wrote none): the result files its run deck names,
// found in any letter case.
std::vector<std::string> runPlotFiles(const table::TableData& table);

// Throws MetricError when the first run that has readable plot data lacks a
// metric's column (so that a wrong name is told once, not as every run's
// failure). Nothing is checked when no run has plot data.
void checkMetricColumns(const std::vector<Metric>& metrics, const std::vector<std::string>& files);

// Every run of the table. files as runPlotFiles gives them; knownFailure[run]
// (when given) is why a run did not end normally: such a run is failed with
// that reason whatever files it left. progress(run, runs) is called before
// each run.
StudyResults collectTable(const table::TableData& table, const std::vector<std::string>& files,
                          const std::vector<Metric>& metrics,
                          const std::vector<std::optional<std::string>>& knownFailure = {},
                          const std::function<void(int, int)>& progress = {});

// Why a run did not end normally, from the status text its table run showed
// ("failed, exit code 3", "stopped after 0:07", "running"); none for a run
// that ended normally or shows nothing.
std::optional<std::string> failureOfStatus(const std::string& status);

// Texts of numbers that read back as exactly the value, with a decimal point
// whatever the locale.
std::string valueText(double v);
std::string inputText(long double v);

// The CSV: a header row ("run", the variables, the metrics as written,
// "status"), one row per run in the given order (all runs when empty); a
// failed run's metric cells are empty.
std::string resultsCsv(const StudyResults& results, const std::vector<std::size_t>& order = {});
// The same as tab-separated text for the clipboard (CR LF between lines).
std::string resultsTabText(const StudyResults& results, const std::vector<std::size_t>& order = {});

// The file beside a table that keeps its chosen metrics: the table's base name
// (in its file name) + ".MET".
std::string metricsFilePath(const std::string& tablePath);
// The stored metrics; none when the file is missing. Lines that are not
// metrics are skipped. Throws pal::IoError when the file cannot be read or is
// far too large to be a list of metrics (over a megabyte).
std::vector<Metric> readMetricsFile(const std::string& path);
// One metric per line, through a complete temporary file. Throws pal::IoError.
void writeMetricsFile(const std::string& path, const std::vector<Metric>& metrics);

}  // namespace study
