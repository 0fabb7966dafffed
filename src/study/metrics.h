// Metrics of a run's plot data ("LEVEL:max", "ENERGY:final", "LEVEL:at=12"):
// their texts, and their values gathered a block of rows at a time so that a
// run's data never needs to be held whole.
#pragma once
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace study {

// A bad metric text, or one naming a column the plot data lacks; the text
// names the part at fault.
class MetricError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class MetricKind { Final, Min, Max, Mean, Integral, XAtMax, XAtMin, ValueAt };

struct Metric {
    std::string column;  // as written; matched in any letter case
    MetricKind kind = MetricKind::Final;
    double at = 0;       // ValueAt: the X
    std::string atText;  // ValueAt: the X as written

    // "LEVEL:max", "LEVEL:at=12".
    std::string text() const;
    bool operator==(const Metric& o) const { return text() == o.text(); }
};

// The metric words and what they mean, for dialogs and --help.
struct MetricWord {
    MetricKind kind;
    const char* word;
    const char* meaning;
};
const std::vector<MetricWord>& metricWords();

// "COLUMN:word" or "COLUMN:at=X". Throws MetricError naming the text.
Metric parseMetric(std::string_view text);
// Comma-separated metrics. Throws MetricError naming the first bad one.
std::vector<Metric> parseMetricList(std::string_view text);
// The metrics as one comma-separated text.
std::string metricListText(const std::vector<Metric>& metrics);

// A metric's value in one run, or why there is none.
struct MetricValue {
    std::optional<double> value;
    std::string note;
};

// The metrics of one run: fed the plot data's columns block by block.
class MetricCollector {
public:
    // Finds each metric's column among names (column 0 is X). Throws
    // MetricError naming a metric whose column the data lacks.
    MetricCollector(const std::vector<Metric>& metrics, const std::vector<std::string>& names);

    // A block of rows: columns[c][r], every column as long (the first
    // columns.size() columns of the data).
    void add(const std::vector<std::vector<double>>& columns);
    std::size_t rows() const { return rows_; }
    std::vector<MetricValue> results() const;

private:
    struct Column {
        std::size_t index = 0;
        long double sum = 0, integral = 0;
        double min = 0, max = 0, xAtMin = 0, xAtMax = 0, last = 0;
    };
    struct At {
        std::size_t column = 0;  // into columns_
        double x = 0;
        std::optional<double> value;
    };
    std::vector<Metric> metrics_;
    std::vector<Column> columns_;
    std::vector<std::size_t> columnOf_;  // per metric, into columns_
    std::vector<std::ptrdiff_t> atOf_;   // per metric, into at_ (-1 for others)
    std::vector<At> at_;
    std::size_t rows_ = 0;
    double xMin_ = 0, xMax_ = 0, lastX_ = 0;
    std::vector<double> lastY_;          // per column of columns_: the previous row's value
};

// Column index by name, any letter case; -1 when missing.
int findColumn(const std::vector<std::string>& names, std::string_view name);

}  // namespace study
