// The plot of one variable of a plot data comparison: the reference, the new
// curve, the tolerance band around the reference and the difference, as an
// ordinary plot (a plot window shows it, the export service writes it).
#pragma once
#include "compare/plotcompare.h"
#include "plot/pmxfile.h"

namespace cmp {

// The curves the comparison has for the variable: a missing one shows the side
// that has it.
plot::PlotDocument bandPlot(const PlotComparison& comparison, const VariableResult& variable);

}  // namespace cmp
