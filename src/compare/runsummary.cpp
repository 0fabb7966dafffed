#include "compare/runsummary.h"

#include <algorithm>

#include "common/ioerror.h"

namespace cmp {

RunsSummary compareRuns(const std::vector<std::string>& runFiles, int baseRun, const Tolerance& tolerance) {
    RunsSummary s;
    s.baseRun = baseRun;
    if (baseRun < 1 || baseRun >= static_cast<int>(runFiles.size()) || runFiles[std::size_t(baseRun)].empty())
        throw NotComparable("Run " + std::to_string(baseRun) + " has written no plot data");
    const auto base = readPlotColumns(runFiles[std::size_t(baseRun)]);
    s.variables.assign(base->names.begin() + 1, base->names.end());
    std::vector<std::pair<int, PlotComparison>> found;
    for (int run = 1; run < static_cast<int>(runFiles.size()); ++run) {
        RunsSummary::Row row;
        row.run = run;
        row.file = runFiles[std::size_t(run)];
        if (row.file.empty()) {
            row.note = "no plot data";
            s.rows.push_back(std::move(row));
            continue;
        }
        try {
            PlotComparison c = comparePlotData(base, run == baseRun ? base : readPlotColumns(row.file), tolerance);
            for (const VariableResult& v : c.variables)
                if (std::find(s.variables.begin(), s.variables.end(), v.name) == s.variables.end())
                    s.variables.push_back(v.name);
            if (c.rangesDiffer) row.note = c.notes.back();
            c.reference.reset();
            c.candidate.reset();
            found.emplace_back(run, std::move(c));
        } catch (const pal::IoError& e) {
            row.note = e.what();
        } catch (const NotComparable& e) {
            row.note = e.what();
        }
        s.rows.push_back(std::move(row));
    }
    for (const auto& [run, c] : found) {
        RunsSummary::Row& row = s.rows[std::size_t(run - 1)];
        row.cells.assign(s.variables.size(), RunsSummary::Cell{});
        for (std::size_t k = 0; k < s.variables.size(); ++k)
            if (const VariableResult* v = c.find(s.variables[k]))
                row.cells[k] = {v->status, v->status == Status::Missing ? 0.0 : v->maxRel};
    }
    return s;
}

std::string summaryText(const RunsSummary& s) {
    std::string t = "Run";
    for (const std::string& v : s.variables) t += "\t" + v;
    t += "\tNote\n";
    for (const RunsSummary::Row& r : s.rows) {
        t += std::to_string(r.run);
        for (std::size_t k = 0; k < s.variables.size(); ++k) {
            t += "\t";
            if (k >= r.cells.size()) continue;
            t += r.cells[k].status == Status::Missing ? std::string("missing") : numberText(r.cells[k].maxRel, 3);
        }
        t += "\t" + (r.run == s.baseRun ? std::string("reference run") : r.note) + "\n";
    }
    return t;
}

}  // namespace cmp
