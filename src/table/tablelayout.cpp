#include "table/tablelayout.h"

#include <algorithm>

namespace table {

GridFit fitGrid(const GridFitInput& in) {
    const int columns = static_cast<int>(in.columnWidths.size());
    const int rows = static_cast<int>(in.rowHeights.size());
    int W = 0, H = 0;
    for (int w : in.columnWidths) W += w + in.lineWidth;
    for (int h : in.rowHeights) H += h + in.lineWidth;
    const int col0 = columns > 0 ? in.columnWidths[0] : 0;
    const int row0 = rows > 0 ? in.rowHeights[0] : 0;
    const int dcw = in.defaultColumnWidth + in.lineWidth;
    const int drh = in.defaultRowHeight + in.lineWidth;

    int cw = in.clientWidth - (in.showsVerticalBar ? in.verticalBarWidth : 0);
    int ch = in.clientHeight - (in.showsHorizontalBar ? in.horizontalBarHeight : 0);

    int fitColumns = columns;
    if (cw < W) fitColumns = std::max(0, (cw + in.defaultColumnWidth / 2 - col0) / dcw);
    GridFit out;
    out.clientWidth = std::min(col0 + std::min(columns - 1, fitColumns) * dcw + in.lineWidth, W);

    int fitRows = rows;
    if (ch < H) fitRows = std::max(0, (ch + in.defaultRowHeight - row0 - 4) / drh);
    out.clientHeight = row0 + std::min(rows - 1, fitRows) * drh + in.lineWidth;

    if (out.clientWidth < W) {
        out.horizontalBar = true;
        out.clientHeight += in.horizontalBarHeight;
    }
    if (out.clientHeight < H) {
        out.clientWidth += in.verticalBarWidth;
        out.verticalBar = true;
        if (out.clientWidth < W) out.horizontalBar = true;
    }
    return out;
}

std::vector<std::pair<int, int>> printSlices(const std::vector<int>& widths, int pageWidth, int leftMargin) {
    std::vector<std::pair<int, int>> slices;
    const int last = static_cast<int>(widths.size()) - 1;
    int first = 1;
    while (first <= last) {
        int c = first;
        long long width = 2LL * leftMargin + widths[static_cast<std::size_t>(first)] * 5LL / 4;
        while (width < pageWidth && c < last) {
            ++c;
            width += widths[static_cast<std::size_t>(c)] * 5LL / 4;
        }
        if (width > pageWidth && c > first) --c;
        slices.emplace_back(first, c);
        first = c + 1;
    }
    return slices;
}

}  // namespace table
