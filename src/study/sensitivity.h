// Sensitivity plots of a study: a metric against a variable, one curve per
// value of a second variable, as an ordinary plot document.
#pragma once
#include <optional>
#include <string>

#include "plot/pmxfile.h"
#include "study/collect.h"

namespace study {

// The metric (index into results.metrics) over the variable xVariable (index
// into results.variables); with byVariable, one curve per value of that
// variable, else one curve of every run. Points are in the order of X; failed
// runs and runs without the metric are left out; each curve's last point is
// repeated, as a plot leaves out the point of its last row. Throws std::invalid_argument
// when no run has the metric, or for more than 50 curves.
plot::PlotDocument sensitivityPlot(const StudyResults& results, std::size_t metric, std::size_t xVariable,
                                   std::optional<std::size_t> byVariable, const std::string& caption);

}  // namespace study
