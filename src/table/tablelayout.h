// Geometry of the table window in numbers: fitting the window to whole columns
// and rows of the grid, and cutting the columns into printed slices that fit
// the page width.
#pragma once
#include <utility>
#include <vector>

namespace table {

struct GridFitInput {
    std::vector<int> columnWidths;  // column 0 (run numbers) first
    std::vector<int> rowHeights;    // row 0 (names) first
    int lineWidth = 1;              // grid line after each cell
    int clientWidth = 0, clientHeight = 0;
    bool showsHorizontalBar = false, showsVerticalBar = false;
    int horizontalBarHeight = 0, verticalBarWidth = 0;
    int defaultColumnWidth = 90, defaultRowHeight = 20;
};

struct GridFit {
    int clientWidth = 0, clientHeight = 0;
    bool horizontalBar = false, verticalBar = false;
};

// The client size that shows whole columns and rows, and the scroll bars it needs.
GridFit fitGrid(const GridFitInput& in);

// Printed slices [first, last] of columns 1 .. widths.size() - 1, where widths[c]
// is the printed width of column c (widths[0] unused). A column too wide for a
// page on its own still gets a slice of its own.
std::vector<std::pair<int, int>> printSlices(const std::vector<int>& widths, int pageWidth, int leftMargin);

}  // namespace table
