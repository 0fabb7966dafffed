// Plots made without the setup dialog: a quick plot of named columns of a plot
// data file (for the command line), and the overlay of one column over every
// run of a run table (Plot > Plot table runs...).
#pragma once
#include <string>
#include <vector>

#include "plot/axes.h"
#include "plot/plotdata.h"
#include "plot/pmxfile.h"

namespace plot {

// The proposed range, tick count and digits of a new plot for the values of
// the given columns (as Plot Setup proposes them), stored into the axis.
void proposeAxis(AxisSettings& axis, const std::vector<ColumnRange>& ranges);

// A plot as Plot Setup makes it with its first choices: the X column and the Y
// columns by name (any letter case), every row, proposed axes, thin lines,
// symbols and colours stepping from 1 and 0, a legend. Throws
// std::invalid_argument naming a column the data lacks, or for more than 50
// Y columns.
PlotDocument quickPlot(const PlotDataTable& data, const std::string& caption, const std::string& xName,
                       const std::vector<std::string>& yNames);

// One run of a table with the plot data it wrote.
struct TableRunData {
    std::string legend;  // the run's values of the table's variables: "AREA=4.5 FLOW=0.3"
    PlotDataTable data;
    // When given, the legend is made from these so that it tells the runs
    // apart (see runTitles): the run's number and its variables' names and
    // short value texts.
    int run = 0;
    std::vector<std::string> names{}, values{};
};

// The legend of each run within the 20 characters of a curve name: the
// variables whose values differ between the runs ("AREA=4.5 VTANK=300"), with
// the run number and the values alone ("#3 9/0.3/61.2") when that would not
// fit; and
// the full text of each ("Run 3: AREA=4.5 DRAW=0.3 VTANK=58.71").
struct RunTitle {
    std::string legend, full;
};
std::vector<RunTitle> runTitles(const std::vector<TableRunData>& runs);

// The legend text of a run: NAME=value for each variable, blank-separated.
std::string runLegend(const std::vector<std::string>& names, const std::vector<std::string>& values);

// The Y column of every run as one curve over its X column, each with its own
// colour and symbol and its run's legend (cut to the 20 characters of a curve
// name). Runs whose data lack either column are left out; throws
// std::invalid_argument when no run has both.
PlotDocument tableRunsPlot(const std::vector<TableRunData>& runs, const std::string& caption, const std::string& xName,
                           const std::string& yName);

// Column index by name, any letter case; -1 when missing.
int columnIndex(const PlotDataTable& data, const std::string& name);

}  // namespace plot
