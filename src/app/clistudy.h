// The study commands of the command line (--sweep, --collect) and the
// collection that --run-table does after its runs when asked.
#pragma once
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "app/cli.h"
#include "study/collect.h"

namespace cli {

int sweepTable(const QStringList& arguments);
int collectResults(const QStringList& arguments);
// --run-table TABLE.TBL ... [--collect METRICS --csv FILE]: the table run, then
// the metrics of its runs (a run whose plot data predates the run is failed).
int runTableAndCollect(const QStringList& arguments);

// --collect METRICS --csv FILE of a command: not wanted when neither is given;
// a Failure (exit code 2) for a bad metric text or one without the other.
struct CollectRequest {
    bool wanted = false;
    std::vector<study::Metric> metrics;
    QString csv;  // "-": the standard output
};
CollectRequest collectRequest(const QString& command, const QString& metrics, const QString& csv);

// Collects the table's runs (its deck path resolved) into the CSV. Returns 0
// when every run was collected, 1 when a run failed; a Failure (exit code 2)
// when a metric names a column the plot data lacks.
int collectAndWrite(const QString& command, const CollectRequest& request, const table::TableData& table,
                    const std::vector<std::optional<std::string>>& knownFailure);

}  // namespace cli
